// The power report of the system_profiler stand-in (zephrane-system-profiler):
// the simulated machine's battery as the Mac's profiler prints
// "SPPowerDataType" in JSON. The battery health is its full-charge capacity
// over its design capacity, as a whole percentage with a percent sign:
//
//   {"SPPowerDataType": [
//     {"_name": "spbattery_information",
//      "sppower_battery_charge_info": {...},
//      "sppower_battery_health_info": {"sppower_battery_cycle_count": 112,
//          "sppower_battery_health": "Good",
//          "sppower_battery_health_maximum_capacity": "87%"}},
//     {"_name": "sppower_ac_charger_information", ...}   (adapter connected)
//   ]}
#pragma once

#include <optional>

#include <nlohmann/json.hpp>

#include "platform/iokit/IORegistry.hpp"

namespace zephrane::sim {

// Nothing when the registry shows no battery (or cannot be reached).
std::optional<nlohmann::ordered_json> powerDataReport(iokit::IORegistry& registry);

}  // namespace zephrane::sim
