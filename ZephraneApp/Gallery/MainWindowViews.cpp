#include <QVariantMap>

#include "ZephraneApp/Face/AlertsFace.hpp"
#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/DriveFace.hpp"
#include "ZephraneApp/Face/PowerFace.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/ScriptedEngineFace.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"
#include "ZephraneApp/Face/ShellFace.hpp"
#include "ZephraneApp/Gallery/GalleryLaptop.hpp"
#include "ZephraneApp/Gallery/GalleryViews.hpp"
#include "ZephraneApp/MainWindow/ScriptedApplications.hpp"

namespace zephrane::gallery {
namespace {

// The dashboard at these widths: one column, the hero row side by side, two columns.
constexpr double kNarrow = 600;
constexpr double kMedium = 800;
constexpr double kWide = 1100;

void setupComplete(Stage& stage) {
    auto preferences = stage.face.preferences().state();
    preferences.hasCompletedFirstRunSetup = true;
    stage.face.preferences().publish(std::move(preferences));
}

void daemon(Stage& stage, HelperState state, bool smcAvailable) {
    auto snapshot = stage.face.daemon().state();
    snapshot.helperState = std::move(state);
    snapshot.smcAvailable = smcAvailable;
    stage.face.daemon().publish(std::move(snapshot));
}

void heatSources(Stage& stage) {
    stage.face.alerts().heatSources().update(std::vector<HeatSource>{
        {"blender", 0.46, 812, 4242},
        {"firefox", 0.21, 301, 2001},
        {"Xcode", 0.125, 190, 3100},
        {"kwin_x11", 0.07, 88, 1200},
        {"pipewire", 0.04, 41, 980},
        {"gnome-shell", 0.03, 30, 1100},
        {"dbus-daemon", 0.01, 9, 700},
    });
    stage.face.alerts().dailyHeatSources().update(std::vector<HeatSource>{
        {"blender", 0.52, 6120, 4242},
        {"firefox", 0.30, 3540, 2001},
    });
}

// A two-fan laptop under automatic control, the daemon connected, some
// work going on; the first-run setup done.
void typicalMachine(Stage& stage) {
    mainwindow::RunningApplications::standIn().reset();
    setupComplete(stage);
    daemon(stage, HelperState::connected(), true);
    laptop::publishSensors(stage, {}, false);
    laptop::publishTemperature(stage, 64.2, "CPU Average");
    laptop::publishLoads(stage, laptop::busyLoads());
    laptop::publishFans(stage, laptop::fans(), {});
    laptop::publishPower(stage, laptop::onAdapter(), 23.4, 12.1);
    heatSources(stage);
    face::DriveFace::State drive;
    drive.activeProfile = FanProfile::appleAuto();
    drive.controlSourceCaption = "System automatic";
    stage.face.drive().publish(std::move(drive));
    stage.face.alerts().publish({});
    stage.face.shell().publish({});
}

void sectionShown(Stage& stage, Section section) {
    auto shell = stage.face.shell().state();
    shell.selectedSection = section;
    stage.face.shell().publish(std::move(shell));
}

// The SMC out of reach: no readings, no fans.
void noSMC(Stage& stage) {
    mainwindow::RunningApplications::standIn().reset();
    setupComplete(stage);
    daemon(stage, HelperState::unavailable("the SMC did not answer"), false);
    stage.face.drive().fans().update({}, {}, {});
    stage.face.sensors().deviceSensors().update({}, {});
    stage.face.alerts().heatSources().update({});
    stage.face.alerts().dailyHeatSources().update({});
    stage.face.drive().publish({});
    stage.face.alerts().publish({});
    stage.face.shell().publish({});
}

std::function<void(Stage&)> shownIn(Section section) {
    return [section](Stage& stage) {
        typicalMachine(stage);
        sectionShown(stage, section);
    };
}

QVariantMap width(double points) { return {{"dashboardWidth", points}}; }

}  // namespace

std::vector<View> mainWindowViews() {
    return {
        {"main-window", QStringLiteral("qrc:/Zephrane/Shell/Main.qml"), true,
         {{"dashboard", {}, shownIn(Section::dashboard)},
          {"sensors", {}, shownIn(Section::sensors)},
          {"modes", {}, shownIn(Section::modes)},
          {"settings", {}, shownIn(Section::settings)},
          {"no-smc", {}, noSMC},
          {"competitor", {},
           [](Stage& stage) {
               noSMC(stage);
               mainwindow::RunningApplications::standIn().setIdentifiers(
                   {"org.mozilla.firefox", "com.tunabellysoftware.TGPro"});
           }}}},
        {"dashboard", galleryFile("MainWindowDashboardScene.qml"), false,
         {{"narrow", width(kNarrow), typicalMachine},
          {"medium", width(kMedium), typicalMachine},
          {"wide", width(kWide), typicalMachine},
          {"no-daemon", width(kMedium),
           [](Stage& stage) {
               typicalMachine(stage);
               daemon(stage, HelperState::notRegistered(), true);
           }},
          {"no-fans", width(kWide),
           [](Stage& stage) {
               typicalMachine(stage);
               stage.face.drive().fans().update({}, {}, {});
           }},
          {"overheating", width(kWide),
           [](Stage& stage) {
               typicalMachine(stage);
               stage.face.alerts().publish({.isOverheating = true,
                                            .inAppAlert = "CPU Average is at 96 \u00b0C, above your 90 \u00b0C alert.",
                                            .hasHistory = true});
           }},
          {"dust-cycle-running", width(kMedium), [](Stage& stage) {
               typicalMachine(stage);
               auto drive = stage.face.drive().state();
               drive.dustCycleState.state = DustCycleUIState::Running{12};
               stage.face.drive().publish(std::move(drive));
           }}}},
    };
}

}  // namespace zephrane::gallery
