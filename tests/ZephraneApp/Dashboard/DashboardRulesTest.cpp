// The dashboard blocks' rules as tables: the readout's digits and roll, the
// load table's percentages, bars and spoken values, the fan gauge's figures,
// a sensor's symbol, value and spoken text, the device row's texts and
// history summary, and the power card's texts.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ZephraneApp/Dashboard/Rules/DeviceRowText.hpp"
#include "ZephraneApp/Dashboard/Rules/FanGaugeFigures.hpp"
#include "ZephraneApp/Dashboard/Rules/HeroText.hpp"
#include "ZephraneApp/Dashboard/Rules/PowerCardText.hpp"
#include "ZephraneApp/Dashboard/Rules/SensorText.hpp"
#include "ZephraneApp/DesignSystem/Tokens/SymbolTable.hpp"

namespace zephrane::dashboard {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
const std::string kDash = "\u2014";

TEST(ReadoutRules, OneRuleForWhatIsAReadingInTheDigitsAndTheSpeech) {
    struct Case {
        const char* name;
        double celsius;
        bool reading;
    };
    for (const Case& c : {Case{"warm", 47.6, true}, Case{"a tenth above zero", 0.1, true}, Case{"zero", 0, false},
                          Case{"below zero", -3, false}, Case{"not a number", kNaN, false},
                          Case{"infinite", kInf, false}, Case{"minus infinity", -kInf, false}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readoutDigits(c.celsius, "47.6"), c.reading ? "47.6" : kDash);
        EXPECT_EQ(readoutOpacity(c.celsius), c.reading ? 1.0 : 0.45);
        EXPECT_EQ(readoutSpoken(c.celsius, false, true) == "no reading", !c.reading);
    }
    EXPECT_EQ(readoutSpoken(47.6, true, false), "118 degrees Fahrenheit");
}

TEST(ReadoutRules, TheDigitsRollOnTheWholeDegreeOfTheKey) {
    struct Case {
        const char* name;
        double rollKey;
        double celsius;
        double key;
    };
    for (const Case& c : {Case{"the caller's key", 52.9, 47.6, 52}, Case{"no key: the reading's", kNaN, 47.6, 47},
                          Case{"no key, no reading", kNaN, 0, 0}, Case{"no key, below zero", kNaN, -3, 0},
                          Case{"an infinite key counts as none", kInf, 47.6, 47}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readoutRollKey(c.rollKey, c.celsius), c.key);
    }
}

TEST(LoadRules, PercentagesRoundHalvesAwayAndNeverTrap) {
    struct Case {
        double fraction;
        const char* text;
        const char* spoken;
    };
    for (const Case& c : {Case{0.004, "0%", "0 percent"}, Case{0.005, "1%", "1 percent"}, Case{0.425, "43%", "43 percent"},
                          Case{1.0, "100%", "100 percent"}, Case{-0.005, "-1%", "-1 percent"},
                          Case{kNaN, "\u2014", "no reading"}, Case{kInf, "\u2014", "no reading"},
                          Case{1e300, "9223372036854775807%", "9223372036854775807 percent"}}) {
        SCOPED_TRACE(c.fraction);
        EXPECT_EQ(loadPercentText(c.fraction), c.text);
        EXPECT_EQ(loadSpokenValue(c.fraction, ""), c.spoken);
    }
}

TEST(LoadRules, TheDetailIsReadWithOfForItsSlash) {
    EXPECT_EQ(loadSpokenValue(0.63, "20.1 GB / 32.0 GB"), "63 percent, 20.1 GB of 32.0 GB");
    EXPECT_EQ(loadSpokenValue(0.63, "a / b / c"), "63 percent, a of b of c");
    EXPECT_EQ(loadSpokenValue(0.63, "busy"), "63 percent, busy");
    EXPECT_EQ(loadSpokenValue(0.63, "a/b"), "63 percent, a/b");
}

TEST(LoadRules, TheBarIsAtLeastItsHeightAndAtMostItsTrack) {
    struct Case {
        const char* name;
        double fraction;
        double track;
        double width;
    };
    for (const Case& c : {Case{"empty", 0, 200, 6}, Case{"a sliver", 0.01, 200, 6}, Case{"half", 0.5, 200, 100},
                          Case{"full", 1, 200, 200}, Case{"over full", 2.5, 200, 200}, Case{"negative", -1, 200, 6},
                          Case{"not a number", kNaN, 200, 6}, Case{"infinite", kInf, 200, 6},
                          Case{"a track narrower than the bar", 0.5, 4, 4}, Case{"no track", 0.5, 0, 0},
                          Case{"a track that is not a number", 0.5, kNaN, 0}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(loadBarWidth(c.fraction, c.track), c.width);
    }
}

FanGaugeFigures gauge(FanStatus fan, GaugeStyle style, bool manual, double manualTarget = 0,
                      std::vector<std::int64_t> ids = {0}) {
    FanGaugeInput input;
    input.id = fan.id;
    input.fan = fan;
    input.sortedIDs = ids;
    input.style = style;
    input.manualControl = manual;
    input.manualTarget = manualTarget;
    return fanGaugeFigures(input);
}

TEST(FanGaugeRules, SpeedFractionsMarkerAndSpin) {
    const auto at = gauge({0, 3400, 1000, 5800, 3400}, GaugeStyle::regular, false);
    EXPECT_EQ(at.speedText, "3 400");
    EXPECT_DOUBLE_EQ(at.currentFraction, 0.5);
    EXPECT_FALSE(at.targetDiffers);
    EXPECT_DOUBLE_EQ(at.spinRate, 0.5 * 4 * M_PI);
    EXPECT_EQ(at.accessibleLabel, "Fan, 3400 RPM");

    // 0.0005 of 4800 rpm is 2.4 rpm: the marker shows only past it.
    EXPECT_FALSE(gauge({0, 3400, 1000, 5800, 3402.3}, GaugeStyle::regular, false).targetDiffers);
    const auto heading = gauge({0, 3400, 1000, 5800, 3403}, GaugeStyle::regular, false);
    EXPECT_TRUE(heading.targetDiffers);
    EXPECT_EQ(heading.accessibleLabel, "Fan, 3400 RPM, target 3403");
    EXPECT_EQ(gauge({0, 3400, 1000, 5800, 3403}, GaugeStyle::mini, false).accessibleLabel,
              "Fan, 3400 RPM, target 3403");
}

TEST(FanGaugeRules, ManualControlSpeaksTheTargetOnlyInTheRegularGauge) {
    EXPECT_EQ(gauge({0, 3400, 1000, 5800, 3400}, GaugeStyle::regular, true).accessibleLabel,
              "Fan, 3400 RPM, target 3400");
    EXPECT_EQ(gauge({0, 3400, 1000, 5800, 3400}, GaugeStyle::mini, true).accessibleLabel, "Fan, 3400 RPM");
    EXPECT_TRUE(gauge({0, 3400, 1000, 5800, 3400}, GaugeStyle::regular, true).showsSlider);
    EXPECT_FALSE(gauge({0, 3400, 1000, 5800, 3400}, GaugeStyle::mini, true).showsSlider);
    EXPECT_FALSE(gauge({0, 3400, 1000, 5800, 3400}, GaugeStyle::regular, false).showsSlider);
}

TEST(FanGaugeRules, GroupedOnScreenPlainInSpeech) {
    const auto f = gauge({1, 1234.5, 1000, 5800, 1234.5}, GaugeStyle::regular, false, 0, {0, 1});
    EXPECT_EQ(f.speedText, "1 235");
    EXPECT_EQ(f.accessibleLabel, "Right Fan, 1235 RPM");
    EXPECT_EQ(gauge({0, 12000, 1000, 20000, 12000}, GaugeStyle::regular, false).speedText, "12 000");
}

TEST(FanGaugeRules, ARangeThatIsNotARangeStandsStill) {
    const auto f = gauge({0, 1500, 2000, 2000, 1800}, GaugeStyle::regular, true, 1500);
    EXPECT_EQ(f.currentFraction, 0);
    EXPECT_EQ(f.targetFraction, 0);
    EXPECT_FALSE(f.targetDiffers);
    EXPECT_EQ(f.spinRate, 0);
    EXPECT_EQ(f.sliderFrom, 2000);
    EXPECT_EQ(f.sliderTo, 2001);
}

TEST(FanGaugeRules, FiguresThatAreNotNumbersShowADashAndNeverTrap) {
    const auto f = gauge({0, kNaN, kNaN, kInf, kNaN}, GaugeStyle::regular, true, kNaN);
    EXPECT_EQ(f.speedText, kDash);
    EXPECT_EQ(f.accessibleLabel, "Fan, no reading");
    EXPECT_EQ(f.currentFraction, 0);
    EXPECT_EQ(f.sliderFrom, 0);
    EXPECT_EQ(f.sliderTo, 1);
    EXPECT_EQ(f.sliderValue, 0);
    EXPECT_EQ(f.targetCaption, "target \u2014 RPM");
    const auto huge = gauge({0, 1e300, 0, 1e301, 1e300}, GaugeStyle::regular, true, 1e300);
    EXPECT_EQ(huge.speedText, "9 223 372 036 854 775 807");
    EXPECT_EQ(huge.targetCaption, "target 9 223 372 036 854 775 807 RPM");
    EXPECT_EQ(gauge({0, 2400, 1200, 6000, kNaN}, GaugeStyle::regular, true).accessibleLabel, "Fan, 2400 RPM");
}

TEST(FanGaugeRules, TheRegularGaugeStandsStillWhileTheWindowIsHiddenTheMiniOneNever) {
    FanGaugeInput input;
    input.fan = FanStatus{0, 3400, 1000, 5800, 3400};
    input.mainWindowVisible = false;
    EXPECT_EQ(fanGaugeFigures(input).spinRate, 0);
    input.style = GaugeStyle::mini;
    EXPECT_GT(fanGaugeFigures(input).spinRate, 0);
}

TEST(FanGaugeRules, AFanNotInTheTableIsNamedByItsIdAndHasNoReading) {
    FanGaugeInput input;
    input.id = 1;
    const std::vector<std::int64_t> ids{0, 1, 2};
    input.sortedIDs = ids;
    const auto f = fanGaugeFigures(input);
    EXPECT_EQ(f.name, "Fan 2");
    EXPECT_EQ(f.speedText, kDash);
    EXPECT_FALSE(f.showsSlider);
}

TEST(FanGaugeRules, TheCaptionNamesTheManualTarget) {
    EXPECT_EQ(gauge({0, 2000, 1200, 6000, 2000}, GaugeStyle::regular, true, 3456.5).targetCaption, "target 3 457 RPM");
}

SMCSensor sensor(SensorClass sensorClass, double value, SensorCategory category = SensorCategory::cpu) {
    return {"TC0P", "TC0P", "CPU Proximity", category, value, sensorClass, ""};
}

TEST(SensorRules, ValueTextsByClass) {
    struct Case {
        const char* name;
        SMCSensor sensor;
        bool fahrenheit;
        bool precise;
        const char* text;
    };
    for (const Case& c : {
             Case{"temperature", sensor(SensorClass::temperature, 54.25), false, true, "54.2\u00B0C"},
             Case{"temperature, whole", sensor(SensorClass::temperature, 54.6), false, false, "55\u00B0C"},
             Case{"temperature, Fahrenheit", sensor(SensorClass::temperature, 100), true, true, "212.0\u00B0F"},
             Case{"power", sensor(SensorClass::power, 5.5), false, true, "5.50 W"},
             Case{"voltage", sensor(SensorClass::voltage, 12.345), false, true, "12.35 V"},
             Case{"current", sensor(SensorClass::current, 0.5), false, true, "0.50 A"},
             Case{"fan, halves away", sensor(SensorClass::fan, 999.5), false, true, "1 000 RPM"},
             Case{"fan, still", sensor(SensorClass::fan, 0), false, true, "0 RPM"},
             Case{"fan, past the integers", sensor(SensorClass::fan, 1e30), false, true, "9 223 372 036 854 775 807 RPM"},
             Case{"other", sensor(SensorClass::other, 3.14159), false, true, "3.14"},
             Case{"not a number", sensor(SensorClass::temperature, kNaN), false, true, "\u2014"},
             Case{"infinite power", sensor(SensorClass::power, kInf), false, true, "\u2014"},
         }) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sensorValueText(c.sensor, c.fahrenheit, c.precise), c.text);
    }
}

