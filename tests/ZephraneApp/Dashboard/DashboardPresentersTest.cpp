// The dashboard's presenters on the scripted face: what each shows of what
// the face holds, that each tells a change only when there is one, and the
// commands the views' actions record.
#include <cmath>
#include <limits>
#include <vector>

#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "ZephraneApp/Dashboard/Presenters/DeviceSensorRowPresenter.hpp"
#include "ZephraneApp/Dashboard/Presenters/FanGaugePresenter.hpp"
#include "ZephraneApp/Dashboard/Presenters/GradientDigits.hpp"
#include "ZephraneApp/Dashboard/Presenters/PowerCardPresenter.hpp"
#include "ZephraneApp/Dashboard/Presenters/TemperatureHeroPresenter.hpp"
#include "ZephraneApp/Dashboard/Presenters/TemperatureReadoutPresenter.hpp"
#include "ZephraneApp/Face/DriveFace.hpp"
#include "ZephraneApp/Face/PowerFace.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/ScriptedEngineFace.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"
#include "ZephraneApp/Face/ShellFace.hpp"

namespace zephrane::dashboard {
namespace {

using face::FaceCommand;
using face::ScriptedEngineFace;
namespace command = face::command;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The queued settling of a readout runs.
void settleQueued() { QCoreApplication::processEvents(); }

TEST(TemperatureReadoutPresenter, RollsOnlyWhenTheWholeDegreeChanges) {
    TemperatureReadoutPresenter readout;
    QSignalSpy rolled(&readout, &TemperatureReadoutPresenter::rolled);
    readout.setTemperature(47.6);
    readout.setDigitsText("47.6");
    settleQueued();
    EXPECT_EQ(readout.shownText(), "47.6");
    EXPECT_EQ(readout.rollKey(), 47);
    EXPECT_EQ(rolled.count(), 0) << "the first settling shows, it does not roll";

    // A tenth more: the same whole degree, replaced in place.
    readout.setTemperature(47.9);
    readout.setDigitsText("47.9");
    settleQueued();
    EXPECT_EQ(readout.shownText(), "47.9");
    EXPECT_EQ(rolled.count(), 0);

    // The inputs arrive one binding at a time, in any order: one roll, from
    // what was shown before.
    readout.setDigitsText("48.1");
    readout.setTemperature(48.1);
    settleQueued();
    EXPECT_EQ(rolled.count(), 1);
    EXPECT_EQ(readout.previousText(), "47.9");
    EXPECT_EQ(readout.shownText(), "48.1");
    EXPECT_EQ(readout.bottomCelsius(), 48.1);
    EXPECT_EQ(readout.topCelsius(), 60.1);
}

TEST(TemperatureReadoutPresenter, TheCallersKeyDrivesTheRoll) {
    TemperatureReadoutPresenter readout;
    QSignalSpy rolled(&readout, &TemperatureReadoutPresenter::rolled);
    readout.setTemperature(47.6);
    readout.setDigitsText("117.7");
    readout.setNumericRollKey(47.6);
    settleQueued();
    readout.setDigitsText("117.5");  // Fahrenheit digits of 47.5
    readout.setTemperature(47.5);
    readout.setNumericRollKey(47.5);
    settleQueued();
    EXPECT_EQ(rolled.count(), 0);
    readout.setNumericRollKey(48.0);
    settleQueued();
    EXPECT_EQ(rolled.count(), 1);
}

TEST(TemperatureReadoutPresenter, NoReadingShowsTheDashDimmed) {
    for (double celsius : {0.0, -3.0, kNaN, std::numeric_limits<double>::infinity()}) {
        TemperatureReadoutPresenter readout;
        readout.setTemperature(celsius);
        readout.setDigitsText("-3");
        readout.settle();
        EXPECT_EQ(readout.shownText(), "\u2014") << celsius;
        EXPECT_FALSE(readout.hasReading());
        EXPECT_EQ(readout.opacity(), 0.45);
    }
}

TEST(GradientDigits, ALongValueInANarrowSpaceShrinksToNoLessThan55Percent) {
    GradientDigits digits;
    QFont font("DejaVu Sans");
    font.setPixelSize(42);
    digits.setFont(font);
    digits.setText("1234.5");
    const double full = digits.implicitWidth();
    ASSERT_GT(full, 0);
    digits.setWidth(full);
    EXPECT_EQ(digits.shownScale(), 1.0);
    digits.setWidth(full * 0.8);
    EXPECT_NEAR(digits.shownScale(), 0.8, 0.01);
    digits.setWidth(full * 0.3);
    EXPECT_EQ(digits.shownScale(), 0.55);
}

void publishTemperature(ScriptedEngineFace& face, double celsius, const char* source) {
    auto state = face.sensors().state();
    state.displayedTemperature = celsius;
    state.heroDisplayTemperature = celsius;
    state.displayedTemperatureSourceLabel = source;
    face.sensors().publish(state);
}

void setFahrenheit(ScriptedEngineFace& face, bool on) {
    auto prefs = face.preferences().state();
    prefs.useFahrenheit = on;
    face.preferences().publish(prefs);
}

TEST(TemperatureHeroPresenter, TheShownTemperatureInTheUnitsChosen) {
    ScriptedEngineFace face;
    TemperatureHeroPresenter hero;
    hero.setFace(&face);
    QSignalSpy changed(&hero, &TemperatureHeroPresenter::changed);
    publishTemperature(face, 61.46, "Hottest");
    EXPECT_EQ(hero.digitsText(), "61.5");
    EXPECT_EQ(hero.unitText(), "\u00B0C");
    EXPECT_EQ(hero.rollKey(), 61.46);
    EXPECT_EQ(hero.sourceLabel(), "Hottest");
    EXPECT_EQ(hero.accessibleName(), "Hottest temperature");
    EXPECT_EQ(hero.accessibleValue(), "61.5 degrees Celsius");
    EXPECT_EQ(changed.count(), 1);

    setFahrenheit(face, true);
    EXPECT_EQ(hero.digitsText(), "142.6");
    EXPECT_EQ(hero.unitText(), "\u00B0F");
    EXPECT_EQ(hero.rollKey(), 61.46) << "the key stays Celsius";
    EXPECT_EQ(changed.count(), 2);

    publishTemperature(face, 61.46, "Hottest");  // the same again
    EXPECT_EQ(changed.count(), 2);

    publishTemperature(face, 0, "Hottest");
    EXPECT_EQ(hero.accessibleValue(), "no reading");
}

TEST(TemperatureHeroPresenter, TheLoadRowsTexts) {
    TemperatureHeroPresenter hero;
    EXPECT_EQ(hero.percentText(0.005), "1%");
    EXPECT_EQ(hero.spokenLoad(0.63, "20.1 GB / 32.0 GB"), "63 percent, 20.1 GB of 32.0 GB");
    EXPECT_EQ(hero.barWidth(kNaN, 120), 6);
    EXPECT_TRUE(hero.isOverallLoad("Load"));
    EXPECT_FALSE(hero.isOverallLoad("CPU"));
}

void publishFans(ScriptedEngineFace& face, std::map<int, FanStatus> fans, std::map<int, double> manual) {
    face.drive().fans().update(fans, manual, {});
    auto drive = face.drive().state();
    drive.isManualControl = !manual.empty();
    face.drive().publish(drive);
}

TEST(FanGaugePresenter, TheFanOfItsIdFromTheFace) {
    ScriptedEngineFace face;
    FanGaugePresenter gauge;
    gauge.setFace(&face);
    gauge.setFanId(1);
    gauge.setSortedIDs(QVariantList{0, 1});
    EXPECT_EQ(gauge.speedText(), "\u2014") << "no such fan yet";
    publishFans(face, {{0, FanStatus{0, 2000, 1200, 6000, 2000}}, {1, FanStatus{1, 3600, 1200, 6000, 4800}}}, {});
    EXPECT_EQ(gauge.name(), "Right Fan");
    EXPECT_EQ(gauge.speedText(), "3 600");
    EXPECT_DOUBLE_EQ(gauge.currentFraction(), 0.5);
    EXPECT_DOUBLE_EQ(gauge.targetFraction().toDouble(), 0.75);
    EXPECT_EQ(gauge.accessibleLabel(), "Right Fan, 3600 RPM, target 4800");
    EXPECT_FALSE(gauge.showsSlider());

    gauge.setMini(true);
    EXPECT_FALSE(gauge.targetFraction().isValid()) << "the mini gauge has no marker";

    // The main window hidden: the regular gauge stands still.
    gauge.setMini(false);
    EXPECT_GT(gauge.spinRate(), 0);
    face.shell().setMainWindowVisible(false);
    EXPECT_EQ(gauge.spinRate(), 0);
}

TEST(FanGaugePresenter, UnderManualControlTheSliderSetsTheTargetUnrounded) {
    ScriptedEngineFace face;
    FanGaugePresenter gauge;
    gauge.setFace(&face);
    gauge.setSortedIDs(QVariantList{0});
    publishFans(face, {{0, FanStatus{0, 2000, 1200, 6000, 2000}}}, {{0, 2500}});
    EXPECT_TRUE(gauge.showsSlider());
    EXPECT_EQ(gauge.sliderFrom(), 1200);
    EXPECT_EQ(gauge.sliderTo(), 6000);
    EXPECT_EQ(gauge.sliderValue(), 2500);
    EXPECT_EQ(gauge.sliderLabel(), "Fan target RPM");
    EXPECT_EQ(gauge.targetCaption(), "target 2 500 RPM");
    EXPECT_EQ(gauge.sliderStep(), 48);
    face.clearCommands();
    gauge.setTarget(2612.25);
    gauge.setTarget(2700.5);
    EXPECT_EQ(face.commands(), (std::vector<FaceCommand>{command::SetFanTarget{0, 2612.25}, command::SetFanTarget{0, 2700.5}}));
}

TEST(FanGaugePresenter, TellsAChangeOnlyWhenItsFanChanged) {
    ScriptedEngineFace face;
    FanGaugePresenter gauge;
    gauge.setFace(&face);
    publishFans(face, {{0, FanStatus{0, 2000, 1200, 6000, 2000}}, {1, FanStatus{1, 2100, 1200, 6000, 2100}}}, {});
    QSignalSpy changed(&gauge, &FanGaugePresenter::changed);
    publishFans(face, {{0, FanStatus{0, 2000, 1200, 6000, 2000}}, {1, FanStatus{1, 2900, 1200, 6000, 2900}}}, {});
    EXPECT_EQ(changed.count(), 0) << "the other fan moved";
    publishFans(face, {{0, FanStatus{0, 2200, 1200, 6000, 2200}}, {1, FanStatus{1, 2900, 1200, 6000, 2900}}}, {});
    EXPECT_EQ(changed.count(), 1);
}

void publishDeviceRows(ScriptedEngineFace& face, std::optional<double> cpu, face::DeviceSensorModel::History history) {
    const std::vector<DeviceSensorReading> rows{{"TB0T", "Battery", "minus.plus.batteryblock", 31.0},
                                                {"cpu.avg", "CPU Core Average", "cpu.fill", cpu}};
    face.sensors().deviceSensors().update(rows, history);
}

TEST(DeviceSensorRowPresenter, ItsReadingByIdAndItsPin) {
    ScriptedEngineFace face;
    publishDeviceRows(face, 73.5, {});
    DeviceSensorRowPresenter row;
    row.setFace(&face);
    row.setReadingId("TB0T");
    EXPECT_EQ(row.name(), "Battery");
    EXPECT_EQ(row.valueText(), "31.0");
    EXPECT_FALSE(row.valueIsHot());
    EXPECT_EQ(row.accessibleName(), "Battery, 31.0\u00B0C");
    EXPECT_EQ(row.pinSymbol(), "pin");

    // Not pinnable: no pin, whatever the face holds.
    face.sensors().publishPinnedSensorKeys({"TB0T"});
    EXPECT_FALSE(row.pinned());
    row.togglePin();
    EXPECT_TRUE(face.commands().empty());

    row.setPinnableKey(true);
    EXPECT_TRUE(row.pinned());
    EXPECT_EQ(row.pinLabel(), "Unpin Battery");
    EXPECT_EQ(row.pinMenuText(), "Unpin");
    row.togglePin();
    EXPECT_EQ(face.commands(), (std::vector<FaceCommand>{command::TogglePin{"TB0T"}}));
    EXPECT_FALSE(row.pinned()) << "the scripted face took the pin away";
    EXPECT_EQ(row.pinSymbol(), "pin");
}

TEST(DeviceSensorRowPresenter, ACollapsedRowLeavesItsHistoryAlone) {
    ScriptedEngineFace face;
    publishDeviceRows(face, 61.5, {{"cpu.avg", {60, 61, 61.5}}});
    DeviceSensorRowPresenter row;
    row.setFace(&face);
    row.setReadingId("cpu.avg");
    EXPECT_TRUE(row.history().isEmpty());
    EXPECT_EQ(row.accessibleValue(), "");
    QSignalSpy changed(&row, &DeviceSensorRowPresenter::changed);
    QSignalSpy historyChanged(&row, &DeviceSensorRowPresenter::historyChanged);
    publishDeviceRows(face, 61.5, {{"cpu.avg", {61, 61.5, 61.5}}});
    EXPECT_EQ(changed.count() + historyChanged.count(), 0);

    row.setExpanded(true);
    EXPECT_EQ(row.history(), (QList<double>{61, 61.5, 61.5}));
    EXPECT_EQ(row.accessibleValue(), "62\u00B0C, ranging 61\u00B0C to 62\u00B0C");
    EXPECT_EQ(row.minText(), "min 61.0\u00B0C");
    publishDeviceRows(face, 61.5, {{"cpu.avg", {61.5, 61.5, 64}}});
    EXPECT_EQ(row.history(), (QList<double>{61.5, 61.5, 64}));
    EXPECT_EQ(row.maxText(), "max 64.0\u00B0C");

    // A reading that comes or goes is found again by its id.
    face.sensors().deviceSensors().update(std::vector<DeviceSensorReading>{{"cpu.avg", "CPU", "cpu.fill", 50.0}}, {});
    EXPECT_EQ(row.name(), "CPU");
    EXPECT_EQ(row.valueText(), "50.0");
}

TEST(PowerCardPresenter, TheFiguresChangeInPlace) {
    ScriptedEngineFace face;
    PowerCardPresenter card;
    card.setFace(&face);
    PowerTelemetry telemetry;
    telemetry.source = PowerSource::ac;
    telemetry.adapterWatts = 96;
    face.power().publish({.telemetry = telemetry, .systemPowerWatts = 20.0, .displayPowerWatts = 0});
    EXPECT_EQ(card.symbol(), "powerplug");
    EXPECT_EQ(card.chargeText(), "Connected");
    EXPECT_EQ(card.summaryValue(), "96 W");
    EXPECT_FALSE(card.showsBatteryHealth());
    ASSERT_EQ(card.metrics()->count(), 7);
    EXPECT_EQ(card.metrics()->index(0).data(PowerMetricModel::ValueRole).toString(), "20.0 W");

    int resets = 0;
    std::vector<int> changedRows;
    QObject::connect(card.metrics(), &QAbstractItemModel::modelReset, [&resets] { ++resets; });
    QObject::connect(card.metrics(), &QAbstractItemModel::rowsInserted, [&resets] { ++resets; });
    QObject::connect(card.metrics(), &QAbstractItemModel::dataChanged,
                     [&changedRows](const QModelIndex& top, const QModelIndex&) { changedRows.push_back(top.row()); });
    face.power().publish({.telemetry = telemetry, .systemPowerWatts = 21.0, .displayPowerWatts = 0});
    publishFans(face, {{0, FanStatus{0, 6000, 1200, 6000, 6000}}}, {});
    EXPECT_EQ(resets, 0);
    EXPECT_EQ(changedRows, (std::vector<int>{0, 5}));
    EXPECT_EQ(card.metrics()->index(5).data(PowerMetricModel::ValueRole).toString(), "2.5 W");

    telemetry.hasBattery = true;
    telemetry.source = PowerSource::battery;
    telemetry.batteryLevelPercent = 12;
    face.power().publish({.telemetry = telemetry, .systemPowerWatts = std::nullopt, .displayPowerWatts = 0});
    EXPECT_EQ(card.symbol(), "battery.0percent");
    EXPECT_EQ(card.batteryHealthValue(), "\u2014");
    EXPECT_EQ(card.batteryHealthSpoken(), "\u2014 maximum capacity");
}

TEST(Presenters, AFaceThatGoesLeavesThemShowingNothing) {
    auto face = std::make_unique<ScriptedEngineFace>();
    publishTemperature(*face, 50, "CPU");
    TemperatureHeroPresenter hero;
    hero.setFace(face.get());
    EXPECT_EQ(hero.digitsText(), "50.0");
    face.reset();
    EXPECT_EQ(hero.face(), nullptr);
    EXPECT_EQ(hero.digitsText(), "");
}

}  // namespace
}  // namespace zephrane::dashboard
