#include "ZephraneApp/DesignSystem/Controls/SliderRules.hpp"

#include <limits>

#include <gtest/gtest.h>

namespace zephrane::design {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(SliderRulesTest, PointerPositionToValue) {
    struct Row { double x, width; bool rtl; double value; };
    const Row rows[] = {
        {50, 200, false, 0.25}, {50, 200, true, 0.75},
        {200, 200, true, 0.0},  {0, 200, true, 1.0},    // mirrored ends
        {-30, 200, false, 0.0}, {260, 200, false, 1.0}, // dragged past the ends
        {0.4, 1, false, 0.4},   {0.4, 0, true, 0.6},    // a track too narrow to divide by
        {7, 0.5, false, 1.0},
    };
    for (const Row& row : rows)
        EXPECT_DOUBLE_EQ(sliderFractionAt(row.x, row.width, row.rtl), row.value) << row.x << "/" << row.width;
}

TEST(SliderRulesTest, ArrowKeysStepAndMirrorLeftAndRight) {
    struct Row { double value; MoveDirection key; bool rtl; double result; };
    const Row rows[] = {
        {0.5, MoveDirection::up, false, 0.55},   {0.5, MoveDirection::down, false, 0.45},
        {0.5, MoveDirection::right, false, 0.55}, {0.5, MoveDirection::left, false, 0.45},
        {0.5, MoveDirection::left, true, 0.55},  {0.5, MoveDirection::right, true, 0.45},
        {0.5, MoveDirection::up, true, 0.55},    {0.5, MoveDirection::none, false, 0.5},
        {1.0, MoveDirection::up, false, 1.0},    {0.02, MoveDirection::down, false, 0.0},
        {kNaN, MoveDirection::up, false, 0.05},
        // Stepped as bound, then clamped: outside the range, a step lands on
        // the nearer end, or inside when it is a step from it.
        {1.7, MoveDirection::down, false, 1.0},  {1.03, MoveDirection::down, false, 0.98},
        {-0.3, MoveDirection::up, false, 0.0},   {-0.02, MoveDirection::right, false, 0.03},
        {1.2, MoveDirection::left, true, 1.0},   {1.2, MoveDirection::up, false, 1.0},
    };
    for (const Row& row : rows)
        EXPECT_NEAR(sliderSteppedValue(row.value, row.key, row.rtl), row.result, 1e-12)
            << row.value << " " << static_cast<int>(row.key) << " rtl " << row.rtl;
}

TEST(SliderRulesTest, TrackDrawsTheValueClampedAndItsIconOnceTheFillReachesIt) {
    EXPECT_EQ(sliderFraction(-0.5), 0.0);
    EXPECT_EQ(sliderFraction(1.5), 1.0);
    EXPECT_EQ(sliderFraction(kNaN), 0.0);
    EXPECT_TRUE(sliderIconOnFill(220, 0.1));   // 22 pt exactly
    EXPECT_FALSE(sliderIconOnFill(219, 0.1));
    EXPECT_TRUE(sliderIconOnFill(30, 4.0));    // drawn clamped to the full width
}

TEST(SliderRulesTest, PendingLabelReplacesTheTrailingIconOnlyWhileDragging) {
    EXPECT_EQ(sliderTrailing(true, true, true), SliderTrailing::pendingLabel);
    EXPECT_EQ(sliderTrailing(false, true, true), SliderTrailing::icon);
    EXPECT_EQ(sliderTrailing(true, false, true), SliderTrailing::icon);
    EXPECT_EQ(sliderTrailing(false, true, false), SliderTrailing::nothing);
}

}  // namespace
}  // namespace zephrane::design