TEST(SensorRules, OnlyAFiniteTemperatureFrom72TakesTheHeatColour) {
    EXPECT_TRUE(sensorValueIsHot(sensor(SensorClass::temperature, 72.0)));
    EXPECT_FALSE(sensorValueIsHot(sensor(SensorClass::temperature, 71.9)));
    EXPECT_FALSE(sensorValueIsHot(sensor(SensorClass::power, 90)));
    // A value that is not a reading shows the dash in the primary colour.
    EXPECT_FALSE(sensorValueIsHot(sensor(SensorClass::temperature, kInf)));
    EXPECT_FALSE(sensorValueIsHot(sensor(SensorClass::temperature, kNaN)));
}

TEST(SensorRules, SymbolsByClassAndCategoryAllDraw) {
    EXPECT_EQ(sensorSymbolName(sensor(SensorClass::temperature, 50, SensorCategory::gpu)), "memorychip");
    EXPECT_EQ(sensorSymbolName(sensor(SensorClass::temperature, 50, SensorCategory::memory)), "memorychip");
    EXPECT_EQ(sensorSymbolName(sensor(SensorClass::temperature, 50, SensorCategory::neuralEngine)), "brain");
    EXPECT_EQ(sensorSymbolName(sensor(SensorClass::voltage, 12, SensorCategory::gpu)), "powerplug.fill");
    std::vector<std::string> used{"pin", "pin.slash", "chevron.right", "sensor", "magnifyingglass", "thermometer.medium",
                                  "fan.fill", "powerplug", "bolt.slash"};
    for (SensorClass c : allCases<SensorClass>())
        for (SensorCategory g : allCases<SensorCategory>()) used.push_back(sensorSymbolName(sensor(c, 1, g)));
    for (int level : {0, 20, 50, 70, 100}) used.push_back(batterySymbol(level));
    for (const std::string& name : used) EXPECT_TRUE(design::symbolNamed(name).has_value()) << name;
}

