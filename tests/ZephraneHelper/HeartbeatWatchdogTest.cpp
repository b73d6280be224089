#include "ZephraneHelper/HeartbeatWatchdog.hpp"

#include <gtest/gtest.h>

namespace zephrane::helper {
namespace {

using namespace std::chrono_literals;
const SuspendingClock::time_point t0{};

TEST(HeartbeatWatchdog, OnlyAnEngagedWatchdogFailsSafe) {
    HeartbeatWatchdog w(5s);
    EXPECT_FALSE(w.shouldFailSafe(t0 + 1h)) << "never engaged";
    w.recordBeat(t0);
    EXPECT_FALSE(w.shouldFailSafe(t0 + 1h)) << "beats alone do not engage";
}

TEST(HeartbeatWatchdog, AgeMustExceedTheTimeoutStrictly) {
    HeartbeatWatchdog w(5s);
    w.manualEngaged(true, t0);
    EXPECT_FALSE(w.shouldFailSafe(t0 + 5s)) << "exactly the time-out";
    EXPECT_TRUE(w.shouldFailSafe(t0 + 5s + 1ns));
    w.recordBeat(t0 + 5s);
    EXPECT_FALSE(w.shouldFailSafe(t0 + 9s));
}

TEST(HeartbeatWatchdog, EngagingRefreshesTheBeatDisengagingDoesNot) {
    HeartbeatWatchdog w(5s);
    w.recordBeat(t0);
    w.manualEngaged(true, t0 + 100s);
    EXPECT_FALSE(w.shouldFailSafe(t0 + 104s)) << "engage gave a fresh grace period";
    w.manualEngaged(false, t0 + 200s);
    EXPECT_EQ(w.lastBeat(), t0 + 100s);
    EXPECT_FALSE(w.shouldFailSafe(t0 + 300s));
}

}  // namespace
}  // namespace zephrane::helper
