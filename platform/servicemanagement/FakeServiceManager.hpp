// A service manager for tests: one status shared by every Service it hands
// out, register and unregister results that a test scripts step by step,
// and counts of every call.
//
// Unscripted, it behaves like a small real one: register succeeds and the
// status becomes requiresApproval (enabled once setApproved(true)),
// unregister succeeds and the status becomes notRegistered. A scripted step
// gives the result, and the status to switch to, of one call.
//
// Unregister completions run on the caller's thread, on a thread of their
// own, or only when the test releases them (to hold an unregister in flight
// while other calls run).
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/servicemanagement/ServiceManagement.hpp"

namespace zephrane::servicemanagement {

class FakeServiceManager final : public ServiceManager {
public:
    struct Step {
        std::optional<Error> error;         // none: the call succeeds
        std::optional<Status> statusAfter;  // none: the status stays as it is
    };
    enum class Completion { callerThread, otherThread, manual };

    FakeServiceManager() = default;
    ~FakeServiceManager() override;  // joins completion threads; pending manual completions are dropped
    FakeServiceManager(const FakeServiceManager&) = delete;
    FakeServiceManager& operator=(const FakeServiceManager&) = delete;

    std::unique_ptr<Service> daemonService(const std::string& plistName) override;

    void setStatus(Status status);
    Status currentStatus() const;
    void setApproved(bool approved);
    void scriptRegister(Step step);
    void scriptUnregister(Step step);
    void setCompletion(Completion completion);
    // Runs the held completions (Completion::manual), in order, on this
    // thread; returns how many ran.
    int completePendingUnregisters();

    int daemonServiceCalls() const;
    int statusCalls() const;
    int registerCalls() const;
    int unregisterCalls() const;
    int completedUnregisters() const;
    std::vector<std::string> plistNames() const;  // one per daemonService() call

private:
    class FakeService;
    Status onStatus();
    std::optional<Error> onRegister();
    void onUnregister(std::function<void(std::optional<Error>)> completion);
    void complete(const std::function<void(std::optional<Error>)>& completion, const std::optional<Error>& result);

    mutable std::mutex mutex_;
    Status status_ = Status::notRegistered;
    bool approved_ = false;
    std::deque<Step> registerSteps_;
    std::deque<Step> unregisterSteps_;
    Completion completion_ = Completion::otherThread;
    std::vector<std::function<void()>> held_;
    std::vector<std::thread> threads_;
    std::vector<std::string> plistNames_;
    int statusCalls_ = 0;
    int registerCalls_ = 0;
    int unregisterCalls_ = 0;
    int completed_ = 0;
};

}  // namespace zephrane::servicemanagement
