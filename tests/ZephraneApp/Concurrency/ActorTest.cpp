// The serial executor under fault: calls to a stopped actor, an actor
// destroyed with work queued, running and waiting, handles that outlive it.
#include "ZephraneApp/Concurrency/Actor.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "ZephraneApp/Concurrency/ContinuationGuard.hpp"
#include "tests/ZephraneApp/Concurrency/AwaitTask.hpp"

namespace zephrane {
namespace {

using namespace std::chrono_literals;
using testfakes::awaitResult;
using testfakes::eventually;
using testfakes::start;

// Holds a synchronous call on the actor thread until the test opens it.
class Gate {
public:
    void enter() {
        std::unique_lock lock(mutex_);
        entered_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
    }
    bool waitUntilEntered() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 20s, [this] { return entered_; });
    }
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool entered_ = false;
    bool open_ = false;
};

// A wait on something that never comes unless stopping ends it: the shape
// of a daemon call whose reply is still out. `ended` tells that the stop
// ended it (rather than giving up on the task).
QCoro::Task<int> waitForever(ActorHandle actor, std::shared_ptr<std::atomic<bool>> waiting,
                             std::shared_ptr<std::atomic<bool>> ended = std::make_shared<std::atomic<bool>>()) {
    auto guard = std::make_shared<ContinuationGuard<int>>();
    QFuture<int> future = guard->future();
    ActorHandle::Wait wait(actor, [guard, ended] {
        *ended = true;
        if (guard->tryClaim()) guard->resumeThrowing(std::make_exception_ptr(ActorStopped{}));
    });
    *waiting = true;
    const int value = co_await future;
    co_return value;
}

TEST(ActorTest, ACallRunsOnTheActorThreadAndResumesTheCallerOnItsOwn) {
    Actor actor(QStringLiteral("test"));
    QThread* ranOn = nullptr;
    const int value = awaitResult(actor.call([&ranOn] {
        ranOn = QThread::currentThread();
        return 42;
    }));
    EXPECT_EQ(value, 42);
    EXPECT_EQ(ranOn, actor.thread());
    EXPECT_NE(ranOn, QThread::currentThread());

    auto failing = start(actor.call([]() -> int { throw std::invalid_argument("bad input"); }));
    ASSERT_TRUE(eventually([&] { return failing->done; }));
    EXPECT_TRUE(failing->threw<std::invalid_argument>()) << "the function's own exception reaches the caller";
}

TEST(ActorTest, CallsRunOneAtATimeInTheOrderTheyWereMade) {
    Actor actor(QStringLiteral("test"));
    std::vector<int> order;
    std::atomic<int> inside{0};
    std::atomic<int> mostInside{0};
    std::vector<std::shared_ptr<testfakes::Outcome<void>>> calls;
    for (int i = 0; i < 50; ++i) {
        calls.push_back(start(actor.call([&, i] {
            mostInside = std::max(mostInside.load(), ++inside);
            order.push_back(i);
            --inside;
        })));
    }
    ASSERT_TRUE(eventually([&] { return calls.back()->done; }));
    EXPECT_EQ(mostInside.load(), 1);
    ASSERT_EQ(order.size(), 50u);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
}

TEST(ActorTest, AWaitingTaskLetsTheNextCallRun) {
    Actor actor(QStringLiteral("test"));
    auto waiting = std::make_shared<std::atomic<bool>>(false);
    auto stuck = start(actor.call([handle = actor.handle(), waiting] { return waitForever(handle, waiting); }));
    ASSERT_TRUE(eventually([&] { return waiting->load(); }));
    EXPECT_EQ(awaitResult(actor.call([] { return 7; })), 7) << "the actor is reentrant at a suspension point";
    EXPECT_FALSE(stuck->done);
    actor.stop();
    ASSERT_TRUE(eventually([&] { return stuck->done; }));
}

