#include "shared/EMAFilter.hpp"

#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct AlphaCase {
    std::string name;
    double given;
    double stored;
};

const AlphaCase kAlphas[] = {
    {"zero rises to the minimum", 0, 0.05},
    {"negative rises to the minimum", -1, 0.05},
    {"minimum itself", 0.05, 0.05},
    {"inside the range", 0.3, 0.3},
    {"above 1 falls to 1", 3, 1.0},
    {"infinity falls to 1", kInf, 1.0},
    {"minus infinity rises to the minimum", -kInf, 0.05},
    {"NaN is taken as no smoothing", kNaN, 1.0},
};

TEST(EMAFilter, AlphaIsClampedFromInitialiserAndAssignment) {
    for (const auto& c : kAlphas) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EMAFilter(c.given).alpha(), c.stored);
        EMAFilter filter(0.5);
        filter.setAlpha(c.given);
        EXPECT_EQ(filter.alpha(), c.stored);
    }
}

TEST(EMAFilter, SmoothsFromTheFirstSampleAndResetsToEmpty) {
    EMAFilter filter(0.5);
    EXPECT_EQ(filter.value(), std::nullopt);
    EXPECT_DOUBLE_EQ(filter.update(0.2), 0.2);
    EXPECT_DOUBLE_EQ(filter.update(0.6), 0.4);
    EXPECT_DOUBLE_EQ(*filter.value(), 0.4);
    filter.reset();
    EXPECT_EQ(filter.value(), std::nullopt);
    EXPECT_DOUBLE_EQ(filter.update(0.9), 0.9);
}

TEST(EMAFilter, AlphaOnePassesEveryFiniteSample) {
    EMAFilter filter(1.0);
    for (double sample : {0.2, 0.9, -3.0, 1e300, 0.0}) EXPECT_EQ(filter.update(sample), sample);
}

TEST(EMAFilter, NaNAlphaDoesNotPoisonLaterSamples) {
    EMAFilter filter(kNaN);
    filter.update(0.2);
    EXPECT_EQ(filter.update(0.6), 0.6);
}

TEST(EMAFilter, ChangingAlphaKeepsTheSmoothedValue) {
    EMAFilter filter(1.0);
    filter.update(0.2);
    filter.setAlpha(0.5);
    EXPECT_EQ(filter.value(), 0.2);
    EXPECT_DOUBLE_EQ(filter.update(0.6), 0.4);
}

TEST(EMAFilter, NonFiniteSampleCarriesUntilReset) {
    EMAFilter filter(0.5);
    filter.update(0.2);
    filter.update(kNaN);
    EXPECT_TRUE(std::isnan(filter.update(0.3)));
    filter.reset();
    EXPECT_EQ(filter.update(0.3), 0.3);
}

}  // namespace
}  // namespace zephrane
