#include "platform/servicemanagement/SystemServiceManager.hpp"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <system_error>
#include <thread>

#include "platform/servicemanagement/DaemonDefinition.hpp"
#include "platform/servicemanagement/ServiceStore.hpp"
#include "platform/xpc/ServiceAddress.hpp"
#include "shared/DebugText.hpp"
#include "shared/ThreadJoiner.hpp"

namespace zephrane::servicemanagement {

// How long an unregister waits for the manager to stop the daemon (its
// SIGTERM grace and a little more) before it completes anyway.
constexpr std::chrono::seconds kUnregisterStopLimit{12};

// Runs unregister completions one at a time on a thread of its own, so a
// completion never runs inside the caller's unregisterService() call (the
// caller may not have suspended yet) and callers see the same asynchrony as
// on a Mac. Jobs hold no reference to the queue; whoever drops the last
// reference finishes the queue and joins the thread. Only a completion that
// itself held the last reference could drop it on the queue's own thread,
// which cannot join itself: the thread is then handed to the process's
// ThreadJoiner, finishes the queue touching only the state it shares, and is
// joined there.
class CompletionQueue {
public:
    CompletionQueue() : state_(std::make_shared<State>()), thread_([state = state_] { run(*state); }) {}
    ~CompletionQueue() {
        {
            std::lock_guard lock(state_->mutex);
            state_->stopping = true;
        }
        state_->wake.notify_one();
        if (thread_.get_id() == std::this_thread::get_id())
            ThreadJoiner::instance().adopt(std::move(thread_));
        else
            thread_.join();
    }
    CompletionQueue(const CompletionQueue&) = delete;
    CompletionQueue& operator=(const CompletionQueue&) = delete;

    void post(std::function<void()> job) {
        {
            std::lock_guard lock(state_->mutex);
            state_->jobs.push_back(std::move(job));
        }
        state_->wake.notify_one();
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable wake;
        std::deque<std::function<void()>> jobs;
        bool stopping = false;
    };

    static void run(State& state) {
        std::unique_lock lock(state.mutex);
        for (;;) {
            state.wake.wait(lock, [&state] { return state.stopping || !state.jobs.empty(); });
            if (state.jobs.empty()) return;  // stopping, and nothing left to complete
            auto job = std::move(state.jobs.front());
            state.jobs.pop_front();
            lock.unlock();
            job();
            job = nullptr;  // its captures go before the lock is taken again
            lock.lock();
        }
    }

    std::shared_ptr<State> state_;
    std::thread thread_;  // last: started once the state exists
};

namespace {

Error makeError(std::int64_t code, std::string description) {
    return Error{std::string(kErrorDomain), code, std::move(description)};
}

class SystemService final : public Service {
public:
    SystemService(std::filesystem::path bundle, std::string plistName, std::filesystem::path systemRoot,
                  std::shared_ptr<CompletionQueue> completions)
        : bundle_(std::move(bundle)),
          plistName_(std::move(plistName)),
          store_(std::move(systemRoot)),
          completions_(std::move(completions)) {}

    Status status() override {
        if (bundle_.empty()) return Status::notFound;
        DaemonDefinition definition;
        try {
            definition = readDaemonDefinition(bundle_, daemonPlistPath(bundle_, plistName_));
        } catch (const DefinitionError& e) {
            // A property list that is there but names a missing program is
            // still this app's daemon; its registration decides.
            if (e.kind() != DefinitionError::Kind::programMissing) return Status::notFound;
            return statusOfRecord(ownRecord());
        }
        return statusOfRecord(store_.registration(definition.label));
    }

    std::optional<Error> registerService() override {
        if (bundle_.empty())
            return makeError(kSMErrorJobPlistNotFound,
                             "cannot register " + quotedDebugText(plistName_) + ": the app is not in a bundle");
        DaemonDefinition definition;
        try {
            definition = readDaemonDefinition(bundle_, daemonPlistPath(bundle_, plistName_));
        } catch (const DefinitionError& e) {
            const bool missing = e.kind() == DefinitionError::Kind::plistMissing;
            return makeError(missing ? kSMErrorJobPlistNotFound : kSMErrorInvalidPlist,
                             "cannot register " + quotedDebugText(plistName_) + ": " + e.what());
        }
        RegistrationRecord record{definition.label, definition.plist.string(), definition.program.string(),
                                  definition.machServices, {}};
        try {
            record.registrationID = newRegistrationID();
            store_.writeRegistration(record);
        } catch (const std::system_error& e) {
            return makeError(kSMErrorInternalFailure, "cannot record the registration of " +
                                                          quotedDebugText(definition.label) + ": " + e.what());
        }
        return std::nullopt;
    }

