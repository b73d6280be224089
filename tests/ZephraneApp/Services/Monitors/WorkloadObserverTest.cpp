#include "ZephraneApp/Services/Monitors/WorkloadObserver.hpp"

#include <memory>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include "platform/workspace/FakeWorkspace.hpp"
#include "platform/workspace/WorkspaceNotificationCenter.hpp"
#include "tests/platform/workspace/EventLoopWait.hpp"

namespace zephrane {
namespace {

using workspace::FakeWorkspace;
using workspace::NotificationName;
using workspace::RunningApplication;
using workspace::WorkspaceNotificationCenter;
using zephrane::testing::drain;

const RunningApplication kXcode{"/opt/xcode/xcodebuild", "com.apple.dt.Xcode"};
const RunningApplication kFinalCut{"/opt/fcp/Final Cut Pro", "com.apple.FinalCut"};
const RunningApplication kBlenderBeta{"/opt/blender-beta/blender", "org.blenderfoundation.blender.beta"};
const RunningApplication kBrowser{"/usr/bin/firefox", "org.mozilla.firefox"};
const RunningApplication kShell{"/bin/bash", std::nullopt};

// Every policy the observer reported, and the thread it reported on.
struct Reports {
    std::vector<WorkloadPolicy> policies;
    std::vector<QThread*> threads;

    WorkloadObserver::ChangeHandler handler() {
        return [this](const WorkloadPolicy& policy) {
            policies.push_back(policy);
            threads.push_back(QThread::currentThread());
        };
    }
    std::vector<std::string> last() const {
        return policies.empty() ? std::vector<std::string>{}
                                : std::vector<std::string>(policies.back().running().begin(),
                                                           policies.back().running().end());
    }
};

bool drainMain() { return drain(WorkspaceNotificationCenter::mainQueue()); }

TEST(WorkloadObserverTest, StartReportsOnceEvenWithNoHeavyApplication) {
    FakeWorkspace workspace;
    workspace.setRunningApplications({kShell, kBrowser});
    Reports reports;
    WorkloadObserver observer(workspace, reports.handler());
    observer.start();
    ASSERT_EQ(reports.policies.size(), 1u) << "reported at once, before any event";
    EXPECT_EQ(reports.policies[0], WorkloadPolicy());
    ASSERT_TRUE(drainMain());
    EXPECT_EQ(reports.policies.size(), 1u);
    EXPECT_EQ(workspace.notificationCenter().observerCount(), 2u);
}

TEST(WorkloadObserverTest, StartSeedsFromRunningApplicationsWithIdentifiers) {
    FakeWorkspace workspace;
    workspace.setRunningApplications({kShell, kXcode, kBrowser, kBlenderBeta});
    Reports reports;
    WorkloadObserver observer(workspace, reports.handler());
    observer.start();
    ASSERT_EQ(reports.policies.size(), 1u);
    EXPECT_EQ(reports.last(), (std::vector<std::string>{"com.apple.dt.Xcode", "org.blenderfoundation.blender.beta"}));
    EXPECT_EQ(reports.policies[0].currentBoost(), 0.55);
}

TEST(WorkloadObserverTest, BoostFollowsLaunchesAndTerminationsReportingEachOne) {
    FakeWorkspace workspace;
    Reports reports;
    WorkloadObserver observer(workspace, reports.handler());
    observer.start();

    struct Step {
        const char* edge;
        NotificationName name;
        RunningApplication application;
        double boost;
    };
    const Step steps[] = {
        {"Xcode launches", NotificationName::didLaunchApplication, kXcode, 0.45},
        {"a browser has no boost: reported, unchanged", NotificationName::didLaunchApplication, kBrowser, 0.45},
        {"Final Cut launches: the strongest wins", NotificationName::didLaunchApplication, kFinalCut, 0.55},
        {"Final Cut ends", NotificationName::didTerminateApplication, kFinalCut, 0.45},
        {"an application never launched ends", NotificationName::didTerminateApplication, kBlenderBeta, 0.45},
        {"Xcode ends", NotificationName::didTerminateApplication, kXcode, 0},
    };
    std::size_t reported = 1;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.edge);
        workspace.post(step.name, step.application);
        ASSERT_TRUE(drainMain());
        ASSERT_EQ(reports.policies.size(), ++reported);
        EXPECT_EQ(reports.policies.back().currentBoost(), step.boost);
        EXPECT_EQ(reports.policies.back(), observer.policy());
    }
    EXPECT_EQ(reports.policies[1], reports.policies[2]) << "the browser changed the policy";
    EXPECT_EQ(reports.threads, std::vector<QThread*>(reported, QCoreApplication::instance()->thread()));
}