TEST(SensorRules, SpokenTextAndPinWords) {
    const SMCSensor cpu = sensor(SensorClass::temperature, 54.25);
    EXPECT_EQ(sensorSpokenText(cpu, false, true, false), "CPU Proximity, 54.2\u00B0C");
    EXPECT_EQ(sensorSpokenText(cpu, false, true, true), "CPU Proximity, 54.2\u00B0C, pinned");
    EXPECT_EQ(pinSymbol(true), "pin.slash");
    EXPECT_EQ(pinLabel(true, "CPU"), "Unpin CPU");
    EXPECT_EQ(pinLabel(false, "CPU"), "Pin CPU");
    EXPECT_EQ(pinMenuText(false), "Pin");
}

DeviceRowSettings settings(bool expanded, bool fahrenheit = false, bool interactive = true) {
    return {.fahrenheit = fahrenheit, .precise = true, .expanded = expanded, .interactive = interactive};
}

TEST(DeviceRowRules, ValueColourAndSpokenLabel) {
    const DeviceSensorReading cpu{"cpu.avg", "CPU Core Average", "cpu.fill", 72.0};
    const auto hot = deviceRowDisplay(cpu, {}, settings(false));
    EXPECT_EQ(hot.valueText, "72.0");
    EXPECT_TRUE(hot.valueIsHot);
    EXPECT_EQ(hot.accessibleName, "CPU Core Average, 72.0\u00B0C");
    EXPECT_EQ(hot.hint, "Expands the history graph.");
    EXPECT_EQ(hot.accessibleValue, "");
    EXPECT_FALSE(deviceRowDisplay({"cpu.avg", "CPU", "cpu", 71.9}, {}, settings(false)).valueIsHot);
    // The threshold is the Celsius value, whatever the scale shown.
    const auto fahrenheit = deviceRowDisplay(cpu, {}, settings(false, true));
    EXPECT_EQ(fahrenheit.valueText, "161.6");
    EXPECT_TRUE(fahrenheit.valueIsHot);

    for (std::optional<double> none : {std::optional<double>(), std::optional<double>(kNaN), std::optional<double>(kInf)}) {
        const auto missing = deviceRowDisplay({"gpu.0", "GPU Cluster 1", "memorychip", none}, {}, settings(false));
        EXPECT_FALSE(missing.hasValue);
        EXPECT_EQ(missing.valueText, kDash);
        EXPECT_FALSE(missing.valueIsHot);
        EXPECT_EQ(missing.accessibleName, "GPU Cluster 1, no reading");
    }
}

