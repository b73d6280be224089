// The stored JSON forms of SensorModel.hpp's types.
#include "shared/SensorModel.hpp"

#include "shared/JsonCoding.hpp"

namespace zephrane {

Json AlertRule::toJson(std::string_view path) const {
    Json object = Json::object();
    object["enabled"] = enabled;
    object["thresholdCelsius"] = json::encodeDouble(thresholdCelsius, json::childPath(path, "thresholdCelsius"));
    object["autoBoost"] = autoBoost;
    return object;
}

AlertRule AlertRule::fromJson(const Json& value, std::string_view path) {
    json::ObjectReader reader(value, std::string(path), "AlertRule");
    AlertRule rule;
    rule.enabled = reader.boolean("enabled");
    rule.thresholdCelsius = reader.number("thresholdCelsius");
    rule.autoBoost = reader.boolean("autoBoost");
    return rule;
}

Json SMCSensor::toJson(std::string_view path) const {
    Json object = Json::object();
    object["id"] = id;
    object["key"] = key;
    object["name"] = name;
    object["category"] = std::string(rawValue(category));
    object["currentTemp"] = json::encodeDouble(currentTemp, json::childPath(path, "currentTemp"));
    object["sensorClass"] = std::string(rawValue(sensorClass));
    object["unit"] = unit;
    return object;
}

SMCSensor SMCSensor::fromJson(const Json& value, std::string_view path) {
    json::ObjectReader reader(value, std::string(path), "SMCSensor");
    SMCSensor sensor;
    sensor.id = reader.string("id");
    sensor.key = reader.string("key");
    sensor.name = reader.string("name");
    sensor.category = reader.rawEnum<SensorCategory>("category");
    sensor.currentTemp = reader.number("currentTemp");
    sensor.sensorClass = reader.rawEnum<SensorClass>("sensorClass");
    sensor.unit = reader.string("unit");
    return sensor;
}

}  // namespace zephrane
