#include "shared/CustomMode.hpp"

#include <cmath>

namespace zephrane {

std::string_view ModeSpeed::displayName() const { return kind_ == Case::floor ? "Minimum" : "Fixed"; }

ModeSpeed ModeSpeed::clamped() const {
    double p = percentage_;
    // NaN becomes 0 as well: a mode holding NaN could never be written to the
    // settings again, and the whole stored list of modes would go with it.
    if (p <= 0 || std::isnan(p))
        p = 0;
    else if (p > 1)
        p = 1;
    return {kind_, p};
}

std::optional<ControlSource> ModeSensor::controlSource() const {
    if (const auto* source = std::get_if<ControlSource>(&payload_)) return *source;
    return std::nullopt;
}

std::optional<std::string> ModeSensor::sensorId() const {
    if (const auto* id = std::get_if<std::string>(&payload_)) return *id;
    return std::nullopt;
}

CustomMode::CustomMode(Uuid id, std::string name, std::string symbolName, ModeSpeed speed, ModeSensor controlSensor,
                       std::optional<ModeSensor> displaySensor, bool drivesMainReadout)
    : id_(id),
      name_(std::move(name)),
      symbolName_(std::move(symbolName)),
      speed_(speed.clamped()),
      controlSensor_(std::move(controlSensor)),
      displaySensor_(std::move(displaySensor)),
      drivesMainReadout_(drivesMainReadout) {}

const CustomMode& CustomMode::gamingTemplate() {
    static const CustomMode mode(Uuid::random(), "Gaming", "gamecontroller.fill", ModeSpeed::fixed(0.7),
                                 ModeSensor::source(ControlSource::gpuAverage), std::nullopt, false);
    return mode;
}

const CustomMode& CustomMode::recordingTemplate() {
    static const CustomMode mode(Uuid::random(), "Recording", "mic.fill", ModeSpeed::floor(0.25),
                                 ModeSensor::source(ControlSource::hottest), std::nullopt, false);
    return mode;
}

const CustomMode& CustomMode::renderingTemplate() {
    static const CustomMode mode(Uuid::random(), "Rendering", "cube.fill", ModeSpeed::floor(0.8),
                                 ModeSensor::source(ControlSource::cpuPerformance), std::nullopt, false);
    return mode;
}

const std::vector<CustomMode>& CustomMode::templates() {
    static const std::vector<CustomMode> list{gamingTemplate(), recordingTemplate(), renderingTemplate()};
    return list;
}

}  // namespace zephrane
