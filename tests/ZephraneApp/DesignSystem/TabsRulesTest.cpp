#include "ZephraneApp/DesignSystem/Controls/TabsRules.hpp"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace zephrane::design {
namespace {

using Id = std::optional<std::string>;

TEST(TabsRulesTest, TapSelectsOrClearsWhereAllowed) {
    EXPECT_EQ(tabsTapResult<std::string>(std::string("a"), "a", true), std::nullopt);
    EXPECT_EQ(tabsTapResult<std::string>(std::string("a"), "a", false), "a");
    EXPECT_EQ(tabsTapResult<std::string>(std::string("a"), "b", true), "b");
    EXPECT_EQ(tabsTapResult<std::string>(std::nullopt, "b", true), "b");
}

TEST(TabsRulesTest, ArrowKeysMoveFocusWithoutWrapping) {
    const std::vector<std::string> ids{"quiet", "auto", "max"};
    struct Row { const char* name; Id focused; Id selection; MoveDirection key; Id result; };
    const Row rows[] = {
        {"right from the selection", std::nullopt, "quiet", MoveDirection::right, "auto"},
        {"down is forward too", std::nullopt, "quiet", MoveDirection::down, "auto"},
        {"focus beats selection", "max", "quiet", MoveDirection::left, "auto"},
        {"up is backward", "auto", std::nullopt, MoveDirection::up, "quiet"},
        {"stops at the last", "max", std::nullopt, MoveDirection::right, "max"},
        {"stops at the first", "quiet", std::nullopt, MoveDirection::left, "quiet"},
        {"nothing to start from: first", std::nullopt, std::nullopt, MoveDirection::right, "quiet"},
        {"nothing to start from: last", std::nullopt, std::nullopt, MoveDirection::left, "max"},
        {"selection not listed: first", std::nullopt, "gone", MoveDirection::down, "quiet"},
        {"selection not listed: last", std::nullopt, "gone", MoveDirection::up, "max"},
    };
    for (const Row& row : rows) {
        const auto step = tabsStep(row.key);
        ASSERT_TRUE(step) << row.name;
        EXPECT_EQ(tabsMoveFocus<std::string>(ids, row.focused, row.selection, *step), row.result) << row.name;
    }
    EXPECT_EQ(tabsStep(MoveDirection::none), std::nullopt);
    EXPECT_EQ(tabsMoveFocus<std::string>({}, std::string("a"), std::nullopt, TabsStep::forward), std::nullopt);
}

TEST(TabsRulesTest, RepeatedIdsMoveFromTheFirstOccurrence) {
    const std::vector<int> ids{1, 2, 1, 3};
    EXPECT_EQ(tabsMoveFocus<int>(ids, 1, std::nullopt, TabsStep::forward), 2);
    EXPECT_EQ(tabsMoveFocus<int>(ids, 1, std::nullopt, TabsStep::backward), 1);
}

TEST(TabsRulesTest, MetricsAndSpokenValue) {
    const TabsMetrics regular = tabsMetrics(TabsSize::regular);
    const TabsMetrics compact = tabsMetrics(TabsSize::compact);
    EXPECT_EQ(regular.controlHeight, regular.segmentHeight + 2 * regular.platePadding);
    EXPECT_EQ(compact.controlHeight, compact.segmentHeight + 2 * compact.platePadding);
    EXPECT_EQ(regular.controlHeight, 32);
    EXPECT_EQ(compact.controlHeight, 28);
    EXPECT_EQ(compact.segmentMinimumWidth, 44);
    EXPECT_EQ(regular.titlePadding, 12);
    EXPECT_EQ(tabsSegmentValue(true), "On");
    EXPECT_EQ(tabsSegmentValue(false), "Off");
}

}  // namespace
}  // namespace zephrane::design
