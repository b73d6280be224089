#include "shared/Clamping.hpp"

#include <cmath>
#include <cstdint>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

TEST(Clamped, LimitsAnyOrderedValueToAClosedRange) {
    EXPECT_EQ(clamped(5, 0, 3), 3);
    EXPECT_EQ(clamped(-1, 0, 3), 0);
    EXPECT_EQ(clamped(2, 0, 3), 2);
    EXPECT_EQ(clamped(7, 4, 4), 4) << "equal bounds give that bound";
    EXPECT_EQ(clamped<std::int64_t>(INT64_MIN, 0, 10), 0);
    EXPECT_EQ(clamped(1.5, 0.0, 1.0), 1.0);
    EXPECT_TRUE(std::isnan(clamped(std::nan(""), 0.0, 1.0))) << "not-a-number passes through";
    static_assert(clamped(12, 0, 10) == 10);
}

}  // namespace
}  // namespace zephrane
