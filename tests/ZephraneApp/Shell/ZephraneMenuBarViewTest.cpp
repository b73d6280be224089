// The menu-bar panel's presenters on the scripted engine: what each control
// asks of the engine, in order, and what the panel shows for what the
// engine holds.
#include "ZephraneApp/Shell/ZephraneMenuBarView.hpp"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/DriveFace.hpp"
#include "ZephraneApp/Face/ModesFace.hpp"
#include "ZephraneApp/Face/PowerFace.hpp"
#include "ZephraneApp/Face/ScriptedEngineFace.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"
#include "ZephraneApp/Face/ShellFace.hpp"
#include "platform/updater/Updater.hpp"

namespace zephrane {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

CustomMode makeMode(std::string name, ModeSpeed speed, ControlSource sensor = ControlSource::cpuAverage,
                    std::optional<ModeSensor> display = std::nullopt) {
    return CustomMode(Uuid::random(), std::move(name), "cube.fill", speed, ModeSensor::source(sensor),
                      std::move(display), false);
}

FanProfile manualLock(std::int64_t rpm) {
    FanProfile profile;
    profile.id = Uuid::random();
    profile.name = "Manual Lock";
    profile.mode = ControlMode::constantRPM;
    profile.constantTargetRPM = rpm;
    return profile;
}

class MenuBarView : public ::testing::Test {
protected:
    void SetUp() override {
        face.setResponder([this](const face::FaceCommand& command) { events.push_back(face::describe(command)); });
        QObject::connect(&bridge, &MenuBarPanelBridge::openMainWindowRequested, [this] { events.push_back("bridge open"); });
        QObject::connect(&bridge, &MenuBarPanelBridge::closePanelRequested, [this] { events.push_back("bridge close"); });
        QObject::connect(&view, &ZephraneMenuBarView::dismissRequested, [this] { events.push_back("dismiss"); });
        view.setCommands(&commands);
    }

    void showFans(std::vector<FanStatus> fans, std::map<int, double> manualTargets = {}) {
        std::map<int, FanStatus> byID;
        for (const FanStatus& fan : fans) byID[static_cast<int>(fan.id)] = fan;
        face.drive().fans().update(byID, manualTargets, {});
    }
    void showTwoFans(std::map<int, double> manualTargets = {}) {
        showFans({{0, 2400, 1200, 6000, 2400, false, true}, {1, 2500, 1000, 5000, 2500, false, true}}, manualTargets);
    }
    void showDrive(std::optional<FanPreset> preset, std::optional<FanProfile> profile) {
        auto drive = face.drive().state();
        drive.activePreset = preset;
        drive.activeProfile = std::move(profile);
        face.drive().publish(std::move(drive));
    }
    void showModes(const std::vector<CustomMode>& modes, std::optional<Uuid> active = std::nullopt) {
        face.modes().customModes().update(modes, active);
        face.modes().publishActiveCustomModeID(active);
    }
    void showSourceTemperature(ControlSource source, std::optional<double> celsius) {
        auto sensors = face.sensors().state();
        sensors.sourceTemperatures[static_cast<std::size_t>(source)] = celsius;
        face.sensors().publish(std::move(sensors));
    }
    std::vector<std::string> recorded() const {
        std::vector<std::string> all;
        for (const auto& command : face.commands()) all.push_back(face::describe(command));
        return all;
    }
    void forget() {
        face.clearCommands();
        events.clear();
    }
    // The speeds the engine was asked to give the mode, in order.
    std::vector<ModeSpeed> modeSpeedsWritten() const {
        std::vector<ModeSpeed> speeds;
        for (const auto& command : face.commands())
            if (const auto* update = std::get_if<face::command::UpdateCustomMode>(&command))
                speeds.push_back(update->mode.speed());
        return speeds;
    }

