#include "shared/SlewLimiter.hpp"

#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct StepCase {
    std::string name;
    double rate;  // RPM per second
    double current;
    double target;
    double dt;  // seconds
    double expected;
};

const StepCase kSteps[] = {
    {"a rise beyond the step is cut", 500, 1000, 2000, 0.1, 1050},
    {"a rise within the step reaches the target", 500, 1000, 1020, 0.1, 1020},
    {"a rise of exactly one step reaches the target", 500, 1000, 1050, 0.1, 1050},
    {"a fall beyond the step is cut", 500, 1000, 0, 0.1, 950},
    {"a fall within the step reaches the target", 500, 1000, 980, 0.1, 980},
    {"a longer tick allows a larger step", 500, 1000, 2000, 1.0, 1500},
    {"an infinite rate is no limit", kInf, 1000, 2000, 0.1, 2000},
    {"a zero rate is no limit", 0, 1000, 2000, 0.1, 2000},
    {"a negative rate is no limit", -500, 1000, 2000, 0.1, 2000},
    {"a NaN rate is no limit", kNaN, 1000, 2000, 0.1, 2000},
    {"a zero dt gives the target", 500, 1000, 2000, 0, 2000},
    {"a negative dt gives the target", 500, 1000, 2000, -1, 2000},
    {"a NaN dt gives the target", 500, 1000, 2000, kNaN, 2000},
    {"a NaN current gives the target", 500, kNaN, 2000, 0.1, 2000},
    {"an infinite current gives the target", 500, kInf, 2000, 0.1, 2000},
    {"a step overflowing to infinity gives the target", 1e300, 1000, 2000, 1e300, 2000},
};

TEST(SlewLimiter, Step) {
    for (const auto& c : kSteps) {
        SCOPED_TRACE(c.name);
        EXPECT_DOUBLE_EQ(SlewLimiter{c.rate}.step(c.current, c.target, c.dt), c.expected);
    }
}

TEST(SlewLimiter, IsLimitedOnlyByAFinitePositiveRate) {
    EXPECT_TRUE(SlewLimiter{500}.isLimited());
    EXPECT_TRUE(SlewLimiter{1e-9}.isLimited());
    for (double rate : {0.0, -1.0, kInf, kNaN}) EXPECT_FALSE(SlewLimiter{rate}.isLimited()) << rate;
}

TEST(SlewLimiter, NaNTargetComesBackUnchanged) {
    EXPECT_TRUE(std::isnan(SlewLimiter{500}.step(1000, kNaN, 0.1)));
}

}  // namespace
}  // namespace zephrane
