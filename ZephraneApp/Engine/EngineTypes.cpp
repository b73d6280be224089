#include "ZephraneApp/Engine/EngineTypes.hpp"

#include <limits>
#include <string>

namespace zephrane {
namespace {

std::uint32_t decodeUInt32(const json::ObjectReader& reader, std::string_view key) {
    const std::int64_t value = reader.int64(key);
    if (value < 0 || value > std::numeric_limits<std::uint32_t>::max())
        throw DecodingError(DecodingError::Kind::dataCorrupted, reader.path(key),
                            "Number " + std::to_string(value) + " does not fit in UInt32.");
    return static_cast<std::uint32_t>(value);
}

}  // namespace

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

Json GlobalShortcut::toJson(std::string_view) const {
    Json object = Json::object();
    object["keyCode"] = keyCode;
    object["carbonModifiers"] = carbonModifiers;
    return object;
}

GlobalShortcut GlobalShortcut::fromJson(const Json& value, std::string_view path) {
    json::ObjectReader reader(value, std::string(path), "GlobalShortcut");
    GlobalShortcut shortcut;
    shortcut.keyCode = decodeUInt32(reader, "keyCode");
    shortcut.carbonModifiers = decodeUInt32(reader, "carbonModifiers");
    return shortcut;
}

}  // namespace zephrane
