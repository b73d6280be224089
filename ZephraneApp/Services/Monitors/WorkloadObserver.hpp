// Keeps a WorkloadPolicy in step with the heavy applications that run: seeded
// from the workspace's running applications at start, then fed every launch
// and termination the workspace reports. The engine gets a copy of the
// policy through `onChange` once at start and after every notification that
// names an application identifier, changed or not; the engine decides
// whether anything moved.
//
// An event source, not an awaited task: the workspace's scanner has a thread
// of its own and hands each change to the thread that called start() (the
// GUI thread, which must run an event loop), where `onChange` runs and the
// policy lives without a lock.
//
// Lifetime: the workspace must outlive the observer. Once stop() returns,
// `onChange` never runs again, not even for a notification already queued;
// destruction stops first.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QObject>

#include "platform/workspace/Workspace.hpp"
#include "shared/WorkloadPolicy.hpp"

namespace zephrane {

class WorkloadObserver {
public:
    using ChangeHandler = std::function<void(const WorkloadPolicy&)>;

    WorkloadObserver(workspace::Workspace& workspace, ChangeHandler onChange);
    ~WorkloadObserver();
    WorkloadObserver(const WorkloadObserver&) = delete;
    WorkloadObserver& operator=(const WorkloadObserver&) = delete;

    // Seeds the policy (without clearing it), reports it once even when
    // empty, and registers for launches and terminations, delivered on this
    // thread. Call once.
    void start();
    // Ends the registrations; the policy keeps its contents. On the thread
    // that started it.
    void stop();

    const WorkloadPolicy& policy() const { return policy_; }

private:
    void handle(const workspace::Notification& notification);

    WorkloadPolicy policy_;
    std::vector<workspace::ObserverToken> tokens_;
    ChangeHandler onChange_;

    workspace::Workspace& workspace_;
    // The handlers' weak view of this observer: expired once it is gone.
    std::shared_ptr<WorkloadObserver*> liveness_;
    // Lives on the thread that called start(): the queue the handlers run on.
    std::unique_ptr<QObject> queue_;
};

}  // namespace zephrane