TEST(WorkloadObserverTest, NotificationsWithoutAnIdentifierReportNothing) {
    FakeWorkspace workspace;
    Reports reports;
    WorkloadObserver observer(workspace, reports.handler());
    observer.start();
    workspace.post(NotificationName::didTerminateApplication, std::nullopt);
    workspace.post(NotificationName::didLaunchApplication, std::nullopt);
    workspace.postLaunch(kShell);
    workspace.postTermination(kShell);
    ASSERT_TRUE(drainMain());
    EXPECT_EQ(reports.policies.size(), 1u);
}

TEST(WorkloadObserverTest, AfterStopNothingIsReportedAndThePolicyStays) {
    FakeWorkspace workspace;
    Reports reports;
    WorkloadObserver observer(workspace, reports.handler());
    observer.start();
    workspace.postLaunch(kXcode);
    ASSERT_TRUE(drainMain());
    ASSERT_EQ(reports.policies.size(), 2u);

    workspace.postLaunch(kFinalCut);  // queued before stop(): dropped as well
    observer.stop();
    EXPECT_EQ(workspace.notificationCenter().observerCount(), 0u);
    workspace.postTermination(kXcode);
    ASSERT_TRUE(drainMain());
    EXPECT_EQ(reports.policies.size(), 2u);
    EXPECT_EQ(observer.policy().running().size(), 1u);
    EXPECT_EQ(observer.policy().currentBoost(), 0.45);
}

// The owner drops the observer without stop() while a notification waits in
// the queue: the registrations end with it and the queued one is dropped
// (under AddressSanitizer a touch of the freed observer would fail the run).
TEST(WorkloadObserverTest, ADestroyedObserverIgnoresNotificationsStillQueued) {
    FakeWorkspace workspace;
    auto reports = std::make_shared<Reports>();
    auto observer = std::make_unique<WorkloadObserver>(workspace, reports->handler());
    observer->start();
    workspace.postLaunch(kXcode);
    observer.reset();
    EXPECT_EQ(workspace.notificationCenter().observerCount(), 0u);
    ASSERT_TRUE(drainMain());
    workspace.postLaunch(kFinalCut);
    ASSERT_TRUE(drainMain());
    EXPECT_EQ(reports->policies.size(), 1u);
}

// The Linux workspace posts from its scanner thread: the policy still
// changes, and the engine still hears of it, only on the main thread.
TEST(WorkloadObserverTest, NotificationsPostedOnAnotherThreadAreHandledOnTheMainThread) {
    FakeWorkspace workspace;
    Reports reports;
    WorkloadObserver observer(workspace, reports.handler());
    observer.start();
    std::thread poster([&] {
        for (int i = 0; i < 50; ++i) {
            workspace.postLaunch(kXcode);
            workspace.postTermination(kXcode);
        }
    });
    poster.join();
    ASSERT_TRUE(drainMain());
    ASSERT_EQ(reports.policies.size(), 101u);
    EXPECT_EQ(reports.threads, std::vector<QThread*>(101, QCoreApplication::instance()->thread()));
    EXPECT_EQ(reports.policies.back(), WorkloadPolicy());
}

}  // namespace
}  // namespace zephrane
