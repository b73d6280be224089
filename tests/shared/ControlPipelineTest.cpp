#include "shared/ControlPipeline.hpp"

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void expectSame(double actual, double expected) {
    if (std::isnan(expected))
        EXPECT_TRUE(std::isnan(actual)) << actual;
    else
        EXPECT_DOUBLE_EQ(actual, expected);
}

ControlPipeline pipeline(double alpha = 0.5) { return ControlPipeline(FanCurve{{40, 0.2}, {90, 1.0}}, EMAFilter(alpha)); }

struct TargetCase {
    std::string name;
    std::optional<double> fixedOverride;
    double proactiveFloor;
    double temp;
    double expected;
};

const TargetCase kFirstTargets[] = {
    {"the curve answers without an override", std::nullopt, 0, 65, 0.6},
    {"a fixed override ignores the temperature", 0.3, 0, 120, 0.3},
    {"a fixed override below the floor gives the floor", 0.7, 0.9, 50, 0.9},
    {"a fixed override above 1 gives 1", 1.5, 0, 50, 1.0},
    {"a negative fixed override gives 0", -0.5, 0, 50, 0.0},
    {"the floor raises a lower curve value", std::nullopt, 0.5, 40, 0.5},
    {"a floor equal to the curve value", std::nullopt, 0.2, 40, 0.2},
    {"a floor above 1 is clamped to 1", std::nullopt, 3, 40, 1.0},
    {"a negative floor has no effect", std::nullopt, -1, 65, 0.6},
    {"a NaN floor has no effect", std::nullopt, kNaN, 65, 0.6},
    {"a NaN temperature gives the curve's last fraction", std::nullopt, 0, kNaN, 1.0},
};

TEST(ControlPipeline, FirstTargetIsTheUnsmoothedBase) {
    for (const auto& c : kFirstTargets) {
        SCOPED_TRACE(c.name);
        ControlPipeline p = pipeline();
        p.fixedOverride = c.fixedOverride;
        p.proactiveFloor = c.proactiveFloor;
        EXPECT_DOUBLE_EQ(p.targetPercentage(c.temp), c.expected);
    }
}

TEST(ControlPipeline, SmoothingCarriesFromTickToTick) {
    ControlPipeline p = pipeline(0.5);
    EXPECT_DOUBLE_EQ(p.targetPercentage(40), 0.2);
    EXPECT_DOUBLE_EQ(p.targetPercentage(90), 0.6);
    EXPECT_DOUBLE_EQ(p.targetPercentage(90), 0.8);
    EXPECT_DOUBLE_EQ(*p.ema.value(), 0.8);
    // The fixed override and the floor go through the same filter.
    p.fixedOverride = 0.0;
    EXPECT_DOUBLE_EQ(p.targetPercentage(90), 0.4);
    p.proactiveFloor = 1.0;
    EXPECT_DOUBLE_EQ(p.targetPercentage(90), 0.7);
}

TEST(ControlPipeline, SmoothedValueOutsideTheRangeIsClamped) {
    ControlPipeline p = pipeline(0.5);
    p.ema.update(4.0);  // a filter handed over already holding a stray value
    EXPECT_EQ(p.targetPercentage(90), 1.0);
}

struct ConversionCase {
    std::string name;
    double value;
    double fanMin;
    double fanMax;
    double expected;
};

const ConversionCase kToRPM[] = {
    {"half way", 0.5, 1200, 6000, 3600},
    {"a negative fraction gives the minimum", -1, 1200, 6000, 1200},
    {"a fraction above 1 gives the maximum", 2, 1200, 6000, 6000},
    {"equal bounds give that value", 0.5, 2500, 2500, 2500},
    {"the fractional part is kept", 0.25, 1000, 1001, 1000.25},
    {"a NaN fraction stays NaN", kNaN, 1200, 6000, kNaN},
    // Outside the callers' contract, still defined.
    {"bounds out of order give the minimum", 0.0, 6000, 1200, 6000},
    {"bounds out of order ignore the fraction", 1.0, 6000, 1200, 6000},
    {"a NaN minimum gives NaN", 0.5, kNaN, 6000, kNaN},
    {"a NaN maximum gives NaN", 0.5, 1200, kNaN, kNaN},
};

TEST(ControlPipeline, PercentageToRPM) {
    for (const auto& c : kToRPM) {
        SCOPED_TRACE(c.name);
        expectSame(ControlPipeline::percentageToRPM(c.value, c.fanMin, c.fanMax), c.expected);
    }
}

const ConversionCase kToPercentage[] = {
    {"half way", 3600, 1200, 6000, 0.5},
    {"at the minimum", 1200, 1200, 6000, 0.0},
    {"below the minimum gives 0", 0, 1200, 6000, 0.0},
    {"above the maximum gives 1", 9000, 1200, 6000, 1.0},
    {"a zero span gives 0", 2500, 2500, 2500, 0.0},
    {"a negative span gives 0", 3000, 6000, 1200, 0.0},
    {"an infinite span gives 0", 3000, 1200, kInf, 0.0},
    {"a NaN bound gives 0", 3000, kNaN, 6000, 0.0},
    {"an infinite speed gives 0", kInf, 1200, 6000, 0.0},
    {"a NaN speed gives 0", kNaN, 1200, 6000, 0.0},
};

TEST(ControlPipeline, RPMToPercentage) {
    for (const auto& c : kToPercentage) {
        SCOPED_TRACE(c.name);
        EXPECT_DOUBLE_EQ(ControlPipeline::rpmToPercentage(c.value, c.fanMin, c.fanMax), c.expected);
    }
}

}  // namespace
}  // namespace zephrane