TEST(DeviceRowRules, TheExpandedHistoryInTheScaleShown) {
    const DeviceSensorReading cpu{"cpu.avg", "CPU", "cpu", 61.5};
    const std::vector<double> history{60, 58.4, 63.2, 61.5};
    const auto shown = deviceRowDisplay(cpu, history, settings(true));
    EXPECT_EQ(shown.hint, "Collapses the history graph.");
    EXPECT_EQ(shown.accessibleValue, "62\u00B0C, ranging 58\u00B0C to 63\u00B0C");
    EXPECT_EQ(shown.accessibleDescription, "62\u00B0C, ranging 58\u00B0C to 63\u00B0C. Collapses the history graph.");
    EXPECT_TRUE(shown.hasExtremes);
    EXPECT_EQ(shown.minText, "min 58.4\u00B0C");
    EXPECT_EQ(shown.maxText, "max 63.2\u00B0C");
    EXPECT_EQ(shown.graphTintCelsius, 61.5);

    const auto fahrenheit = deviceRowDisplay(cpu, history, settings(true, true));
    EXPECT_EQ(fahrenheit.accessibleValue, "143\u00B0F, ranging 137\u00B0F to 146\u00B0F");
    EXPECT_EQ(fahrenheit.minText, "min 137.1\u00B0F");
}

