// The stored JSON forms of CustomMode.hpp's types.
#include "shared/CustomMode.hpp"

#include "shared/JsonCoding.hpp"

namespace zephrane {
namespace {

constexpr std::string_view caseName(ModeSpeed::Case kind) {
    return kind == ModeSpeed::Case::floor ? "floor" : "fixed";
}

}  // namespace

Json ModeSpeed::toJson(std::string_view path) const {
    auto casePath = json::childPath(path, caseName(kind_));
    Json payload = Json::object();
    payload["percentage"] = json::encodeDouble(percentage_, json::childPath(casePath, "percentage"));
    Json object = Json::object();
    object[std::string(caseName(kind_))] = std::move(payload);
    return object;
}

ModeSpeed ModeSpeed::fromJson(const Json& value, std::string_view path) {
    auto key = json::singleCaseKey(value, path, "ModeSpeed", {"floor", "fixed"});
    auto casePath = json::childPath(path, key);
    json::ObjectReader payload(value.at(std::string(key)), casePath, "ModeSpeed." + std::string(key));
    double percentage = payload.number("percentage");
    return key == "floor" ? floor(percentage) : fixed(percentage);
}

Json ModeSensor::toJson(std::string_view) const {
    Json payload = Json::object();
    Json object = Json::object();
    if (const auto* source = std::get_if<ControlSource>(&payload_)) {
        // The source case has an unlabelled payload, stored under "_0".
        payload["_0"] = rawValue(*source);
        object["source"] = std::move(payload);
    } else {
        payload["id"] = std::get<std::string>(payload_);
        object["sensor"] = std::move(payload);
    }
    return object;
}

ModeSensor ModeSensor::fromJson(const Json& value, std::string_view path) {
    auto key = json::singleCaseKey(value, path, "ModeSensor", {"source", "sensor"});
    auto casePath = json::childPath(path, key);
    json::ObjectReader payload(value.at(std::string(key)), casePath, "ModeSensor." + std::string(key));
    if (key == "source") return source(payload.rawEnum<ControlSource>("_0"));
    return sensor(payload.string("id"));
}

Json CustomMode::toJson(std::string_view path) const {
    Json object = Json::object();
    object["id"] = id_.uuidString();
    object["name"] = name_;
    object["symbolName"] = symbolName_;
    object["speed"] = speed_.toJson(json::childPath(path, "speed"));
    object["controlSensor"] = controlSensor_.toJson(json::childPath(path, "controlSensor"));
    if (displaySensor_) object["displaySensor"] = displaySensor_->toJson(json::childPath(path, "displaySensor"));
    object["drivesMainReadout"] = drivesMainReadout_;
    return object;
}

CustomMode CustomMode::fromJson(const Json& value, std::string_view path) {
    json::ObjectReader reader(value, std::string(path), "CustomMode");
    Uuid id = reader.uuid("id");
    std::string name = reader.string("name");
    std::string symbolName = reader.string("symbolName");

    // Modes stored before there were fixed speeds carry only a floor fraction.
    // When "speed" is there the legacy key is not looked at, even if broken.
    ModeSpeed speed = reader.contains("speed")
                          ? ModeSpeed::fromJson(reader.require("speed"), reader.path("speed"))
                          : ModeSpeed::floor(reader.number("floorPercentage"));

    ModeSensor controlSensor = ModeSensor::source(ControlSource::hottest);
    if (const Json* stored = reader.find("controlSensor"))
        controlSensor = ModeSensor::fromJson(*stored, reader.path("controlSensor"));

    std::optional<ModeSensor> displaySensor;
    if (const Json* stored = reader.find("displaySensor"))
        displaySensor = ModeSensor::fromJson(*stored, reader.path("displaySensor"));

    bool drivesMainReadout = reader.optionalBool("drivesMainReadout").value_or(false);

    // The constructor clamps the speed.
    return CustomMode(id, std::move(name), std::move(symbolName), speed, std::move(controlSensor),
                      std::move(displaySensor), drivesMainReadout);
}

Json encodeCustomModes(std::span<const CustomMode> modes, std::string_view path) {
    Json array = Json::array();
    for (std::size_t i = 0; i < modes.size(); ++i) array.push_back(modes[i].toJson(json::indexPath(path, i)));
    return array;
}

std::vector<CustomMode> decodeCustomModes(const Json& value, std::string_view path) {
    json::requireArray(value, path, "[CustomMode]");
    std::vector<CustomMode> modes;
    modes.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i)
        modes.push_back(CustomMode::fromJson(value[i], json::indexPath(path, i)));
    return modes;
}

}  // namespace zephrane
