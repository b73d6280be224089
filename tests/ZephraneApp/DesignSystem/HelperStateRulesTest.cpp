#include "ZephraneApp/DesignSystem/Controls/HelperStateRules.hpp"

#include <gtest/gtest.h>

#include "ZephraneApp/DesignSystem/Tokens/AccentColor.hpp"

namespace zephrane::design {
namespace {

using Kind = HelperState::Kind;

TEST(HelperStateRulesTest, NextStepByIssueAndState) {
    struct Row { bool issue; Kind state; HelperAction action; const char* title; };
    const Row rows[] = {
        {true, Kind::connected, HelperAction::repair, "Repair Helper Setup…"},
        {true, Kind::requiresApproval, HelperAction::repair, "Repair Helper Setup…"},
        {false, Kind::notRegistered, HelperAction::install, "Install fan-control helper"},
        {false, Kind::unavailable, HelperAction::install, "Install fan-control helper"},
        {false, Kind::requiresApproval, HelperAction::approve, "Approve in System Settings"},
        {false, Kind::enabled, HelperAction::connecting, ""},
        {false, Kind::connected, HelperAction::none, ""},
    };
    for (const Row& row : rows) {
        const HelperAction action = helperAction(row.issue, row.state);
        EXPECT_EQ(action, row.action) << static_cast<int>(row.state);
        EXPECT_EQ(helperActionTitle(action), row.title);
    }
    EXPECT_EQ(connectingRowSpacing(true), 8);
    EXPECT_EQ(connectingRowSpacing(false), 10);
}

TEST(HelperStateRulesTest, StatusColours) {
    const QColor violet = Theme::color(Theme::AccentChoice::violet);
    EXPECT_EQ(helperTintColor(helperStateTint(Kind::enabled), Theme::Appearance::light, violet), violet);
    EXPECT_EQ(helperTintColor(helperStateTint(Kind::connected), Theme::Appearance::dark, violet),
              Theme::statusGreen().dark);
    EXPECT_EQ(helperTintColor(helperStateTint(Kind::requiresApproval), Theme::Appearance::light, violet),
              Theme::statusOrange().light);
    EXPECT_EQ(helperStateTint(Kind::notRegistered), HelperTint::secondary);
    const QColor red = helperTintColor(helperStateTint(Kind::unavailable), Theme::Appearance::dark, violet);
    EXPECT_NEAR(red.hsvHueF(), 0.009, 0.001);
    EXPECT_NEAR(red.hsvSaturationF(), 0.92, 0.001);
    EXPECT_EQ(red.valueF(), 1.0F);
    EXPECT_EQ(red, helperTintColor(HelperTint::unavailableRed, Theme::Appearance::light, violet));
}

}  // namespace
}  // namespace zephrane::design
