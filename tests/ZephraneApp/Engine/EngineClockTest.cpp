// The machine's clocks and the loop's sleep on the continuous clock: woken
// at its deadline, early by its cancellation, and by the clock going away.
#include <gtest/gtest.h>

#include "ZephraneApp/Engine/EngineClock.hpp"
#include "tests/ZephraneApp/Services/Daemon/DriverFakes.hpp"

namespace zephrane::engine {
namespace {

using namespace std::chrono_literals;
using testfakes::eventually;

struct Sleeper {
    std::optional<bool> reached;
    ContinuousInstant wokeAt{};
};

// Sleeps on `clock`, then notes the time on `after` (the same clock unless
// the test destroys it meanwhile).
QCoro::Task<void> sleepOnce(EngineClock* clock, ContinuousInstant deadline, std::shared_ptr<Cancellation> cancel,
                            Sleeper* sleeper, EngineClock* after = nullptr) {
    if (!after) after = clock;
    const bool reached = co_await clock->sleepUntil(deadline, 0ms, std::move(cancel));
    sleeper->wokeAt = after->continuousNow();
    sleeper->reached = reached;
}

TEST(EngineClock, TheContinuousClockMovesOnAndASleepEndsAtItsDeadline) {
    QObject context;
    auto clock = makeSystemClock(&context);
    const auto start = clock->continuousNow();
    Sleeper sleeper;
    const auto deadline = start + 30ms;
    auto task = sleepOnce(clock.get(), deadline, std::make_shared<Cancellation>(), &sleeper);
    EXPECT_FALSE(sleeper.reached);
    ASSERT_TRUE(eventually([&] { return sleeper.reached.has_value(); }));
    EXPECT_TRUE(*sleeper.reached);
    EXPECT_GE(sleeper.wokeAt, deadline);
}

TEST(EngineClock, CancellationWakesASleepAtOnceAndAnAlreadyCancelledOneNeverSleeps) {
    QObject context;
    auto clock = makeSystemClock(&context);
    auto cancel = std::make_shared<Cancellation>();
    Sleeper sleeper;
    auto task = sleepOnce(clock.get(), clock->continuousNow() + 1h, cancel, &sleeper);
    cancel->cancel();
    ASSERT_TRUE(sleeper.reached) << "woken inside cancel()";
    EXPECT_FALSE(*sleeper.reached);

    Sleeper again;
    auto second = sleepOnce(clock.get(), clock->continuousNow() + 1h, cancel, &again);
    ASSERT_TRUE(again.reached);
    EXPECT_FALSE(*again.reached);
    // The timer called off is released on the clock's thread.
    QCoreApplication::processEvents();
}

TEST(EngineClock, AClockThatGoesAwayWakesItsSleepers) {
    QObject context;
    auto clock = makeSystemClock(&context);
    Sleeper sleeper;
    // The sleeper's frame reads the clock after waking: hand it one that lives on.
    auto survivor = makeSystemClock(&context);
    auto task = sleepOnce(clock.get(), clock->continuousNow() + 1h, std::make_shared<Cancellation>(), &sleeper,
                          survivor.get());
    clock.reset();
    ASSERT_TRUE(sleeper.reached);
    EXPECT_FALSE(*sleeper.reached);
    // The timer that was armed fires into nothing.
    QCoreApplication::processEvents();
}

}  // namespace
}  // namespace zephrane::engine