TEST(ActorTest, ACallToAStoppedActorFailsAtOnce) {
    Actor actor(QStringLiteral("test"));
    actor.stop();
    bool ran = false;
    auto call = start(actor.call([&ran] { ran = true; }));
    ASSERT_TRUE(eventually([&] { return call->done; }));
    EXPECT_TRUE(call->threw<ActorStopped>());
    EXPECT_FALSE(actor.post([&ran] { ran = true; }));
    actor.stop();  // idempotent
    EXPECT_FALSE(ran);
}

TEST(ActorTest, StoppingWithWorkQueuedAnswersEveryCallerFromTheWorkItself) {
    auto actor = std::make_unique<Actor>(QStringLiteral("test"));
    Gate gate;
    auto running = start(actor->call([&gate] {
        gate.enter();
        return 1;
    }));
    ASSERT_TRUE(gate.waitUntilEntered());
    auto queued = start(actor->call([] { return 2; }));

    std::thread opener([&gate, handle = actor->handle()] {
        while (!handle.stopping()) std::this_thread::yield();
        gate.open();
    });
    actor.reset();  // waits for the running call, then runs the queued one
    opener.join();

    ASSERT_TRUE(eventually([&] { return running->done && queued->done; }));
    EXPECT_EQ(running->value, 1);
    EXPECT_EQ(queued->value, 2) << "a call made before the stop still runs";
}

TEST(ActorTest, DestroyingTheActorEndsEveryWaitOfItsTasksAtOnce) {
    auto actor = std::make_unique<Actor>(QStringLiteral("test"));
    auto waiting = std::make_shared<std::atomic<bool>>(false);
    auto ended = std::make_shared<std::atomic<bool>>(false);
    auto stuck = start(actor->call(
        [handle = actor->handle(), waiting, ended] { return waitForever(handle, waiting, ended); }));
    ASSERT_TRUE(eventually([&] { return waiting->load(); }));

    actor.reset();
    EXPECT_TRUE(ended->load()) << "the wait was ended, not sat out";
    ASSERT_TRUE(eventually([&] { return stuck->done; }));
    EXPECT_TRUE(stuck->threw<ActorStopped>());
}

TEST(ActorTest, AWaitBegunWhileTheActorStopsFailsBeforeItWaits) {
    auto actor = std::make_unique<Actor>(QStringLiteral("test"));
    Gate gate;
    auto waiting = std::make_shared<std::atomic<bool>>(false);
    // The task's wait begins only after stop() has begun: the gate holds
    // the actor thread until then.
    auto late = start(actor->call([&gate, handle = actor->handle(), waiting] {
        gate.enter();
        return waitForever(handle, waiting);
    }));
    ASSERT_TRUE(gate.waitUntilEntered());
    std::thread stopper([&actor] { actor->stop(); });
    ASSERT_TRUE(eventually([&] { return actor->handle().stopping(); }));
    gate.open();
    stopper.join();
    actor.reset();

    ASSERT_TRUE(eventually([&] { return late->done; }));
    EXPECT_TRUE(late->threw<ActorStopped>());
    EXPECT_FALSE(waiting->load()) << "the wait never began";
}

TEST(ActorTest, AHandleThatOutlivesItsActorPostsNothing) {
    std::optional<ActorHandle> handle;
    std::atomic<int> ran{0};
    {
        Actor actor(QStringLiteral("test"));
        handle = actor.handle();
        EXPECT_TRUE(handle->post([&ran] { ++ran; }));
        EXPECT_FALSE(handle->stopping());
    }
    EXPECT_EQ(ran.load(), 1) << "posted before the stop: run";
    EXPECT_TRUE(handle->stopping());
    EXPECT_FALSE(handle->post([&ran] { ++ran; }));
    EXPECT_EQ(ran.load(), 1);
}

TEST(ActorTest, ABackgroundActorRunsBelowInteractiveWork) {
    Actor normal(QStringLiteral("normal"));
    Actor background(QStringLiteral("background"), Actor::Priority::background);
    auto niceness = [] {
        errno = 0;
        return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
    };
    const int base = awaitResult(normal.call(niceness));
    EXPECT_EQ(awaitResult(background.call(niceness)), std::min(base + 10, 19));
}

}  // namespace
}  // namespace zephrane
