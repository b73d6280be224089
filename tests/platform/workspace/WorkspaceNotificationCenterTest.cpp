#include "platform/workspace/WorkspaceNotificationCenter.hpp"

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <QThread>

#include <gtest/gtest.h>

#include "tests/platform/workspace/EventLoopWait.hpp"

namespace zephrane::workspace {
namespace {

using zephrane::testing::drain;
using zephrane::testing::processEventsUntil;

Notification launch(const std::string& path) { return {NotificationName::didLaunchApplication, RunningApplication{path, {}}}; }
Notification termination(const std::string& path) {
    return {NotificationName::didTerminateApplication, RunningApplication{path, {}}};
}

// What one handler saw: paths in arrival order and the thread it ran on.
struct Record {
    std::mutex mutex;
    std::vector<std::string> paths;
    std::vector<QThread*> threads;

    WorkspaceNotificationCenter::Handler handler() {
        return [this](const Notification& notification) {
            const std::scoped_lock lock(mutex);
            paths.push_back(notification.application ? notification.application->executablePath : "<none>");
            threads.push_back(QThread::currentThread());
        };
    }
    std::vector<std::string> seen() {
        const std::scoped_lock lock(mutex);
        return paths;
    }
};

// A thread with an event loop and an object living there: a queue other than
// the main one.
struct WorkerQueue {
    QThread thread;
    QObject* context = new QObject;
    WorkerQueue() {
        context->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, context, &QObject::deleteLater);
        thread.start();
    }
    ~WorkerQueue() {
        thread.quit();
        thread.wait();
    }
};

TEST(WorkspaceNotificationCenterTest, DeliversEachNameToItsObserversOnTheirQueuesInPostingOrder) {
    WorkspaceNotificationCenter center;
    WorkerQueue worker;
    Record onWorker, onMain, direct;
    center.addObserver(NotificationName::didLaunchApplication, worker.context, onWorker.handler());
    center.addObserver(NotificationName::didTerminateApplication, WorkspaceNotificationCenter::mainQueue(),
                       onMain.handler());
    center.addObserver(NotificationName::didLaunchApplication, nullptr, direct.handler());

    center.post(launch("/a"));
    center.post(termination("/b"));
    center.post(launch("/c"));
    center.post({NotificationName::didLaunchApplication, std::nullopt});

    // Without a queue, within post() on the posting thread.
    EXPECT_EQ(direct.seen(), (std::vector<std::string>{"/a", "/c", "<none>"}));
    EXPECT_EQ(direct.threads, std::vector<QThread*>(3, QThread::currentThread()));
    // With one, only once that thread's loop runs.
    EXPECT_TRUE(onMain.seen().empty());
    ASSERT_TRUE(drain(WorkspaceNotificationCenter::mainQueue()));
    EXPECT_EQ(onMain.seen(), (std::vector<std::string>{"/b"}));
    EXPECT_EQ(onMain.threads, std::vector<QThread*>{QThread::currentThread()});
    ASSERT_TRUE(processEventsUntil([&] { return onWorker.seen().size() == 3; }));
    EXPECT_EQ(onWorker.seen(), (std::vector<std::string>{"/a", "/c", "<none>"}));
    EXPECT_EQ(onWorker.threads, std::vector<QThread*>(3, &worker.thread));
}

TEST(WorkspaceNotificationCenterTest, RemovalDropsNotificationsAlreadyQueuedAndReleasesTheHandler) {
    WorkspaceNotificationCenter center;
    int calls = 0;
    auto capture = std::make_shared<int>(0);
    std::weak_ptr<int> captured = capture;
    const auto token = center.addObserver(NotificationName::didLaunchApplication,
                                          WorkspaceNotificationCenter::mainQueue(),
                                          [&calls, capture = std::move(capture)](const Notification&) { ++calls; });
    center.post(launch("/a"));  // queued, not yet run
    center.removeObserver(token);
    EXPECT_TRUE(captured.expired()) << "the handler's captures outlive its registration";
    EXPECT_EQ(center.observerCount(), 0u);
    ASSERT_TRUE(drain(WorkspaceNotificationCenter::mainQueue()));
    EXPECT_EQ(calls, 0);

    center.removeObserver(token);  // twice, and unknown tokens: nothing happens
    center.removeObserver(ObserverToken{12345});
}

TEST(WorkspaceNotificationCenterTest, AHandlerMayRemoveItselfAndRegisterOthers) {
    WorkspaceNotificationCenter center;
    int calls = 0;
    int laterCalls = 0;
    ObserverToken self{};
    // The string capture lives on the heap: were the handler destroyed
    // while it runs, AddressSanitizer would catch the read below.
    const std::string tag(64, 'x');
    self = center.addObserver(NotificationName::didLaunchApplication, nullptr, [&, tag](const Notification&) {
        center.removeObserver(self);
        center.addObserver(NotificationName::didLaunchApplication, nullptr,
                           [&](const Notification&) { ++laterCalls; });
        calls += tag.size() == 64 ? 1 : 100;
    });
    center.post(launch("/a"));
    center.post(launch("/b"));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(laterCalls, 1) << "an observer added during a post sees only later posts";
}

TEST(WorkspaceNotificationCenterTest, DestroyingTheCentreDropsQueuedNotifications) {
    auto center = std::make_unique<WorkspaceNotificationCenter>();
    int calls = 0;
    center->addObserver(NotificationName::didTerminateApplication, WorkspaceNotificationCenter::mainQueue(),
                        [&](const Notification&) { ++calls; });
    center->post(termination("/a"));
    center.reset();
    ASSERT_TRUE(drain(WorkspaceNotificationCenter::mainQueue()));
    EXPECT_EQ(calls, 0);
}

// Posters on several threads run the handler directly while the main thread
// removes it: once removeObserver() returns, no call may be running or start.
TEST(WorkspaceNotificationCenterTest, NoHandlerRunsOnceRemovalReturnsUnderConcurrentPosts) {
    WorkspaceNotificationCenter center;
    std::atomic<bool> removed{false};
    std::atomic<int> calls{0};
    std::atomic<int> violations{0};
    const auto token = center.addObserver(NotificationName::didLaunchApplication, nullptr, [&](const Notification&) {
        if (removed) ++violations;
        ++calls;
        std::this_thread::yield();
        if (removed) ++violations;
    });

    std::atomic<bool> stop{false};
    std::vector<std::thread> posters;
    for (int i = 0; i < 4; ++i)
        posters.emplace_back([&] {
            while (!stop) center.post(launch("/busy"));
        });
    ASSERT_TRUE(processEventsUntil([&] { return calls > 1000; }));
    center.removeObserver(token);
    removed = true;
    const int callsAtRemoval = calls;
    // Keep posting a good while longer.
    std::atomic<int> postsAfter{0};
    center.addObserver(NotificationName::didLaunchApplication, nullptr, [&](const Notification&) { ++postsAfter; });
    ASSERT_TRUE(processEventsUntil([&] { return postsAfter > 1000; }));
    stop = true;
    for (auto& poster : posters) poster.join();

    EXPECT_EQ(violations, 0);
    EXPECT_EQ(calls, callsAtRemoval);
}

}  // namespace
}  // namespace zephrane::workspace
