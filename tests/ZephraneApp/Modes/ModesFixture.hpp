// What the modes presenters' tests set on the scripted face: fans, device
// readings and their aggregates, and custom modes, each as the engine would
// publish them.
#pragma once

#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "ZephraneApp/Face/DeviceSensorModel.hpp"
#include "ZephraneApp/Face/DriveFace.hpp"
#include "ZephraneApp/Face/ModesFace.hpp"
#include "ZephraneApp/Face/ScriptedEngineFace.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"
#include "shared/CustomMode.hpp"

namespace zephrane::modes::testing {

// Fan id to its (minimum, maximum) rpm.
inline void publishFans(face::ScriptedEngineFace& face, const std::map<int, std::pair<double, double>>& ranges) {
    std::map<int, FanStatus> fans;
    for (const auto& [id, range] : ranges) fans[id] = FanStatus{id, range.first, range.first, range.second, 0, false, true};
    face.drive().fans().update(fans, {}, {});
}

inline void publishLaptopFan(face::ScriptedEngineFace& face) { publishFans(face, {{0, {1200, 6000}}}); }

inline void publishReadings(face::ScriptedEngineFace& face, const std::vector<DeviceSensorReading>& readings) {
    face.sensors().deviceSensors().update(readings, {});
}

// The aggregates' temperatures, in ControlSource order.
inline void publishSourceTemperatures(face::ScriptedEngineFace& face,
                                      face::SensorsFace::State::SourceTemperatures temperatures) {
    auto state = face.sensors().state();
    state.sourceTemperatures = temperatures;
    face.sensors().publish(std::move(state));
}

inline void publishModes(face::ScriptedEngineFace& face, const std::vector<CustomMode>& modes,
                         std::optional<Uuid> active = std::nullopt) {
    face.modes().customModes().update(modes, active);
    face.modes().publishActiveCustomModeID(active);
}

inline CustomMode makeMode(std::string name, ModeSpeed speed = ModeSpeed::floor(0.25),
                           ModeSensor trigger = ModeSensor::source(ControlSource::hottest),
                           std::optional<ModeSensor> display = std::nullopt, bool drivesMainReadout = false) {
    return CustomMode(Uuid::random(), std::move(name), "mic.fill", speed, std::move(trigger), std::move(display),
                      drivesMainReadout);
}

}  // namespace zephrane::modes::testing
