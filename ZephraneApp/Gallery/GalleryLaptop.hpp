// The simulated two-fan laptop as the gallery's views show it: its sensors
// as one captured poll (fixtures/two-fan-laptop-sensors.json, which a test
// keeps in step with the simulator), its fans, its power and its load. Each
// area's views stage what they show from these.
#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ZephraneApp/Face/PowerFace.hpp"
#include "ZephraneApp/Gallery/GalleryViews.hpp"
#include "shared/FanModel.hpp"
#include "shared/PowerTelemetry.hpp"
#include "shared/SensorModel.hpp"

namespace zephrane::gallery::laptop {

const std::vector<SMCSensor>& sensors();
// Every sensor, the device readings with two minutes of history, the pins,
// and whether the list shows all or the essentials.
void publishSensors(Stage& stage, std::set<std::string> pinned, bool showAll);
// The keys of the first sensors whose key starts with one of `prefixes`,
// one each.
std::set<std::string> pinsOf(std::initializer_list<const char*> prefixes);
void publishTemperature(Stage& stage, double celsius, const char* source);
void publishLoads(Stage& stage, std::vector<SystemLoad> loads);
std::vector<SystemLoad> busyLoads();
std::vector<SystemLoad> quietLoads();
void publishFans(Stage& stage, std::map<int, FanStatus> fans, std::map<int, double> manualTargets);
std::map<int, FanStatus> fans();
void publishPower(Stage& stage, PowerTelemetry telemetry, std::optional<double> systemWatts, double batteryWatts);
PowerTelemetry onAdapter();
PowerTelemetry onBattery();

}  // namespace zephrane::gallery::laptop
