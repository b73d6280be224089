#include "ZephraneApp/DesignSystem/Tokens/Motion.hpp"

#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

namespace zephrane::Theme {
namespace {

constexpr SpringToken kAll[] = {SpringToken::snappy, SpringToken::smooth, SpringToken::bouncy, SpringToken::readout};

double peakOf(const QEasingCurve& curve) {
    double peak = 0;
    for (int i = 0; i <= 1000; ++i) peak = std::max(peak, curve.valueForProgress(i / 1000.0));
    return peak;
}

TEST(MotionTest, TokensAreTheirSprings) {
    EXPECT_EQ(spring(SpringToken::snappy).response, 0.3);
    EXPECT_EQ(spring(SpringToken::snappy).dampingFraction, 0.82);
    EXPECT_EQ(spring(SpringToken::smooth).dampingFraction, 1.0);
    EXPECT_EQ(spring(SpringToken::bouncy).response, 0.4);
    EXPECT_EQ(spring(SpringToken::bouncy).dampingFraction, 0.75);
    EXPECT_EQ(spring(SpringToken::readout).response, 0.4);
}

TEST(MotionTest, EachSpringSettlesForGoodWithinItsDuration) {
    for (SpringToken token : kAll) {
        const Spring s = spring(token);
        const double settled = std::chrono::duration<double>(settleDuration(s)).count();
        EXPECT_GT(settled, s.response) << static_cast<int>(token);
        EXPECT_LT(settled, 1.0) << static_cast<int>(token);
        EXPECT_NEAR(springPosition(s, 0), 0.0, 1e-12);
        for (double t = settled; t < 3 * settled; t += 0.0005)
            ASSERT_LE(std::abs(springPosition(s, t) - 1.0), 0.001) << static_cast<int>(token) << " at " << t;
    }
}

TEST(MotionTest, UnderdampedCurvesOvershootAsTheirSpringAndCriticalOnesNever) {
    for (SpringToken token : kAll) {
        const Spring s = spring(token);
        const MotionSpec m = motion(token, false);
        EXPECT_EQ(m.duration, settleDuration(s));
        EXPECT_EQ(m.easing.valueForProgress(0.0), 0.0);
        EXPECT_DOUBLE_EQ(m.easing.valueForProgress(1.0), 1.0);
        const double zeta = s.dampingFraction;
        if (zeta < 1.0) {
            const double overshoot = std::exp(-std::numbers::pi * zeta / std::sqrt(1 - zeta * zeta));
            EXPECT_NEAR(peakOf(m.easing), 1.0 + overshoot, 0.002) << static_cast<int>(token);
        } else {
            EXPECT_LE(peakOf(m.easing), 1.0 + 1e-9) << static_cast<int>(token);
        }
    }
}

TEST(MotionTest, ReduceMotionReplacesEverySpringWithTheShortEaseInOut) {
    for (SpringToken token : kAll) {
        const MotionSpec m = motion(token, true);
        EXPECT_EQ(m.duration, std::chrono::milliseconds(150));
        EXPECT_NEAR(m.easing.valueForProgress(0.5), 0.5, 0.001);
        EXPECT_LT(m.easing.valueForProgress(0.1), 0.1);  // eases in
        EXPECT_GT(m.easing.valueForProgress(0.9), 0.9);  // and out
        EXPECT_LE(peakOf(m.easing), 1.0 + 1e-9);
    }
}

}  // namespace
}  // namespace zephrane::Theme
