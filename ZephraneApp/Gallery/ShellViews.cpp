#include <vector>

#include <QVariantMap>

#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/DriveFace.hpp"
#include "ZephraneApp/Face/ModesFace.hpp"
#include "ZephraneApp/Face/PowerFace.hpp"
#include "ZephraneApp/Face/ScriptedEngineFace.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"
#include "ZephraneApp/Face/ShellFace.hpp"
#include "ZephraneApp/Gallery/GalleryViews.hpp"
#include "ZephraneApp/Shell/ShellCommands.hpp"

namespace zephrane::gallery {
namespace {

// The panel's machines: the fans spinning, the temperature and its source,
// the daemon, the power and the custom modes as the engine would publish
// them.
struct PanelMachine {
    std::vector<FanStatus> fans;
    std::map<int, double> manualTargets;
    double temperature = 64.3;  // °C
    HelperState helper = HelperState::connected();
    std::optional<std::string> installIssue;
    std::optional<double> systemPowerWatts;
    PowerTelemetry power;
    std::optional<FanPreset> preset = FanPreset::auto_;
    std::optional<FanProfile> profile = FanProfile::nimbraStandard();
    int modes = 2;
    std::optional<int> activeMode;
};

CustomMode panelMode(int which) {
    struct Made {
        const char* id;
        const char* name;
        const char* symbol;
        ModeSpeed speed;
        ControlSource sensor;
    };
    static const Made made[] = {
        {"6F1D2C3B-0A4E-4F51-9C2D-1E2F3A4B5C01", "Gaming", "gamecontroller.fill", ModeSpeed::fixed(0.7),
         ControlSource::gpuAverage},
        {"6F1D2C3B-0A4E-4F51-9C2D-1E2F3A4B5C02", "Recording", "mic.fill", ModeSpeed::floor(0.1),
         ControlSource::cpuAverage},
        {"6F1D2C3B-0A4E-4F51-9C2D-1E2F3A4B5C03", "Rendering", "cube.fill", ModeSpeed::floor(0.45),
         ControlSource::cpuPerformance},
        {"6F1D2C3B-0A4E-4F51-9C2D-1E2F3A4B5C04", "Night", "moon.fill", ModeSpeed::fixed(0.0),
         ControlSource::hottest},
        {"6F1D2C3B-0A4E-4F51-9C2D-1E2F3A4B5C05", "Film", "film.fill", ModeSpeed::floor(0.2),
         ControlSource::hottest},
    };
    const Made& m = made[which];
    return CustomMode(*Uuid::parse(m.id), m.name, m.symbol, m.speed, ModeSensor::source(m.sensor), std::nullopt, false);
}

std::function<void(Stage&)> panelShows(PanelMachine machine) {
    return [machine](Stage& stage) {
        face::ScriptedEngineFace& face = stage.face;
        std::map<int, FanStatus> fans;
        for (const FanStatus& fan : machine.fans) fans[static_cast<int>(fan.id)] = fan;
        face.drive().fans().update(fans, machine.manualTargets, {});

        auto sensors = face.sensors().state();
        sensors.displayedTemperature = machine.temperature;
        sensors.heroDisplayTemperature = machine.temperature;
        sensors.displayedTemperatureSourceLabel = "CPU";
        sensors.sourceTemperatures = {machine.temperature, 58.0, machine.temperature, 51.5, 47.25};
        face.sensors().publish(std::move(sensors));

        auto daemon = face.daemon().state();
        daemon.helperState = machine.helper;
        daemon.helperInstallIssue = machine.installIssue;
        face.daemon().publish(std::move(daemon));

        face.power().publish({.telemetry = machine.power, .systemPowerWatts = machine.systemPowerWatts});

        std::vector<CustomMode> modes;
        for (int i = 0; i < machine.modes; ++i) modes.push_back(panelMode(i));
        std::optional<Uuid> active;
        if (machine.activeMode) active = modes[static_cast<std::size_t>(*machine.activeMode)].id();
        face.modes().customModes().update(modes, active);
        face.modes().publishActiveCustomModeID(active);

        auto drive = face.drive().state();
        drive.activePreset = active ? std::nullopt : machine.preset;
        drive.activeProfile = machine.profile;
        // An engaged mode drives the fans through the balanced curve's profile.
        if (active) drive.activeProfile = FanProfile::nimbraStandard();
        drive.isManualControl = !machine.manualTargets.empty();
        drive.controlSourceCaption = active                            ? modes[static_cast<std::size_t>(*machine.activeMode)].name()
                                     : !machine.manualTargets.empty() ? "Manual control"
                                     : machine.preset == FanPreset::quiet ? "Quiet curve"
                                                                          : "Balanced curve";
        face.drive().publish(std::move(drive));
    };
}

FanStatus fan(int id, double rpm, double minRPM = 1200, double maxRPM = 6000) {
    return FanStatus{id, rpm, minRPM, maxRPM, rpm, false, true};
}

PowerTelemetry laptop(std::int64_t level, double watts, bool charging) {
    PowerTelemetry power;
    power.source = charging ? PowerSource::ac : PowerSource::battery;
    power.systemWatts = watts;
    power.isCharging = charging;
    power.hasBattery = true;
    power.batteryLevelPercent = level;
    return power;
}

PowerTelemetry desktop() {
    PowerTelemetry power;
    power.source = PowerSource::ac;
    return power;
}

std::vector<ViewState> panelStates() {
    PanelMachine two;
    two.fans = {fan(0, 2412), fan(1, 2538, 1300, 5800)};
    two.systemPowerWatts = 18.42;
    two.power = laptop(76, 9.5, false);

    PanelMachine one;
    one.fans = {fan(0, 1850, 1200, 5200)};
    one.systemPowerWatts = 31.26;
    one.power = desktop();
    one.preset = FanPreset::quiet;
    one.profile = FanProfile::silentStealth();
    one.modes = 0;

    PanelMachine noFans;
    noFans.temperature = 41.0;
    noFans.power = laptop(92, 6.1, true);
    noFans.preset = std::nullopt;
    noFans.profile = FanProfile::appleAuto();
    noFans.modes = 1;

    PanelMachine noDaemon = two;
    noDaemon.helper = HelperState::notRegistered();
    noDaemon.preset = std::nullopt;
    noDaemon.profile = FanProfile::appleAuto();

    PanelMachine installIssue = noDaemon;
    installIssue.helper = HelperState::requiresApproval();
    installIssue.installIssue = "the helper\u2019s signature did not match";

    PanelMachine onBattery = two;
    onBattery.temperature = 71.8;
    onBattery.systemPowerWatts = std::nullopt;
    onBattery.power = laptop(42, 14.8, false);
    onBattery.modes = 5;
    onBattery.activeMode = 0;

    PanelMachine dragging = two;
    dragging.manualTargets = {{0, 3600}, {1, 3550}};
    dragging.preset = std::nullopt;
    dragging.profile = std::nullopt;

    return {
        {"two-fans", {}, panelShows(two)},
        {"one-fan", {}, panelShows(one)},
        {"no-fans", {}, panelShows(noFans)},
        {"no-daemon", {}, panelShows(noDaemon)},
        {"install-issue", {}, panelShows(installIssue)},
        {"on-battery", {}, panelShows(onBattery)},
        {"dragging", {{"dragFraction", 0.62}}, panelShows(dragging)},
    };
}

}  // namespace

std::vector<View> shellViews() {
    return {
        {"panel", galleryFile("PanelView.qml"), false, panelStates()},
    };
}

}  // namespace zephrane::gallery
