// The modes screen's words and the editor's rules: the sensor pickers'
// entries and selections (a sensor the machine no longer lists is shown as
// the first entry and kept), the editor's target, the spoken symbols, and
// what a row shows and says of its mode.
#include <gtest/gtest.h>

#include "ZephraneApp/Modes/ModeEditorRules.hpp"
#include "ZephraneApp/Modes/ModesText.hpp"

namespace zephrane::modes {
namespace {

const std::vector<DeviceSensorReading> kReadings{
    {"cpu.avg", "CPU Core Average", "cpu.fill", 51.0},
    {"TB0T", "Battery", "minus.plus.batteryblock", std::nullopt},
};

CustomMode mode(std::string name, std::optional<ModeSensor> display = std::nullopt) {
    return CustomMode(Uuid::random(), std::move(name), "mic.fill", ModeSpeed::floor(0.25),
                      ModeSensor::source(ControlSource::hottest), std::move(display), false);
}

TEST(ModesRulesTest, SensorOptionsListTheAggregatesThenTheReadings) {
    const auto options = modeSensorOptions(kReadings);
    const std::vector<ModeSensorPickerOption> expected{
        {"mode-sensor.source.hottest", "Hottest Sensor", ModeSensor::source(ControlSource::hottest)},
        {"mode-sensor.source.cpuAverage", "CPU Core Average", ModeSensor::source(ControlSource::cpuAverage)},
        {"mode-sensor.source.cpuPerformance", "CPU Performance", ModeSensor::source(ControlSource::cpuPerformance)},
        {"mode-sensor.source.cpuEfficiency", "CPU Efficiency", ModeSensor::source(ControlSource::cpuEfficiency)},
        {"mode-sensor.source.gpuAverage", "GPU Average", ModeSensor::source(ControlSource::gpuAverage)},
        {"mode-sensor.sensor.cpu.avg", "CPU Core Average", ModeSensor::sensor("cpu.avg")},
        {"mode-sensor.sensor.TB0T", "Battery", ModeSensor::sensor("TB0T")},
    };
    EXPECT_EQ(options, expected);
    const auto display = displaySensorOptions(kReadings);
    ASSERT_EQ(display.size(), expected.size() + 1);
    EXPECT_EQ(display.front(), (ModeSensorPickerOption{"mode-sensor.same-as-trigger", "Same as trigger", std::nullopt}));
    EXPECT_EQ(display[1], expected.front());
    EXPECT_EQ(modeSensorOptions({}).size(), 5U) << "no device readings still offers the aggregates";
}

TEST(ModesRulesTest, TriggerPickerShowsAndChooses) {
    const auto options = modeSensorOptions(kReadings);
    struct Row { ModeSensor trigger; const char* shown; const char* edge; };
    const Row rows[] = {
        {ModeSensor::source(ControlSource::gpuAverage), "mode-sensor.source.gpuAverage", "an aggregate"},
        {ModeSensor::sensor("TB0T"), "mode-sensor.sensor.TB0T", "a listed device sensor"},
        {ModeSensor::sensor("gone"), "mode-sensor.source.hottest", "a sensor no longer listed shows the first entry"},
        {ModeSensor::sensor("hottest"), "mode-sensor.source.hottest", "a device id spelt like a source is no source"},
    };
    for (const Row& row : rows) EXPECT_EQ(triggerSelection(options, row.trigger), row.shown) << row.edge;

    EXPECT_EQ(chosenTrigger(options, "mode-sensor.sensor.cpu.avg"), ModeSensor::sensor("cpu.avg"));
    EXPECT_EQ(chosenTrigger(options, "mode-sensor.source.cpuEfficiency"),
              ModeSensor::source(ControlSource::cpuEfficiency));
    EXPECT_EQ(chosenTrigger(options, "mode-sensor.sensor.gone"), std::nullopt) << "an unknown id changes nothing";
    EXPECT_EQ(triggerSelection({}, ModeSensor::source(ControlSource::hottest)), "");
}

TEST(ModesRulesTest, DisplayPickerShowsAndChooses) {
    const auto options = displaySensorOptions(kReadings);
    struct Row { std::optional<ModeSensor> choice; const char* shown; const char* edge; };
    const Row rows[] = {
        {std::nullopt, "mode-sensor.same-as-trigger", "no choice"},
        {ModeSensor::sensor("cpu.avg"), "mode-sensor.sensor.cpu.avg", "a listed sensor"},
        {ModeSensor::source(ControlSource::hottest), "mode-sensor.source.hottest", "an aggregate"},
        {ModeSensor::sensor("gone"), "mode-sensor.same-as-trigger", "a sensor no longer listed"},
    };
    for (const Row& row : rows) EXPECT_EQ(displaySelection(options, row.choice), row.shown) << row.edge;

    EXPECT_EQ(chosenDisplay(options, "mode-sensor.sensor.TB0T"), ModeSensor::sensor("TB0T"));
    EXPECT_EQ(chosenDisplay(options, "mode-sensor.same-as-trigger"), std::nullopt);
    EXPECT_EQ(chosenDisplay(options, "mode-sensor.sensor.gone"), std::nullopt) << "an unknown id clears the choice";
}

TEST(ModesRulesTest, EditorTargetIdentityAndEquality) {
    const CustomMode gaming = mode("Gaming");
    CustomMode renamed = gaming;
    renamed.setName("Games");
    EXPECT_EQ(ModeEditorTarget::newMode().identity(), "new");
    EXPECT_EQ(ModeEditorTarget::edit(gaming).identity(), gaming.id().uuidString());
    EXPECT_EQ(ModeEditorTarget::newMode(), ModeEditorTarget::newMode());
    EXPECT_EQ(ModeEditorTarget::edit(gaming), ModeEditorTarget::edit(gaming));
    EXPECT_NE(ModeEditorTarget::edit(gaming), ModeEditorTarget::edit(renamed)) << "equal only in every field";
    EXPECT_EQ(ModeEditorTarget::edit(gaming).identity(), ModeEditorTarget::edit(renamed).identity());
    EXPECT_NE(ModeEditorTarget::newMode(), ModeEditorTarget::edit(gaming));
}

TEST(ModesRulesTest, SymbolsAreSpokenByTheirLabels) {
    const std::pair<const char*, const char*> rows[] = {
        {"gamecontroller.fill", "Game Controller"}, {"mic.fill", "Microphone"}, {"cube.fill", "Cube"},
        {"flame.fill", "Flame"},  {"bolt.fill", "Bolt"},   {"moon.fill", "Moon"},
        {"film.fill", "Film"},    {"chart.bar.fill", "Bar Chart"},
        {"leaf.circle.fill", "leaf circle fill"},  // no entry: the name, dots made spaces
    };
    for (const auto& [symbol, label] : rows) EXPECT_EQ(symbolAccessibilityLabel(symbol), label) << symbol;
    for (std::string_view symbol : CustomMode::curatedSymbolNames)
        EXPECT_EQ(symbolAccessibilityLabel(symbol).find('.'), std::string::npos) << symbol << " has a label";
}

TEST(ModesRulesTest, ScreenWords) {
    EXPECT_EQ(modeCountText(1), "1 custom mode");
    EXPECT_EQ(modeCountText(2), "2 custom modes");
    EXPECT_EQ(modeCountText(12), "12 custom modes");
    EXPECT_EQ(modeDisabledReason(false), "This Mac reports no controllable fans.");
    EXPECT_EQ(modeDisabledReason(true), std::nullopt);
    EXPECT_EQ(templateAccessibilityLabel("Gaming"), "Start from Gaming");
    EXPECT_EQ(templateAccessibilityHint("Gaming", "4 560 RPM"), "Adds a custom mode named Gaming with a 4 560 RPM speed");
    EXPECT_EQ(deleteConfirmationMessage("Gaming"), "\u201CGaming\u201D will be removed. This can't be undone.");
    EXPECT_EQ(deleteConfirmationMessage("The \"loud\" one"),
              "\u201CThe \"loud\" one\u201D will be removed. This can't be undone.")
        << "quotation marks in a name stay as they are";
    EXPECT_EQ(deleteConfirmationMessage(""), "\u201C\u201D will be removed. This can't be undone.");
    EXPECT_EQ(modeEditorTitle(true), "Edit Custom Mode");
    EXPECT_EQ(modeEditorTitle(false), "New Custom Mode");
    EXPECT_EQ(modeSpeedKindText(true), "Fixed");
    EXPECT_EQ(modeSpeedSliderLabel(false), "Minimum speed");
}

TEST(ModesRulesTest, RowShowsItsShownSensor) {
    const CustomMode plain = mode("Plain");
    const CustomMode shown = mode("Shown", ModeSensor::sensor("TB0T"));
    EXPECT_EQ(shownSensor(plain), ModeSensor::source(ControlSource::hottest)) << "no display sensor: the trigger";
    EXPECT_EQ(shownSensor(shown), ModeSensor::sensor("TB0T"));

    struct Row { std::optional<double> celsius; bool fahrenheit, precise; const char* text; bool hot; const char* edge; };
    const Row rows[] = {
        {std::nullopt, false, true, "\u2014", false, "no reading"},
        {45.26, false, true, "45.3\u00b0C", false, "precise"},
        {45.6, false, false, "46\u00b0C", false, "whole degrees"},
        {72.0, false, true, "72.0\u00b0C", true, "72 °C is hot"},
        {71.9, false, true, "71.9\u00b0C", false, "just under"},
        {72.0, true, false, "162\u00b0F", true, "the threshold is in Celsius"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(modeTemperatureText(row.celsius, row.fahrenheit, row.precise), row.text) << row.edge;
        EXPECT_EQ(modeTemperatureIsHot(row.celsius), row.hot) << row.edge;
    }
}

TEST(ModesRulesTest, RowSpokenValueAndHint) {
    EXPECT_EQ(modeRowAccessibilityValue(true, "Min 2 400 RPM", "Hottest Sensor", "62.1\u00b0C"),
              "On. Min 2 400 RPM. Hottest Sensor, 62.1\u00b0C.");
    EXPECT_EQ(modeRowAccessibilityValue(false, "Fixed 70%", "Sensor", "\u2014"), "Off. Fixed 70%. Sensor, \u2014.");
    EXPECT_EQ(modeRowHint(true), "Turns off, returning control to Apple Auto.");
    EXPECT_EQ(modeRowHint(false), "Engages this mode.");
    EXPECT_EQ(editChipLabel("Gaming"), "Edit Gaming");
    EXPECT_EQ(deleteChipLabel("Gaming"), "Delete Gaming");
}

}  // namespace
}  // namespace zephrane::modes
