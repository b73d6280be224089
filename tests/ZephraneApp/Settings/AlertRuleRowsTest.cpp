// The Alerts section's per-category rows and the Speed Limits groups on the
// scripted face: what a row reads without a stored rule, what each control
// writes, rows kept in place, and the caps' sliders.
#include "ZephraneApp/Settings/AlertRuleRows.hpp"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include "ZephraneApp/Face/AlertsFace.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/ScriptedEngineFace.hpp"
#include "ZephraneApp/Settings/PresetCapGroup.hpp"

namespace zephrane::settingsview {
namespace {

constexpr int kCpu = 0;
constexpr int kBattery = 4;

class AlertRuleRowsTest : public ::testing::Test {
protected:
    AlertRuleRowsTest() { rows.setFace(&face); }
    QVariant at(int row, AlertRuleRows::Role role) const { return rows.data(rows.index(row), role); }
    std::vector<std::string> commands() const {
        std::vector<std::string> described;
        for (const face::FaceCommand& c : face.commands()) described.push_back(face::describe(c));
        return described;
    }

    face::ScriptedEngineFace face;
    AlertRuleRows rows;
};

TEST_F(AlertRuleRowsTest, EveryCategoryHasARowReadingItsDefaultRuleUntilOneIsStored) {
    ASSERT_EQ(rows.rowCount(), 6);
    QStringList names;
    for (int row = 0; row < rows.rowCount(); ++row) names << at(row, AlertRuleRows::NameRole).toString();
    EXPECT_EQ(names, (QStringList{"CPU", "GPU", "Neural Engine", "Memory", "Battery", "Enclosure"}));
    EXPECT_EQ(at(kBattery, AlertRuleRows::SummaryRole), "Off");
    EXPECT_EQ(at(kBattery, AlertRuleRows::ThresholdCelsiusRole).toDouble(), 45);
    EXPECT_EQ(at(2, AlertRuleRows::ThresholdLabelRole), "Neural Engine threshold");
}

TEST_F(AlertRuleRowsTest, EachControlWritesItsOwnFieldOfTheRuleLookedUpAfresh) {
    rows.setEnabled(kBattery, true);
    EXPECT_EQ(rows.rule(SensorCategory::battery), (AlertRule{true, 45, false}))
        << "enabling a category without a stored rule stores its default threshold";
    rows.setThreshold(kCpu, 88.4);
    rows.setAutoBoost(kCpu, true);
    EXPECT_EQ(commands(), (std::vector<std::string>{"SetAlertRule(battery, true, keep, keep)",
                                                    "SetAlertRule(cpu, keep, 88.000000, keep)",
                                                    "SetAlertRule(cpu, keep, keep, true)"}))
        << "thresholds move in whole degrees";
    EXPECT_EQ(rows.rule(SensorCategory::cpu), (AlertRule{false, 88, true}));
    rows.setEnabled(kBattery, false);
    EXPECT_EQ(rows.rule(SensorCategory::battery).thresholdCelsius, 45) << "turning off keeps the threshold";
}

TEST_F(AlertRuleRowsTest, RowsChangeInPlaceAndTheSummaryFollowsTheUnit) {
    QSignalSpy changed(&rows, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&rows, &QAbstractItemModel::modelReset);
    rows.setEnabled(kCpu, true);
    rows.setAutoBoost(kCpu, true);
    EXPECT_EQ(at(kCpu, AlertRuleRows::SummaryRole), "95\u00b0C \u00b7 Auto-boost");
    face.preferences().setUseFahrenheit(true);
    EXPECT_EQ(at(kCpu, AlertRuleRows::SummaryRole), "203\u00b0F \u00b7 Auto-boost");
    EXPECT_EQ(at(kCpu, AlertRuleRows::ThresholdTextRole), "203\u00b0F");
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(changed.count(), 2 + 6) << "the CPU row once per change of its rule, every row for the unit";
}

TEST_F(AlertRuleRowsTest, OpeningTwoCategoriesKeepsBothAndClosingOneLeavesTheOther) {
    rows.setExpanded(kCpu, true);
    rows.setExpanded(kBattery, true);
    rows.setExpanded(kCpu, false);
    EXPECT_FALSE(at(kCpu, AlertRuleRows::ExpandedRole).toBool());
    EXPECT_TRUE(at(kBattery, AlertRuleRows::ExpandedRole).toBool());
    EXPECT_TRUE(face.commands().empty()) << "opening is the view's own state";
}

TEST(PresetCapGroup, ASliderWritesOnlyItsOwnSourcesCap) {
    face::ScriptedEngineFace face;
    auto state = face.preferences().state();
    state.presetPowerCaps.erase(FanPreset::quiet);
    face.preferences().publish(state);
    PresetCapGroup quiet;
    quiet.setPreferences(&face.preferences());
    EXPECT_EQ(quiet.name(), "Quiet");
    EXPECT_EQ(quiet.acText(), "100%") << "no stored caps: both at the right end";
    EXPECT_EQ(quiet.batteryText(), "100%");
    quiet.setAcCap(0.5);
    EXPECT_EQ(quiet.acText(), "50%");
    EXPECT_EQ(quiet.batteryText(), "35%") << "the default battery cap comes along";
    quiet.setBatteryCap(0.2);
    EXPECT_EQ(quiet.acCap(), 0.5);

    PresetCapGroup balanced;
    balanced.setPreferences(&face.preferences());
    balanced.setPreset(PresetCapGroup::Balanced);
    EXPECT_EQ(balanced.name(), "Balanced");
    EXPECT_EQ(balanced.batteryText(), "70%");
    ASSERT_EQ(face.commands().size(), 2u);
    EXPECT_EQ(face::describe(face.commands()[0]), "SetPresetCap(quiet, 0.500000, keep)");
    EXPECT_EQ(face::describe(face.commands()[1]), "SetPresetCap(quiet, keep, 0.200000)");
}

}  // namespace
}  // namespace zephrane::settingsview