TEST(DeviceRowRules, AnEmptyOrBrokenHistory) {
    const auto empty = deviceRowDisplay({"cpu.avg", "CPU", "cpu", std::nullopt}, {}, settings(true));
    EXPECT_EQ(empty.accessibleValue, "No data");
    EXPECT_FALSE(empty.hasExtremes);
    EXPECT_EQ(empty.graphTintCelsius, 0);

    const std::vector<double> broken{kNaN, 50, kInf, 55, kNaN};
    const auto shown = deviceRowDisplay({"cpu.avg", "CPU", "cpu", std::nullopt}, broken, settings(true));
    EXPECT_EQ(shown.graphTintCelsius, 55) << "the newest value that is a number";
    EXPECT_EQ(shown.minText, "min 50.0\u00B0C");
    EXPECT_EQ(shown.maxText, "max 55.0\u00B0C");
}

TEST(DeviceRowRules, ARowWithoutTapsHasNoHintAndTheChevron) {
    EXPECT_EQ(deviceRowDisplay({"TB0T", "Battery", "x", 30.0}, {}, settings(false, false, false)).hint, "");
    EXPECT_EQ(chevronRotation(true, false), 90);
    EXPECT_EQ(chevronRotation(true, true), 0);
    EXPECT_EQ(chevronRotation(false, false), 0);
    EXPECT_EQ(chevronOpacity(false, false), 0.35);
    EXPECT_EQ(chevronOpacity(true, false), 0.8);
    EXPECT_EQ(chevronOpacity(false, true), 0.8);
}

PowerTelemetry onAdapter(double watts) {
    PowerTelemetry p;
    p.source = PowerSource::ac;
    p.adapterWatts = watts;
    return p;
}

PowerTelemetry onBattery(std::int64_t level) {
    PowerTelemetry p;
    p.source = PowerSource::battery;
    p.hasBattery = true;
    p.batteryLevelPercent = level;
    return p;
}

