// Keeps a WorkloadPolicy in step with the heavy applications that run: seeded
// from the workspace's running applications at start, then fed every launch
// and termination the workspace reports. The engine gets a copy of the
// policy through `onChange` once at start and after every notification that
// names an application identifier, changed or not; the engine decides
// whether anything moved.
//
// Threading: start(), stop() and destruction happen on the GUI thread, which
// must have a QCoreApplication; the handlers run there too (the workspace
// delivers on the main queue), so the policy needs no lock.
//
// Lifetime: the workspace must outlive the observer. The handlers hold the
// observer only weakly: a notification already queued when the observer is
// destroyed is dropped. Destruction does not end the registrations; the
// owner calls stop() first.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/workspace/Workspace.hpp"
#include "shared/WorkloadPolicy.hpp"

namespace zephrane {

class WorkloadObserver {
public:
    using ChangeHandler = std::function<void(const WorkloadPolicy&)>;

    WorkloadObserver(workspace::Workspace& workspace, ChangeHandler onChange);
    WorkloadObserver(const WorkloadObserver&) = delete;
    WorkloadObserver& operator=(const WorkloadObserver&) = delete;

    // Seeds the policy (without clearing it), reports it once even when
    // empty, and registers for launches and terminations. Call once.
    void start();
    // Ends the registrations; the policy keeps its contents.
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
};

}  // namespace zephrane
