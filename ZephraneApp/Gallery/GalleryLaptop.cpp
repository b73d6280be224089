#include "ZephraneApp/Gallery/GalleryLaptop.hpp"

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <QFile>

#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/DriveFace.hpp"
#include "ZephraneApp/Face/PowerFace.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/ScriptedEngineFace.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"
#include "shared/DeviceSensorMap.hpp"
#include "shared/JsonCoding.hpp"

namespace zephrane::gallery::laptop {
namespace {

// The laptop's M2 Max: eight performance and four efficiency cores.
constexpr DeviceSensorMap::CoreCounts kLaptopCores{8, 4};
constexpr std::size_t kHistoryLength = 120;

// A reading's last two minutes: a slow swell and a ripple that end at its
// value, the same in every picture.
std::vector<double> historyEndingAt(double value, std::size_t seed) {
    std::vector<double> samples;
    samples.reserve(kHistoryLength);
    const double phase = static_cast<double>(seed % 7);
    for (std::size_t i = 0; i < kHistoryLength; ++i) {
        const double t = static_cast<double>(i);
        const double fromEnd = static_cast<double>(kHistoryLength - 1 - i);
        samples.push_back(value - fromEnd * 0.05 + 2.2 * std::sin(t / 9 + phase) - 2.2 * std::sin((kHistoryLength - 1.0) / 9 + phase));
    }
    return samples;
}

}  // namespace

const std::vector<SMCSensor>& sensors() {
    static const std::vector<SMCSensor> captured = [] {
        QFile file(QStringLiteral(":/Zephrane/Gallery/fixtures/two-fan-laptop-sensors.json"));
        std::vector<SMCSensor> read;
        if (!file.open(QIODevice::ReadOnly)) return read;
        const QByteArray bytes = file.readAll();
        for (const Json& sensor : Json::parse(bytes.begin(), bytes.end())) read.push_back(SMCSensor::fromJson(sensor));
        return read;
    }();
    return captured;
}

void publishSensors(Stage& stage, std::set<std::string> pinned, bool showAll) {
    const std::vector<SMCSensor>& all = sensors();
    face::SensorsFace& face = stage.face.sensors();
    face.publishPinnedSensorKeys(pinned);
    face.allSensors().update(all, pinned);
    const std::vector<DeviceSensorReading> readings = DeviceSensorMap::fixedList(all, kLaptopCores);
    face::DeviceSensorModel::History history;
    for (std::size_t i = 0; i < readings.size(); ++i)
        if (readings[i].value) history[readings[i].id] = historyEndingAt(*readings[i].value, i);
    face.deviceSensors().update(readings, history);
    auto state = face.state();
    state.hasDiscoveredSensors = !all.empty();
    face.publish(state);
    auto daemon = stage.face.daemon().state();
    daemon.smcAvailable = true;
    stage.face.daemon().publish(daemon);
    auto preferences = stage.face.preferences().state();
    preferences.showAllSensors = showAll;
    stage.face.preferences().publish(preferences);
}

// The keys of the first sensors of the laptop whose key starts with one of
// `prefixes`, one each.
std::set<std::string> pinsOf(std::initializer_list<const char*> prefixes) {
    std::set<std::string> pins;
    for (const char* prefix : prefixes) {
        for (const SMCSensor& sensor : sensors()) {
            if (sensor.key.starts_with(prefix)) {
                pins.insert(sensor.key);
                break;
            }
        }
    }
    return pins;
}

void publishTemperature(Stage& stage, double celsius, const char* source) {
    auto state = stage.face.sensors().state();
    state.displayedTemperature = celsius;
    state.heroDisplayTemperature = celsius;
    state.displayedTemperatureSourceLabel = source;
    stage.face.sensors().publish(state);
}

void publishLoads(Stage& stage, std::vector<SystemLoad> loads) { stage.face.power().systemLoads().update(loads); }

std::vector<SystemLoad> busyLoads() {
    using Component = SystemLoad::Component;
    return {{Component::overall, 0.42, std::nullopt},
            {Component::cpu, 0.38, std::nullopt},
            {Component::gpu, 0.12, std::nullopt},
            {Component::memory, 0.63, "20.1 GB / 32.0 GB"},
            {Component::swap, 0.04, "0.1 GB / 2.0 GB"},
            {Component::disk, 0.71, "705 GB / 994 GB"}};
}

std::vector<SystemLoad> quietLoads() {
    using Component = SystemLoad::Component;
    return {{Component::overall, 0.09, std::nullopt},
            {Component::cpu, 0.07, std::nullopt},
            {Component::gpu, 0.004, std::nullopt},
            {Component::memory, 0.41, "13.2 GB / 32.0 GB"},
            {Component::swap, 0.0, "0.0 GB / 2.0 GB"},
            {Component::disk, 0.71, "705 GB / 994 GB"}};
}

void publishFans(Stage& stage, std::map<int, FanStatus> fans, std::map<int, double> manualTargets) {
    stage.face.drive().fans().update(fans, manualTargets, {});
    auto drive = stage.face.drive().state();
    drive.isManualControl = !manualTargets.empty();
    stage.face.drive().publish(drive);
}

std::map<int, FanStatus> fans() {
    return {{0, FanStatus{0, 2460, 1200, 5779, 2900, false, true}}, {1, FanStatus{1, 2515, 1200, 5779, 2515, false, true}}};
}

void publishPower(Stage& stage, PowerTelemetry telemetry, std::optional<double> systemWatts, double batteryWatts) {
    stage.face.power().publish(
        {.telemetry = telemetry, .systemPowerWatts = systemWatts, .displayPowerWatts = batteryWatts, .isClamshell = false});
}

PowerTelemetry onAdapter() {
    return {.source = PowerSource::ac,
            .systemWatts = 12.1,
            .isCharging = true,
            .adapterWatts = 140,
            .batteryLevelPercent = 80,
            .batteryCycleCount = 112,
            .batteryHealthPercent = 87,
            .hasBattery = true,
            .batteryWattHours = 99.6};
}

PowerTelemetry onBattery() {
    return {.source = PowerSource::battery,
            .systemWatts = 14.2,
            .batteryLevelPercent = 42,
            .batteryCycleCount = 112,
            .batteryHealthPercent = 87,
            .hasBattery = true,
            .batteryWattHours = 99.6};
}

}  // namespace zephrane::gallery::laptop