TEST(PowerRules, SymbolsAndChargeWords) {
    struct Case {
        std::optional<std::int64_t> level;
        const char* symbol;
    };
    for (const Case& c : {Case{std::nullopt, "battery.100percent"}, Case{12, "battery.0percent"},
                          Case{13, "battery.25percent"}, Case{37, "battery.25percent"}, Case{38, "battery.50percent"},
                          Case{62, "battery.50percent"}, Case{63, "battery.75percent"}, Case{87, "battery.75percent"},
                          Case{88, "battery.100percent"}}) {
        EXPECT_EQ(batterySymbol(c.level), c.symbol) << (c.level ? *c.level : -1);
    }
    EXPECT_EQ(powerSymbol(onAdapter(96)), "powerplug");
    EXPECT_EQ(powerSymbol(PowerTelemetry{}), "bolt.slash");
    EXPECT_EQ(powerSymbol(onBattery(12)), "battery.0percent");
    EXPECT_EQ(chargeText(onAdapter(96)), "Connected");
    EXPECT_EQ(chargeText(PowerTelemetry{}), "Unavailable");
    EXPECT_EQ(chargeText(onBattery(12)), "Discharging");
}

TEST(PowerRules, TheHeadlineFigure) {
    EXPECT_EQ(powerSummary(onAdapter(96)), (PowerSummary{"96 W", "Adapter Maximum",
                                                         "Maximum wattage reported by the connected power adapter, not "
                                                         "current consumption."}));
    EXPECT_EQ(powerSummary(onBattery(12)).value, "12%");
    EXPECT_EQ(powerSummary(onBattery(12)).label, "Battery Charge");
    EXPECT_EQ(powerSummary(PowerTelemetry{}), (PowerSummary{"Unknown", "Current Source", "The Mac's current power source."}));
    EXPECT_EQ(adapterFigure(67.5), "67.5 W");
    EXPECT_EQ(adapterFigure(140), "140 W");
    EXPECT_EQ(adapterFigure(0), "Not available");
    EXPECT_EQ(adapterFigure(kNaN), "Not available");
    EXPECT_EQ(adapterFigure(kInf), kDash);
}

TEST(PowerRules, BatteryHealth) {
    EXPECT_EQ(batteryHealthText(onAdapter(96)), std::nullopt);
    PowerTelemetry battery = onBattery(50);
    EXPECT_EQ(batteryHealthText(battery), kDash);
    battery.batteryHealthPercent = 87;
    EXPECT_EQ(batteryHealthText(battery), "87%");
}

TEST(PowerRules, TheSevenFigures) {
    const auto desktop = powerMetrics(onAdapter(96), std::nullopt, 3.0, {});
    std::vector<std::string> values;
    for (const PowerMetric& m : desktop) values.push_back(m.value);
    EXPECT_EQ(values, (std::vector<std::string>{kDash, "96 W", "Not available", "Not available", "Not available",
                                                "0.0 W", "Adapter"}));
    EXPECT_EQ(desktop[6].help, "Power Source: Adapter");
    EXPECT_EQ(desktop[0].label, "System Power");

    PowerTelemetry laptop = onBattery(80);
    laptop.batteryCycleCount = 1234;
    laptop.batteryWattHours = 99.6;
    const std::vector<PowerTelemetry::FanSpeed> fans{{6000, 6000}, {3000, 6000}};
    const auto figures = powerMetrics(laptop, 0.0, 14.25, fans);
    EXPECT_EQ(figures[0].value, "0.0 W");
    EXPECT_EQ(figures[2].value, "14.2 W");
    EXPECT_EQ(figures[3].value, "1234");
    EXPECT_EQ(figures[4].value, "99.6 Wh");
    EXPECT_EQ(figures[5].value, "2.8 W");  // 2.5 + 2.5 / 8
    EXPECT_EQ(powerMetrics(laptop, kNaN, kInf, {})[0].value, kDash);
    EXPECT_EQ(powerMetrics(laptop, kNaN, kInf, {})[2].value, kDash);
}

}  // namespace
}  // namespace zephrane::dashboard
