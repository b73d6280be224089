#include "ZephraneApp/Engine/EngineTypes.hpp"

#include "shared/JsonCoding.hpp"

#include <limits>
#include <string>

namespace zephrane {

Json PresetPowerCaps::toJson(std::string_view path) const {
    Json object = Json::object();
    object["ac"] = json::encodeDouble(ac, json::childPath(path, "ac"));
    object["battery"] = json::encodeDouble(battery, json::childPath(path, "battery"));
    return object;
}

PresetPowerCaps PresetPowerCaps::fromJson(const Json& value, std::string_view path) {
    json::ObjectReader reader(value, std::string(path), "PresetPowerCaps");
    PresetPowerCaps caps;
    caps.ac = reader.number("ac");
    caps.battery = reader.number("battery");
    return caps;
}

}  // namespace zephrane
