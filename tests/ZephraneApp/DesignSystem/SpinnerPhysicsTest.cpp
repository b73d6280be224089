#include "ZephraneApp/DesignSystem/Painters/SpinnerPhysics.hpp"

#include <cmath>
#include <limits>
#include <numbers>

#include <gtest/gtest.h>

namespace zephrane::design {
namespace {

double seconds(std::chrono::duration<double> d) { return d.count(); }

SpinnerPhase moving(double angle, double velocity) {
    SpinnerPhase phase;
    phase.angle = angle;
    phase.velocity = velocity;
    return phase;
}

// Frames every `dt` seconds from `start` for `count` frames.
void run(SpinnerPhase& phase, double& now, double dt, int count, double requested, bool reduceMotion = false) {
    for (int i = 0; i < count; ++i) {
        now += dt;
        stepSpinner(phase, now, requested, reduceMotion);
    }
}

TEST(SpinnerPhysicsTest, FirstFrameAdvancesNothingAndLongGapsAtMostATenth) {
    SpinnerPhase phase = moving(1.0, 10.0);
    EXPECT_EQ(stepSpinner(phase, 100.0, 10.0, false), 1.0);
    EXPECT_EQ(phase.lastTime, 100.0);
    EXPECT_EQ(phase.velocity, 10.0);

    // Five seconds later: physics advance 0.1 s only.
    const double angle = stepSpinner(phase, 105.0, 10.0, false);
    EXPECT_NEAR(angle, 1.0 + 0.1 * 10.0, 1e-9);
    // A clock that went backwards advances nothing.
    EXPECT_NEAR(stepSpinner(phase, 104.0, 10.0, false), angle, 1e-12);
}

TEST(SpinnerPhysicsTest, WindsUpWithAQuarterSecondTimeConstant) {
    SpinnerPhase phase;
    double now = 0;
    stepSpinner(phase, now, 8.0, false);
    run(phase, now, 0.05, 5, 8.0);  // 0.25 s
    EXPECT_NEAR(phase.velocity, 8.0 * (1 - std::exp(-1.0)), 1e-9);
}

TEST(SpinnerPhysicsTest, BelowAQuarterRadianASecondMeansStop) {
    SpinnerPhase phase = moving(0, 10.0);
    double now = 0;
    stepSpinner(phase, now, 0.2, false);
    run(phase, now, 0.05, 20, 0.2);  // 1 s: four time constants
    EXPECT_NEAR(phase.velocity, 10.0 * std::exp(-4.0), 1e-9);
    EXPECT_FALSE(spinnerPaused(0.2, phase, false));  // still turning down

    run(phase, now, 0.05, 60, 0.2);
    EXPECT_EQ(phase.velocity, 0.0);  // snapped to rest below 0.01
    EXPECT_TRUE(spinnerPaused(0.2, phase, false));
    EXPECT_FALSE(spinnerPaused(0.25, phase, false));  // 0.25 itself runs
}

TEST(SpinnerPhysicsTest, ReduceMotionFreezesAndResumesFromRest) {
    SpinnerPhase phase;
    double now = 0;
    stepSpinner(phase, now, 6.0, false);
    run(phase, now, 0.08, 10, 6.0);
    const double frozen = phase.angle;
    EXPECT_TRUE(spinnerPaused(6.0, phase, true));
    EXPECT_EQ(stepSpinner(phase, now + 0.5, 6.0, true), frozen);
    EXPECT_EQ(phase.velocity, 0.0);
    EXPECT_FALSE(phase.lastTime);

    // Off again: the first frame advances nothing, then it winds up from 0.
    EXPECT_EQ(stepSpinner(phase, now + 3.0, 6.0, false), frozen);
    stepSpinner(phase, now + 3.05, 6.0, false);
    EXPECT_NEAR(phase.velocity, 6.0 * (1 - std::exp(-0.2)), 1e-9);
}

TEST(SpinnerPhysicsTest, FrameIntervalAimsAtSixHundredthsOfARadianPerFrame) {
    struct Row { double requested; double velocity; double interval; };
    const Row rows[] = {
        {0, 0, 0.5},          // at rest
        {0.1, 0.0, 0.5},      // asks to stop
        {0.3, 0.0, 0.2},      // 0.06 / 0.3
        {0.1, 0.5, 0.12},     // slowing down: its own speed keeps the rate
        {10, 0, 1.0 / 12},    // capped at 12 frames a second
        {std::numeric_limits<double>::quiet_NaN(), 0, 0.5},
    };
    for (const Row& row : rows)
        EXPECT_NEAR(seconds(spinnerFrameInterval(row.requested, moving(0, row.velocity))), row.interval,
                    1e-12)
            << row.requested << " " << row.velocity;
}

TEST(SpinnerPhysicsTest, AngleStaysInOneTurnAndNonNumbersStopIt) {
    SpinnerPhase phase;
    double now = 0;
    stepSpinner(phase, now, 40.0, false);
    for (int i = 0; i < 2000; ++i) {
        now += 0.0833;
        const double angle = stepSpinner(phase, now, 40.0, false);
        ASSERT_GE(angle, 0.0);
        ASSERT_LT(angle, 2 * std::numbers::pi);
    }
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        SpinnerPhase p = moving(2.0, 1.0);
        double t = 0;
        stepSpinner(p, t, bad, false);
        run(p, t, 0.1, 100, bad);
        EXPECT_EQ(p.velocity, 0.0);
        EXPECT_TRUE(std::isfinite(p.angle));
        EXPECT_TRUE(spinnerPaused(bad, p, false));
    }
}

}  // namespace
}  // namespace zephrane::design
