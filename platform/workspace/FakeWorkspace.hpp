// A workspace in memory for tests: the test sets the running applications
// and posts launches and terminations itself, including malformed ones
// without an application entry.
#pragma once

#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "platform/workspace/Workspace.hpp"
#include "platform/workspace/WorkspaceNotificationCenter.hpp"

namespace zephrane::workspace {

class FakeWorkspace final : public Workspace {
public:
    void setRunningApplications(std::vector<RunningApplication> applications) {
        const std::scoped_lock lock(mutex_);
        running_ = std::move(applications);
    }

    void postLaunch(RunningApplication application) {
        center_.post({NotificationName::didLaunchApplication, std::move(application)});
    }
    void postTermination(RunningApplication application) {
        center_.post({NotificationName::didTerminateApplication, std::move(application)});
    }
    void post(NotificationName name, std::optional<RunningApplication> application) {
        center_.post({name, std::move(application)});
    }

    std::vector<RunningApplication> runningApplications() const override {
        const std::scoped_lock lock(mutex_);
        return running_;
    }
    WorkspaceNotificationCenter& notificationCenter() override { return center_; }

private:
    mutable std::mutex mutex_;
    std::vector<RunningApplication> running_;
    WorkspaceNotificationCenter center_;
};

}  // namespace zephrane::workspace
