#include "shared/Saturating.hpp"

#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
using I64 = std::numeric_limits<std::int64_t>;

TEST(Saturating, Int64EdgesNeverUndefined) {
    struct Case { const char* name; double in; std::int64_t out; };
    const Case cases[] = {
        {"nan is zero", kNaN, 0},
        {"+inf sticks to max", kInf, I64::max()},
        {"-inf sticks to min", -kInf, I64::min()},
        {"2^63 is past max", 0x1p63, I64::max()},
        {"largest double below 2^63 fits", 9223372036854774784.0, 9223372036854774784LL},
        {"-2^63 is min exactly", -0x1p63, I64::min()},
        {"far below min", -1e30, I64::min()},
        {"truncates toward zero", -2.9, -2},
        {"plain value", 4200.7, 4200},
    };
    for (const auto& c : cases) EXPECT_EQ(saturatingCast<std::int64_t>(c.in), c.out) << c.name;
}

TEST(Saturating, NarrowAndUnsignedTargets) {
    EXPECT_EQ(saturatingCast<std::uint8_t>(300.0), 255);
    EXPECT_EQ(saturatingCast<std::uint8_t>(-3.0), 0);
    EXPECT_EQ(saturatingCast<std::uint32_t>(kNaN), 0u);
    EXPECT_EQ(saturatingCast<std::int32_t>(3e9), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(saturatingCast<std::uint64_t>(0x1p64), std::numeric_limits<std::uint64_t>::max());
}

TEST(Saturating, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(saturatingRound<std::int64_t>(2.5), 3);
    EXPECT_EQ(saturatingRound<std::int64_t>(-2.5), -3);
    EXPECT_EQ(saturatingRound<std::int64_t>(kNaN), 0);
    EXPECT_EQ(saturatingRound<std::int64_t>(1e300), I64::max());
}

}  // namespace
}  // namespace zephrane
