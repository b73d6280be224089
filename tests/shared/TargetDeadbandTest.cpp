#include "shared/TargetDeadband.hpp"

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Step {
    std::string name;
    double desired;  // RPM
    double result;   // RPM returned
};

// One deadband walked through in order; each step starts where the last ended.
const Step kWalk[] = {
    {"the first commit is taken as is", 2000, 2000},
    {"a rise just under 50 is held", 2049, 2000},
    {"a rise of exactly 50 commits", 2050, 2050},
    {"a fall just under 150 is held", 1901, 2050},
    {"a fall of exactly 150 commits", 1900, 1900},
    {"NaN keeps the committed value", kNaN, 1900},
    {"infinity keeps the committed value", kInf, 1900},
    {"a large fall commits", 800, 800},
    {"a large rise commits", 6000, 6000},
};

TEST(TargetDeadband, RisesOnSmallerStepsThanItFalls) {
    TargetDeadband deadband;
    for (const auto& s : kWalk) {
        SCOPED_TRACE(s.name);
        EXPECT_EQ(deadband.commit(s.desired), s.result);
        EXPECT_EQ(deadband.committed(), s.result);
    }
    deadband.reset();
    EXPECT_EQ(deadband.committed(), std::nullopt);
    EXPECT_EQ(deadband.commit(1000), 1000);  // a small fall, but nothing held any more
}

TEST(TargetDeadband, NonFiniteOnEmptyIsReturnedAndNotCommitted) {
    TargetDeadband deadband;
    EXPECT_TRUE(std::isnan(deadband.commit(kNaN)));
    EXPECT_EQ(deadband.commit(-kInf), -kInf);
    EXPECT_EQ(deadband, TargetDeadband{});
    EXPECT_EQ(deadband.commit(1500), 1500);
}

TEST(TargetDeadband, StartsFromAGivenCommitment) {
    TargetDeadband deadband(2000);
    EXPECT_EQ(deadband.commit(2049), 2000);
    EXPECT_EQ(deadband, TargetDeadband(2000));
    EXPECT_NE(deadband, TargetDeadband{});
}

TEST(TargetDeadband, NonFiniteStartIsEmpty) {
    // A NaN commitment would make every later delta NaN and hold it forever.
    for (double start : {kNaN, kInf}) {
        TargetDeadband deadband(start);
        EXPECT_EQ(deadband.committed(), std::nullopt);
        EXPECT_EQ(deadband.commit(2000), 2000);
    }
}

}  // namespace
}  // namespace zephrane
