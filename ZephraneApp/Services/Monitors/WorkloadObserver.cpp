#include "ZephraneApp/Services/Monitors/WorkloadObserver.hpp"

#include <string>
#include <utility>

#include "platform/workspace/WorkspaceNotificationCenter.hpp"

namespace zephrane {

using workspace::Notification;
using workspace::NotificationName;
using workspace::WorkspaceNotificationCenter;

WorkloadObserver::WorkloadObserver(workspace::Workspace& workspace, ChangeHandler onChange)
    : onChange_(std::move(onChange)), workspace_(workspace), liveness_(std::make_shared<WorkloadObserver*>(this)) {}

WorkloadObserver::~WorkloadObserver() { stop(); }

void WorkloadObserver::start() {
    queue_ = std::make_unique<QObject>();
    std::vector<std::string> identifiers;
    for (auto& application : workspace_.runningApplications())
        if (application.bundleIdentifier) identifiers.push_back(std::move(*application.bundleIdentifier));
    policy_.seed(identifiers);
    onChange_(policy_);

    auto& center = workspace_.notificationCenter();
    for (const auto name : {NotificationName::didLaunchApplication, NotificationName::didTerminateApplication}) {
        std::weak_ptr<WorkloadObserver*> observer = liveness_;
        tokens_.push_back(center.addObserver(name, queue_.get(),
                                             [observer](const Notification& notification) {
                                                 if (!notification.application ||
                                                     !notification.application->bundleIdentifier)
                                                     return;
                                                 if (const auto alive = observer.lock()) (*alive)->handle(notification);
                                             }));
    }
}

void WorkloadObserver::stop() {
    auto& center = workspace_.notificationCenter();
    for (const auto token : tokens_) center.removeObserver(token);
    tokens_.clear();
    queue_.reset();
}

void WorkloadObserver::handle(const Notification& notification) {
    const std::string& identifier = *notification.application->bundleIdentifier;
    if (notification.name == NotificationName::didLaunchApplication)
        policy_.appLaunched(identifier);
    else
        policy_.appTerminated(identifier);
    onChange_(policy_);
}

}  // namespace zephrane