    void unregisterService(std::function<void(std::optional<Error>)> completion) override {
        std::optional<Error> result;
        std::vector<std::string> services;
        try {
            const auto record = ownRecord();
            if (record) services = record->machServices;
            if (!record) {
                result = makeError(kSMErrorJobNotFound,
                                   "cannot unregister " + quotedDebugText(plistName_) + ": it is not registered");
            } else if (!store_.removeRegistration(record->label)) {
                result = makeError(kSMErrorJobNotFound, "cannot unregister " + quotedDebugText(plistName_) +
                                                            ": the registration went away meanwhile");
            }
        } catch (const std::system_error& e) {
            result = makeError(kSMErrorInternalFailure,
                               "cannot remove the registration of " + quotedDebugText(plistName_) + ": " + e.what());
        }
        // Like launchd booting the job out before the request completes:
        // the caller may ask for the daemon right after, and must not reach
        // the one that is going away.
        completions_->post([completion = std::move(completion), result = std::move(result),
                            services = std::move(services)] {
            if (!result) waitForSocketsToGo(services);
            completion(result);
        });
    }

private:
    static void waitForSocketsToGo(const std::vector<std::string>& services) {
        const auto giveUpAt = std::chrono::steady_clock::now() + kUnregisterStopLimit;
        for (const auto& service : services) {
            std::string path;
            try {
                path = xpc::socketPathForService(service, std::nullopt);
            } catch (const std::exception&) {
                continue;
            }
            while (someoneListensAt(path) && std::chrono::steady_clock::now() < giveUpAt)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    // Whether a socket bound to `path` is listening, from the kernel's table
    // of Unix sockets: a leftover socket file does not count, and nothing
    // connects (a connection would start the daemon again).
    static bool someoneListensAt(const std::string& path) {
        std::ifstream table("/proc/net/unix");
        std::string line;
        std::getline(table, line);  // the header
        while (std::getline(table, line)) {
            if (line.size() <= path.size() || line.compare(line.size() - path.size(), path.size(), path) != 0 ||
                line[line.size() - path.size() - 1] != ' ')
                continue;
            std::istringstream fields(line);
            std::string slot, references, protocol, flags;
            fields >> slot >> references >> protocol >> flags;
            constexpr unsigned long kAcceptingConnections = 0x10000;  // __SO_ACCEPTCON
            if (std::strtoul(flags.c_str(), nullptr, 16) & kAcceptingConnections) return true;
        }
        return false;
    }

    std::filesystem::path plistPath() const {
        if (bundle_.empty()) return {};
        try {
            return daemonPlistPath(bundle_, plistName_);
        } catch (const DefinitionError&) {
            return {};
        }
    }

    // This bundle's registration: by the label its property list gives, or,
    // when the property list can no longer be read, by the property list
    // path the record names.
    std::optional<RegistrationRecord> ownRecord() const {
        const auto plist = plistPath();
        if (plist.empty()) return std::nullopt;
        try {
            const auto definition = readDaemonDefinition(bundle_, plist);
            auto record = store_.registration(definition.label);
            if (record && record->plist == plist.string()) return record;
            return std::nullopt;
        } catch (const DefinitionError&) {
        }
        for (auto& record : store_.registrations())
            if (record.plist == plist.string()) return record;
        return std::nullopt;
    }

    Status statusOfRecord(const std::optional<RegistrationRecord>& record) const {
        // Another copy of the app holds the label: this copy is not registered.
        if (!record || record->plist != plistPath().string()) return Status::notRegistered;
        const TrustPolicy policy = TrustPolicy::forSystemRoot(store_.systemRoot());
        const auto approval = store_.approval(record->label, policy);
        if (!approval || !approves(*approval, *record)) return Status::requiresApproval;
        // Approved, but zephrane-launchd would refuse to run the program as
        // it is now; the app learns that an administrator must look again.
        if (untrustedProgramReason(record->program, policy)) return Status::requiresApproval;
        return Status::enabled;
    }

    std::filesystem::path bundle_;
    std::string plistName_;
    ServiceStore store_;
    std::shared_ptr<CompletionQueue> completions_;
};

}  // namespace

SystemServiceManager::SystemServiceManager(std::filesystem::path bundle,
                                           std::optional<std::filesystem::path> systemRoot)
    : bundle_(bundle.empty() ? bundle : std::filesystem::absolute(bundle).lexically_normal()),
      systemRoot_(systemRoot ? std::move(*systemRoot) : defaultSystemRoot()),
      completions_(std::make_shared<CompletionQueue>()) {}

SystemServiceManager::~SystemServiceManager() = default;

std::unique_ptr<Service> SystemServiceManager::daemonService(const std::string& plistName) {
    return std::make_unique<SystemService>(bundle_, plistName, systemRoot_, completions_);
}

std::filesystem::path SystemServiceManager::defaultBundlePath() {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    const auto macOS = executable.parent_path();
    const auto contents = macOS.parent_path();
    if (macOS.filename() != "MacOS" || contents.filename() != "Contents") return {};
    return contents.parent_path();
}

}  // namespace zephrane::servicemanagement
