#include "sim/tools/PowerDataReport.hpp"

#include <cmath>
#include <cstdint>
#include <string>

namespace zephrane::sim {
namespace {

using Report = nlohmann::ordered_json;

// The profiler writes its flags as texts.
std::string flagText(const nlohmann::json& properties, const char* name) {
    const auto it = properties.find(name);
    return it != properties.end() && it->is_boolean() && it->get<bool>() ? "TRUE" : "FALSE";
}

std::int64_t integer(const nlohmann::json& properties, const char* name) {
    const auto it = properties.find(name);
    return it != properties.end() && it->is_number() ? it->get<std::int64_t>() : 0;
}

std::string maximumCapacityText(const nlohmann::json& battery) {
    const std::int64_t design = integer(battery, "DesignCapacity");
    if (design <= 0) return "n/a";
    const double percent = static_cast<double>(integer(battery, "AppleRawMaxCapacity")) * 100 /
                           static_cast<double>(design);
    return std::to_string(std::llround(percent)) + "%";
}

}  // namespace

std::optional<Report> powerDataReport(iokit::IORegistry& registry) {
    const std::vector<iokit::RegistryProperties> batteries = registry.matchingServices("AppleSmartBattery");
    if (batteries.empty()) return std::nullopt;
    const nlohmann::json& battery = batteries.front();
    const std::string capacity = maximumCapacityText(battery);
    const bool good = capacity != "n/a" && std::stol(capacity) >= 80;

    Report items = Report::array();
    items.push_back({
        {"_name", "spbattery_information"},
        {"sppower_battery_charge_info",
         {{"sppower_battery_fully_charged", flagText(battery, "FullyCharged")},
          {"sppower_battery_is_charging", flagText(battery, "IsCharging")},
          {"sppower_battery_state_of_charge", integer(battery, "CurrentCapacity")}}},
        {"sppower_battery_health_info",
         {{"sppower_battery_cycle_count", integer(battery, "CycleCount")},
          {"sppower_battery_health", good ? "Good" : "Service Recommended"},
          {"sppower_battery_health_maximum_capacity", capacity}}},
    });
    if (const std::optional<nlohmann::json> adapter = registry.externalPowerAdapterDetails();
        adapter && adapter->is_object()) {
        items.push_back({{"_name", "sppower_ac_charger_information"},
                         {"sppower_battery_charger_connected", "TRUE"},
                         {"sppower_ac_charger_watts", std::to_string(integer(*adapter, "Watts"))}});
    }
    return Report{{"SPPowerDataType", std::move(items)}};
}

}  // namespace zephrane::sim
