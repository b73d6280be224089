// The settings rows' texts and lookups: spool rate, smoothing, caps,
// thresholds in either unit, the rule of a category and its summary, and
// the pickers' labels.
#include "ZephraneApp/Settings/SettingsRowRules.hpp"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace zephrane::settingsview {
namespace {

TEST(SettingsRowRules, SpoolRateReadsInstantAtTheSlidersEndAndCutsTowardZeroBelowIt) {
    struct Case {
        const char* edge;
        double rate;
        const char* text;
    };
    const Case cases[] = {
        {"the default", 900, "900 RPM/s"},
        {"cut, not rounded", 1234.9, "1234 RPM/s"},
        {"just under the end", 8999.6, "8999 RPM/s"},
        {"the end", 9000, "Instant"},
        {"past the end", 12000, "Instant"},
        {"the slider's start", 120, "120 RPM/s"},
        {"no grouping of thousands", 4500, "4500 RPM/s"},
        {"infinite", std::numeric_limits<double>::infinity(), "Instant"},
        {"not a number draws as zero", std::nan(""), "0 RPM/s"},
    };
    for (const Case& c : cases) EXPECT_EQ(spoolRateText(c.rate), c.text) << c.edge;
}

TEST(SettingsRowRules, SmoothingAndCapsReadAsTheirRowsShowThem) {
    EXPECT_EQ(smoothingText(0.35), "0.35");
    EXPECT_EQ(smoothingText(1.0), "1.00");
    EXPECT_EQ(smoothingText(0.05), "0.05");
    struct Case {
        const char* edge;
        double cap;
        const char* text;
    };
    const Case cases[] = {
        {"quiet on AC", 0.55, "55%"},
        {"the slider's start", 0.1, "10%"},
        {"full", 1.0, "100%"},
        {"a half rounds away from zero", 0.125, "13%"},
        {"just under a half", 0.1249, "12%"},
        {"not a number draws as zero", std::nan(""), "0%"},
    };
    for (const Case& c : cases) EXPECT_EQ(capText(c.cap), c.text) << c.edge;
}

TEST(SettingsRowRules, APresetWithoutStoredCapsReadsFullOnBothSources) {
    PresetPowerCapsTable caps{{FanPreset::quiet, {0.55, 0.35}}};
    EXPECT_EQ(storedCap(caps, FanPreset::quiet, PowerSource::ac), 0.55);
    EXPECT_EQ(storedCap(caps, FanPreset::quiet, PowerSource::battery), 0.35);
    EXPECT_EQ(storedCap(caps, FanPreset::auto_, PowerSource::ac), 1.0);
    EXPECT_EQ(storedCap(caps, FanPreset::auto_, PowerSource::battery), 1.0);
}

TEST(SettingsRowRules, ThresholdsShowInWholeDegreesOfTheUnitAndTakeTheHeatColourFrom72) {
    EXPECT_EQ(thresholdText(90, false), "90\u00b0C");
    EXPECT_EQ(thresholdText(90, true), "194\u00b0F");
    EXPECT_EQ(thresholdText(95, true), "203\u00b0F");
    EXPECT_EQ(thresholdText(45, true), "113\u00b0F");
    EXPECT_FALSE(thresholdTakesHeatColor(71));
    EXPECT_FALSE(thresholdTakesHeatColor(71.9));
    EXPECT_TRUE(thresholdTakesHeatColor(72));
    EXPECT_TRUE(thresholdTakesHeatColor(100));
}

TEST(SettingsRowRules, ACategorysRuleIsTheStoredOneElseTheDefaultElseOffAt90) {
    const std::map<SensorCategory, AlertRule> defaults{{SensorCategory::battery, {false, 45, false}}};
    const std::map<SensorCategory, AlertRule> stored{{SensorCategory::cpu, {true, 80, true}}};
    EXPECT_EQ(ruleOf(SensorCategory::cpu, stored, defaults), (AlertRule{true, 80, true}));
    EXPECT_EQ(ruleOf(SensorCategory::battery, stored, defaults), (AlertRule{false, 45, false}));
    EXPECT_EQ(ruleOf(SensorCategory::gpu, stored, defaults), (AlertRule{false, 90, false}));
}

TEST(SettingsRowRules, ARulesSummaryIsItsThresholdAndAutoBoostOrOff) {
    struct Case {
        const char* edge;
        AlertRule rule;
        bool fahrenheit;
        const char* text;
    };
    const Case cases[] = {
        {"off, whatever its threshold", {false, 95, true}, false, "Off"},
        {"on", {true, 95, false}, false, "95\u00b0C"},
        {"on with auto-boost", {true, 95, true}, false, "95\u00b0C \u00b7 Auto-boost"},
        {"in Fahrenheit", {true, 95, false}, true, "203\u00b0F"},
    };
    for (const Case& c : cases) EXPECT_EQ(ruleSummaryText(c.rule, c.fahrenheit), c.text) << c.edge;
    EXPECT_EQ(ruleThresholdLabel(SensorCategory::neuralEngine), "Neural Engine threshold");
    EXPECT_EQ(ruleThresholdLabel(SensorCategory::cpu), "CPU threshold");
}

}  // namespace
}  // namespace zephrane::settingsview
