// One-shot timers on the continuous clock: they fire once, a cancelled one
// never fires, and a timer cancelled on its own thread lets go of itself and
// of what its action holds at once, with no event loop left to run (as at
// the app's exit, where a queued release would never come).
#include "ZephraneApp/Concurrency/ContinuousTimers.hpp"

#include <atomic>
#include <memory>
#include <thread>

#include <QObject>

#include <gtest/gtest.h>

#include "tests/ZephraneApp/Concurrency/AwaitTask.hpp"

namespace zephrane {
namespace {

using namespace std::chrono_literals;
using testfakes::eventually;

class ContinuousTimersTest : public ::testing::Test {
protected:
    QObject context;
    std::unique_ptr<TimerSource> timers = makeContinuousTimerSource(&context);
};

TEST_F(ContinuousTimersTest, FiresOnceAfterItsDelay) {
    int fired = 0;
    const auto started = std::chrono::steady_clock::now();
    auto timer = timers->start(20ms, [&] { ++fired; });
    ASSERT_TRUE(eventually([&] { return fired > 0; }));
    EXPECT_GE(std::chrono::steady_clock::now() - started, 20ms);
    timer->cancel();  // after firing: nothing more
    QCoreApplication::processEvents();
    EXPECT_EQ(fired, 1);
}

TEST_F(ContinuousTimersTest, CancelledOnItsThreadItIsReleasedAtOnceAndNeverFires) {
    auto held = std::make_shared<int>(0);
    bool fired = false;
    std::weak_ptr<CancellableTimer> weak;
    {
        auto timer = timers->start(1ms, [&fired, held] { fired = true; });
        weak = timer;
        timer->cancel();
    }
    // No event has run since: nothing waits for the loop.
    EXPECT_TRUE(weak.expired()) << "the timer keeps itself alive";
    EXPECT_EQ(held.use_count(), 1) << "the action's captures outlive the timer";

    // A timer's time passing after the cancel fires nothing.
    int later = 0;
    auto witness = timers->start(30ms, [&] { ++later; });
    ASSERT_TRUE(eventually([&] { return later > 0; }));
    EXPECT_FALSE(fired);
}

TEST_F(ContinuousTimersTest, CancelledFromAnotherThreadItNeverFires) {
    std::atomic<bool> fired = false;
    auto timer = timers->start(50ms, [&] { fired = true; });
    std::thread([timer] { timer->cancel(); }).join();
    int later = 0;
    auto witness = timers->start(100ms, [&] { ++later; });
    ASSERT_TRUE(eventually([&] { return later > 0; }));
    EXPECT_FALSE(fired);
}

}  // namespace
}  // namespace zephrane
