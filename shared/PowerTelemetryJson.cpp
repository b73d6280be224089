// The stored JSON forms of PowerTelemetry.hpp's types.
#include "shared/PowerTelemetry.hpp"

#include "shared/JsonCoding.hpp"

namespace zephrane {

Json PowerTelemetry::toJson(std::string_view path) const {
    Json object = Json::object();
    object["source"] = rawValue(source);
    object["systemWatts"] = json::encodeDouble(systemWatts, json::childPath(path, "systemWatts"));
    object["isCharging"] = isCharging;
    object["isFullyCharged"] = isFullyCharged;
    object["isClamshell"] = isClamshell;
    object["adapterWatts"] = json::encodeDouble(adapterWatts, json::childPath(path, "adapterWatts"));
    if (batteryLevelPercent) object["batteryLevelPercent"] = *batteryLevelPercent;
    if (batteryCycleCount) object["batteryCycleCount"] = *batteryCycleCount;
    if (batteryHealthPercent) object["batteryHealthPercent"] = *batteryHealthPercent;
    object["hasBattery"] = hasBattery;
    object["batteryWattHours"] = json::encodeDouble(batteryWattHours, json::childPath(path, "batteryWattHours"));
    return object;
}

PowerTelemetry PowerTelemetry::fromJson(const Json& value, std::string_view path) {
    json::ObjectReader reader(value, std::string(path), "PowerTelemetry");
    PowerTelemetry t;
    t.source = reader.rawEnum<PowerSource>("source");
    t.systemWatts = reader.number("systemWatts");
    t.isCharging = reader.boolean("isCharging");
    t.isFullyCharged = reader.boolean("isFullyCharged");
    t.isClamshell = reader.boolean("isClamshell");
    t.adapterWatts = reader.number("adapterWatts");
    t.batteryLevelPercent = reader.optionalInt64("batteryLevelPercent");
    t.batteryCycleCount = reader.optionalInt64("batteryCycleCount");
    t.batteryHealthPercent = reader.optionalInt64("batteryHealthPercent");
    t.hasBattery = reader.boolean("hasBattery");
    t.batteryWattHours = reader.number("batteryWattHours");
    return t;
}

}  // namespace zephrane