    face::ScriptedEngineFace face;
    updater::OfflineUpdaterController updaterController;
    updater::UpdaterViewModel updater{updaterController, QString()};
    ShellCommands commands{face, updater, [this](const QString& id) { events.push_back("window " + id.toStdString()); },
                           [this] { events.push_back("quit"); }};
    MenuBarPanelBridge bridge;
    ZephraneMenuBarView view;
    std::vector<std::string> events;
    const std::string applyAuto = "ApplyProfile(" + FanProfile::appleAuto().name + ")";
};

// Presets.

TEST_F(MenuBarView, HighlightedTabIsThePresetElseThePresetWhoseProfileIsInForce) {
    view.setFace(&face);
    struct Case {
        const char* name;
        std::optional<FanPreset> preset;
        std::optional<FanProfile> profile;
        QVariant selected;
    };
    const Case cases[] = {
        {"the preset", FanPreset::max, FanProfile::silentStealth(), QStringLiteral("max")},
        {"Silent Stealth in force", std::nullopt, FanProfile::silentStealth(), QStringLiteral("quiet")},
        {"Nimbra Standard in force", std::nullopt, FanProfile::nimbraStandard(), QStringLiteral("auto")},
        {"Max Thermal Blast in force", std::nullopt, FanProfile::maxThermalBlast(), QStringLiteral("max")},
        {"the system's control", std::nullopt, FanProfile::appleAuto(), QVariant()},
        {"a manual lock", std::nullopt, manualLock(3000), QVariant()},
        {"nothing", std::nullopt, std::nullopt, QVariant()},
    };
    for (const Case& c : cases) {
        showDrive(c.preset, c.profile);
        EXPECT_EQ(view.selectedPreset(), c.selected) << c.name;
    }

    // An engaged custom mode runs on the balanced curve's profile: no tab is
    // the user's choice then.
    const CustomMode gaming = makeMode("Gaming", ModeSpeed::fixed(0.7));
    showDrive(std::nullopt, FanProfile::nimbraStandard());
    showModes({gaming}, gaming.id());
    EXPECT_EQ(view.selectedPreset(), QVariant());
    showModes({gaming});
    EXPECT_EQ(view.selectedPreset(), QVariant(QStringLiteral("auto")));
}

TEST_F(MenuBarView, TappingAnotherTabSelectsItsPresetOnly) {
    view.setFace(&face);
    showDrive(FanPreset::auto_, FanProfile::nimbraStandard());
    view.choosePreset(QStringLiteral("quiet"));
    EXPECT_EQ(recorded(), std::vector<std::string>{"SelectPreset(quiet)"});
    EXPECT_EQ(view.selectedPreset(), QVariant(QStringLiteral("quiet")));
}

TEST_F(MenuBarView, TappingTheHighlightedTabAgainHandsTheFansToTheSystem) {
    view.setFace(&face);
    const CustomMode gaming = makeMode("Gaming", ModeSpeed::fixed(0.7));
    showModes({gaming}, gaming.id());
    showDrive(FanPreset::quiet, FanProfile::silentStealth());

    view.choosePreset(QVariant());
    EXPECT_EQ(recorded(), (std::vector<std::string>{"ClearActivePreset", "ClearActiveCustomMode", applyAuto}));
    EXPECT_EQ(view.selectedPreset(), QVariant());

    // No preset to forget: the custom mode and the profile still go.
    forget();
    view.returnToSystemControl();
    EXPECT_EQ(recorded(), (std::vector<std::string>{"ClearActiveCustomMode", applyAuto}));
}

TEST_F(MenuBarView, PresetTabsInTheirOrder) {
    const QVariantList segments = view.presetSegments();
    ASSERT_EQ(segments.size(), 3);
    const char* expected[][3] = {{"quiet", "Quiet", "Capped"}, {"auto", "Balanced", "Curve"}, {"max", "Max", "100%"}};
    for (int i = 0; i < 3; ++i) {
        const QVariantMap segment = segments[i].toMap();
        EXPECT_EQ(segment["id"], expected[i][0]);
        EXPECT_EQ(segment["title"], expected[i][1]);
        EXPECT_EQ(segment["accessibilityHint"], expected[i][2]);
    }
}

// The ways out to the main window.

TEST_F(MenuBarView, InThePanelASectionIsWrittenThenTheWindowOpensThenThePanelCloses) {
    view.setFace(&face);
    view.setBridge(&bridge);
    view.openSection(QStringLiteral("sensors"));
    EXPECT_EQ(events, (std::vector<std::string>{"SelectSection(sensors)", "bridge open", "bridge close"}));
    EXPECT_EQ(face.shell().selectedSection(), Section::sensors);

    events.clear();
    view.openMainWindow();
    EXPECT_EQ(events, (std::vector<std::string>{"bridge open", "bridge close"})) << "Open keeps the section";

    events.clear();
    view.cancel();
    EXPECT_EQ(events, std::vector<std::string>{"bridge close"});
}

TEST_F(MenuBarView, WithoutABridgeTheMainWindowOpensAndTheViewIsDismissed) {
    view.setFace(&face);
    view.openSection(QStringLiteral("dashboard"));
    EXPECT_EQ(events, (std::vector<std::string>{"SelectSection(dashboard)", "window main", "dismiss"}));

    events.clear();
    view.openSection(QStringLiteral("settings"));
    EXPECT_EQ(events, (std::vector<std::string>{"SelectSection(settings)", "window main", "dismiss"}));

    events.clear();
    view.cancel();
    EXPECT_EQ(events, std::vector<std::string>{"dismiss"});

    // Quit closes every window, the panel's too: it waits for the event loop
    // rather than running inside the click.
    events.clear();
    view.quit();
    EXPECT_TRUE(events.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(events, std::vector<std::string>{"quit"});
}

// The header.

TEST_F(MenuBarView, HeaderShowsTheTemperatureOrNoReading) {
    view.setFace(&face);
    auto sensors = face.sensors().state();
    sensors.displayedTemperature = 64.25;
    sensors.heroDisplayTemperature = 64;
    sensors.displayedTemperatureSourceLabel = "CPU";
    face.sensors().publish(sensors);
    auto drive = face.drive().state();
    drive.controlSourceCaption = "Balanced curve";
    face.drive().publish(drive);
    EXPECT_EQ(view.temperature(), 64.25);
    EXPECT_EQ(view.digitsText(), "64.2");
    EXPECT_EQ(view.unitText(), "\u00B0C");
    EXPECT_EQ(view.numericRollKey(), 64);
    EXPECT_EQ(view.heroValueText(), "64.2 degrees Celsius, CPU \u00B7 Balanced curve");

    sensors.displayedTemperature = 50;
    face.sensors().publish(sensors);
    face.perform(face::command::ChangeSetting{face::Setting::useFahrenheit, true});
    EXPECT_EQ(view.unitText(), "\u00B0F");
    EXPECT_EQ(view.digitsText(), "122.0");

    for (const double none : {0.0, -1.0, kNaN, std::numeric_limits<double>::infinity()}) {
        sensors.displayedTemperature = none;
        face.sensors().publish(sensors);
        EXPECT_EQ(view.digitsText(), "--") << none;
        EXPECT_EQ(view.heroValueText(), "no reading, CPU \u00B7 Balanced curve") << none;
        EXPECT_TRUE(!(view.temperature() > 0)) << none;
        EXPECT_FALSE(std::isinf(view.temperature())) << "the readout never gets an infinite temperature";
    }

    // Nothing changed, nothing sent.
    QSignalSpy changed(&view, &ZephraneMenuBarView::temperatureChanged);
    face.sensors().publish(sensors);
    face.drive().publish(drive);
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(MenuBarView, StripAndSummaryFollowTheFans) {
    view.setFace(&face);
    EXPECT_FALSE(view.hasFans());
    EXPECT_EQ(view.fanSummary(), "");
    std::vector<FanStatus> five;
    for (int id = 0; id < 5; ++id) five.push_back({id, 1000.0 + id, 1200, 6000, 0, false, true});
    showFans(five);
    EXPECT_TRUE(view.hasFans());
    EXPECT_EQ(view.stripFanIDs(), (QVariantList{0, 1, 2}));
    EXPECT_EQ(view.sortedFanIDs(), (QVariantList{0, 1, 2, 3, 4}));
    EXPECT_EQ(view.extraFansText(), "+2");
    EXPECT_EQ(view.fanSummary(),
              "Fan 1 1000 RPM, Fan 2 1001 RPM, Fan 3 1002 RPM, Fan 4 1003 RPM, Fan 5 1004 RPM");

    QSignalSpy changed(&view, &ZephraneMenuBarView::fansChanged);
    five[4].targetRPM = 3000;  // not shown here
    showFans(five);
    EXPECT_EQ(changed.count(), 0);
    five[4].currentRPM = 1800;
    showFans(five);
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(MenuBarView, PowerLineAndCaptionAppearOnlyWithSomethingToSay) {
    view.setFace(&face);
    EXPECT_FALSE(view.showsPower());
    PowerTelemetry telemetry;
    telemetry.hasBattery = true;
    telemetry.batteryLevelPercent = 80;
    telemetry.isCharging = true;
    face.power().publish({.telemetry = telemetry, .systemPowerWatts = 12.0});
    EXPECT_TRUE(view.showsPower());
    EXPECT_TRUE(view.isCharging());
    EXPECT_EQ(view.powerSummary(), "12.0 W \u00B7 80%");
    EXPECT_EQ(view.powerSpokenText(), "12.0 watts, battery 80 percent, charging");

    auto daemon = face.daemon().state();
    daemon.helperState = HelperState::connected();
    face.daemon().publish(daemon);
    EXPECT_FALSE(view.showsStatusCaption());
    daemon.helperState = HelperState::unavailable("socket refused");
    daemon.helperInstallIssue = "bad signature";
    face.daemon().publish(daemon);
    EXPECT_TRUE(view.showsStatusCaption());
    EXPECT_EQ(view.statusCaption(), "Monitoring only. Open Brumalune to repair helper setup (bad signature).");
}

// The custom-mode rows.

QString rowText(const CustomModeRowModel& rows, int row, CustomModeRowModel::Role role) {
    return rows.data(rows.index(row), role).toString();
}

TEST_F(MenuBarView, FourRowsAtMostThenTheLinkToAllModes) {
    view.setFace(&face);
    CustomModeRowModel& rows = *view.modeRows();
    std::vector<CustomMode> modes;
    for (const char* name : {"One", "Two", "Three", "Four", "Five"}) modes.push_back(makeMode(name, ModeSpeed::floor(0.5)));
    struct Case {
        std::size_t modes;
        int rows;
        bool link;
    };
    for (const Case c : {Case{0, 0, false}, Case{1, 1, false}, Case{4, 4, false}, Case{5, 4, true}, Case{2, 2, false}}) {
        showModes({modes.begin(), modes.begin() + static_cast<std::ptrdiff_t>(c.modes)});
        EXPECT_EQ(rows.rowCount(), c.rows) << c.modes << " modes";
        EXPECT_EQ(rows.showsAllModesLink(), c.link) << c.modes << " modes";
    }
    showModes(modes);
    EXPECT_EQ(rowText(rows, 3, CustomModeRowModel::NameRole), "Four") << "the stored order, unsorted";
}

TEST_F(MenuBarView, RowReadsTheSpeedAndTheTemperatureOfItsSensor) {
    view.setFace(&face);
    CustomModeRowModel& rows = *view.modeRows();
    const CustomMode gaming = makeMode("Gaming", ModeSpeed::fixed(0.7), ControlSource::cpuAverage,
                                       ModeSensor::source(ControlSource::gpuAverage));
    const CustomMode recording = makeMode("Recording", ModeSpeed::floor(0.25), ControlSource::cpuAverage);
    showModes({gaming, recording});
    showSourceTemperature(ControlSource::cpuAverage, 58.0);

    // Without fans: percentages, and the toggles are inert.
    EXPECT_EQ(rowText(rows, 0, CustomModeRowModel::ValueTextRole), "70%");
    EXPECT_EQ(rowText(rows, 0, CustomModeRowModel::HintRole), "Fixed 70%, \u2014") << "the display sensor has no reading";
    EXPECT_EQ(rowText(rows, 1, CustomModeRowModel::HintRole), "Min 25%, 58.0\u00B0C") << "no display sensor: the control one";
    EXPECT_TRUE(rows.data(rows.index(0), CustomModeRowModel::InertRole).toBool());

    showTwoFans();
    EXPECT_EQ(rowText(rows, 0, CustomModeRowModel::ValueTextRole), "4 560 RPM") << "the lowest fan id's range";
    EXPECT_EQ(rowText(rows, 1, CustomModeRowModel::HintRole), "Min 2 400 RPM, 58.0\u00B0C");
    EXPECT_EQ(rowText(rows, 0, CustomModeRowModel::EditLabelRole), "Edit Gaming");
    EXPECT_FALSE(rows.data(rows.index(0), CustomModeRowModel::InertRole).toBool());

    showSourceTemperature(ControlSource::gpuAverage, kNaN);
    EXPECT_EQ(rowText(rows, 0, CustomModeRowModel::HintRole), "4 560 RPM, \u2014") << "a reading of no number";
    showSourceTemperature(ControlSource::gpuAverage, 71.25);
    face.perform(face::command::ChangeSetting{face::Setting::preciseTemperatures, false});
    EXPECT_EQ(rowText(rows, 0, CustomModeRowModel::HintRole), "4 560 RPM, 71\u00B0C");
}

TEST_F(MenuBarView, RowToggleEngagesTheModeOrHandsTheFansBack) {
    view.setFace(&face);
    view.setBridge(&bridge);
    CustomModeRowModel& rows = *view.modeRows();
    const CustomMode gaming = makeMode("Gaming", ModeSpeed::fixed(0.7));
    const CustomMode recording = makeMode("Recording", ModeSpeed::floor(0.25));
    showModes({gaming, recording});

    // No fans: the toggle does nothing, the pencil still opens the editor.
    rows.activate(0);
    EXPECT_TRUE(recorded().empty());
    rows.edit(1);
    EXPECT_EQ(events, (std::vector<std::string>{"RaiseRequest(modeEditor, " + recording.id().uuidString() + ")",
                                                "SelectSection(modes)", "bridge open", "bridge close"}));

    showTwoFans();
    forget();
    rows.activate(0);
    EXPECT_EQ(recorded(), std::vector<std::string>{"SelectCustomMode(" + gaming.id().uuidString() + ")"});
    EXPECT_TRUE(rows.data(rows.index(0), CustomModeRowModel::ActiveRole).toBool());

    forget();
    rows.activate(0);
    EXPECT_EQ(recorded(), (std::vector<std::string>{"ClearActiveCustomMode", applyAuto}));
}

TEST_F(MenuBarView, RowMenuDuplicatesAndLeavesTheDeletionToTheModesScreen) {
    view.setFace(&face);
    CustomModeRowModel& rows = *view.modeRows();
    const CustomMode gaming = makeMode("Gaming", ModeSpeed::fixed(0.7));
    showModes({gaming});
    rows.duplicate(0);
    EXPECT_EQ(events, std::vector<std::string>{"DuplicateCustomMode(" + gaming.id().uuidString() + ")"});

    forget();
    rows.requestDelete(0);
    EXPECT_EQ(events, (std::vector<std::string>{"RaiseRequest(modeDelete, " + gaming.id().uuidString() + ")",
                                                "SelectSection(modes)", "window main", "dismiss"}));

    forget();
    rows.activate(7);
    rows.edit(-1);
    EXPECT_TRUE(events.empty()) << "no such row";
}

// The fan-speed slider.

TEST_F(MenuBarView, ManualDragCommitsOnceAtItsEndAcrossEveryFan) {
    showTwoFans();
    view.setFace(&face);
    FanSpeedSliderModel& slider = *view.slider();
    EXPECT_EQ(slider.label(), "Fan Speed");

    slider.setEditing(true);
    slider.move(0.3);
    slider.move(0.0);
    EXPECT_TRUE(recorded().empty()) << "nothing is written while dragging";
    EXPECT_EQ(slider.speedText(), "1 000 RPM") << "the lowest minimum of all fans";
    slider.setEditing(false);
    EXPECT_EQ(recorded(), std::vector<std::string>{"SetConstantRPM(1000)"});

    forget();
    slider.setEditing(true);
    slider.move(1.0);
    slider.setEditing(false);
    EXPECT_EQ(recorded(), std::vector<std::string>{"SetConstantRPM(6000)"}) << "the highest maximum";

    // Every end commits, also where the position did not change.
    forget();
    slider.setEditing(true);
    slider.setEditing(false);
    EXPECT_EQ(recorded(), std::vector<std::string>{"SetConstantRPM(6000)"});
}

TEST_F(MenuBarView, CustomModeFollowsEveryMoveOfADragAndItsEnd) {
    showTwoFans();
    const CustomMode gaming = makeMode("Gaming", ModeSpeed::fixed(0.7));
    showModes({gaming}, gaming.id());
    view.setFace(&face);
    FanSpeedSliderModel& slider = *view.slider();
    EXPECT_EQ(slider.value(), 0.7) << "the mode's percentage";
    EXPECT_EQ(slider.label(), "Gaming Speed");
    EXPECT_EQ(slider.helpText(), "Adjusts Gaming's fixed speed");
    EXPECT_EQ(slider.accessibilityValue(), "Fixed 4 500 RPM") << "read across every fan";

    slider.move(0.5);
    EXPECT_TRUE(recorded().empty()) << "a write outside a drag is not the user's drag";
    slider.setEditing(true);
    slider.move(0.4);
    slider.move(0.4);
    slider.move(1.3);
    slider.setEditing(false);
    EXPECT_EQ(modeSpeedsWritten(),
              (std::vector<ModeSpeed>{ModeSpeed::fixed(0.4), ModeSpeed::fixed(1.0), ModeSpeed::fixed(1.0)}));
    for (const auto& command : face.commands()) {
        const auto* update = std::get_if<face::command::UpdateCustomMode>(&command);
        ASSERT_NE(update, nullptr) << face::describe(command);
        EXPECT_EQ(update->mode.id(), gaming.id());
        EXPECT_EQ(update->mode.name(), "Gaming");
    }
}

TEST_F(MenuBarView, TheDragWinsOverTheEngineUntilItEnds) {
    showTwoFans();
    view.setFace(&face);
    FanSpeedSliderModel& slider = *view.slider();
    slider.setEditing(true);
    slider.move(0.9);
    showDrive(std::nullopt, manualLock(1000));
    showTwoFans({{0, 3600}});
    EXPECT_EQ(slider.value(), 0.9);

    slider.setEditing(false);
    showDrive(std::nullopt, manualLock(3500));
    EXPECT_DOUBLE_EQ(slider.value(), 0.5) << "(3500 - 1000) / (6000 - 1000)";
}

TEST_F(MenuBarView, SliderFollowsManualTargetsButNotTheFansSpeeds) {
    showTwoFans();
    view.setFace(&face);
    FanSpeedSliderModel& slider = *view.slider();
    EXPECT_DOUBLE_EQ(slider.value(), (0.25 + 0.375) / 2) << "on appear: the mean of the current speeds";

    showFans({{0, 5000, 1200, 6000, 0, false, true}, {1, 4000, 1000, 5000, 0, false, true}});
    EXPECT_DOUBLE_EQ(slider.value(), (0.25 + 0.375) / 2) << "a tick's speeds move nothing";
    EXPECT_EQ(slider.speedText(), "5 000 RPM") << "but the text beside it follows";

    showTwoFans({{0, 3600}, {1, 3000}});
    EXPECT_DOUBLE_EQ(slider.value(), (0.5 + 0.5) / 2);
    EXPECT_EQ(slider.accessibilityHint(), "") << "under manual control";
    showTwoFans();
    showDrive(FanPreset::max, FanProfile::maxThermalBlast());
    EXPECT_EQ(slider.accessibilityHint(), "Dragging takes over at a fixed fan speed");
    EXPECT_DOUBLE_EQ(slider.value(), 1.0);
}

TEST_F(MenuBarView, FansWithoutARangeShowDashesAndCommitNothing) {
    showFans({{0, 3000, 6000, 1200, 3000, false, true}});
    view.setFace(&face);
    FanSpeedSliderModel& slider = *view.slider();
    slider.setEditing(true);
    slider.move(0.5);
    EXPECT_EQ(slider.speedText(), "--");
    EXPECT_EQ(slider.rpmText(0.5), "--");
    EXPECT_EQ(slider.accessibilityValue(), "--");
    slider.setEditing(false);
    EXPECT_TRUE(recorded().empty());

    showFans({{0, kNaN, 1200, std::numeric_limits<double>::infinity(), 0, false, true}});
    slider.setEditing(true);
    slider.setEditing(false);
    EXPECT_EQ(recorded(), std::vector<std::string>{"SetConstantRPM(3600)"})
        << "an infinite maximum is passed over; the other bound and the default make the range";
    EXPECT_EQ(slider.speedText(), "--") << "a speed of no number";
}

TEST_F(MenuBarView, WithoutFansTheSliderStillReadsTheDefaultRange) {
    view.setFace(&face);
    FanSpeedSliderModel& slider = *view.slider();
    EXPECT_EQ(slider.value(), 0.5);
    EXPECT_EQ(slider.speedText(), "--");
    slider.setEditing(true);
    EXPECT_EQ(slider.speedText(), "3 600 RPM");
    slider.setEditing(false);
    EXPECT_EQ(recorded(), std::vector<std::string>{"SetConstantRPM(3600)"}) << "the engine ignores it without fans";
}

}  // namespace
}  // namespace zephrane
