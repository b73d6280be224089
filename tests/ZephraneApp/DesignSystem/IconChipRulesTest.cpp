#include "ZephraneApp/DesignSystem/Controls/IconChipRules.hpp"

#include <gtest/gtest.h>

namespace zephrane::design {
namespace {

TEST(IconChipRulesTest, HoverRevealDimsUntilHoveredOrFocused) {
    const struct {
        bool hoverReveal, hovering, focused;
        double opacity;
    } rows[] = {
        {false, false, false, 1.0}, {false, true, false, 1.0}, {false, false, true, 1.0},  // never dimmed
        {true, false, false, 0.35},                                                     // at rest
        {true, true, false, 0.8},   {true, false, true, 0.8},  {true, true, true, 0.8},   // pointer or keyboard
    };
    for (const auto& row : rows)
        EXPECT_DOUBLE_EQ(iconChipOpacity(row.hoverReveal, row.hovering, row.focused), row.opacity)
            << row.hoverReveal << row.hovering << row.focused;
}

TEST(IconChipRulesTest, OnlyTheChipStyleHasAFill) {
    for (auto appearance : {Theme::Appearance::light, Theme::Appearance::dark}) {
        EXPECT_EQ(iconChipFill(IconChipStyle::chip, appearance),
                  Theme::systemColor(Theme::SystemColor::quaternaryFill).resolve(appearance));
        EXPECT_FALSE(iconChipFill(IconChipStyle::bare, appearance).has_value());
    }
}

TEST(IconChipRulesTest, ClicksCountInsideTheRoundedOutlineOnly) {
    const QSizeF side(IconChipMetrics::kSide, IconChipMetrics::kSide);
    const struct {
        QPointF point;
        bool inside;
        const char* where;
    } rows[] = {
        {{13, 13}, true, "centre"},
        {{0, 13}, true, "middle of the left edge"},
        {{13, 26}, true, "middle of the bottom edge"},
        {{0.5, 0.5}, false, "top left corner, cut away by the rounding"},
        {{25.5, 25.5}, false, "bottom right corner"},
        {{2.06, 2.06}, true, "just inside the arc (radius 7 from (7, 7))"},
        {{2.0, 2.0}, false, "just outside the arc"},
        {{7, 0}, true, "where the top edge's straight part begins"},
        {{-0.1, 13}, false, "left of the button"},
        {{13, 26.1}, false, "below the button"},
    };
    for (const auto& row : rows) EXPECT_EQ(iconChipContains(side, row.point), row.inside) << row.where;
    // A button smaller than two radii rounds to a circle, never inverted.
    EXPECT_TRUE(iconChipContains({10, 10}, {5, 5}));
    EXPECT_FALSE(iconChipContains({10, 10}, {0.5, 0.5}));
}

}  // namespace
}  // namespace zephrane::design
