// The stored JSON forms of FanModel.hpp's types.
#include "shared/FanModel.hpp"

#include "shared/JsonCoding.hpp"

namespace zephrane {

Json CurvePoint::toJson(std::string_view path) const {
    Json object = Json::object();
    object["id"] = id.uuidString();
    object["temperature"] = json::encodeDouble(temperature, json::childPath(path, "temperature"));
    object["rpmPercentage"] = json::encodeDouble(rpmPercentage, json::childPath(path, "rpmPercentage"));
    return object;
}

CurvePoint CurvePoint::fromJson(const Json& value, std::string_view path) {
    json::ObjectReader reader(value, std::string(path), "CurvePoint");
    return {reader.uuid("id"), reader.number("temperature"), reader.number("rpmPercentage")};
}

Json FanProfile::toJson(std::string_view path) const {
    Json object = Json::object();
    object["id"] = id.uuidString();
    object["name"] = name;
    object["mode"] = rawValue(mode);
    object["constantTargetRPM"] = constantTargetRPM;
    object["targetSensorGroupID"] = targetSensorGroupID;
    Json points = Json::array();
    auto pointsPath = json::childPath(path, "curvePoints");
    for (std::size_t i = 0; i < curvePoints.size(); ++i)
        points.push_back(curvePoints[i].toJson(json::indexPath(pointsPath, i)));
    object["curvePoints"] = std::move(points);
    return object;
}

FanProfile FanProfile::fromJson(const Json& value, std::string_view path) {
    json::ObjectReader reader(value, std::string(path), "FanProfile");
    FanProfile profile;
    profile.id = reader.uuid("id");
    profile.name = reader.string("name");
    std::int64_t rawMode = reader.int64("mode");
    auto mode = controlModeFromRawValue(rawMode);
    if (!mode)
        throw DecodingError(DecodingError::Kind::dataCorrupted, reader.path("mode"),
                            "Cannot initialize ControlMode from invalid Int value " + std::to_string(rawMode));
    profile.mode = *mode;
    profile.constantTargetRPM = reader.int64("constantTargetRPM");
    profile.targetSensorGroupID = reader.string("targetSensorGroupID");
    const Json& points = json::requireArray(reader.require("curvePoints"), reader.path("curvePoints"), "[CurvePoint]");
    for (std::size_t i = 0; i < points.size(); ++i)
        profile.curvePoints.push_back(CurvePoint::fromJson(points[i], json::indexPath(reader.path("curvePoints"), i)));
    return profile;
}

Json FanStatus::toJson(std::string_view path) const {
    Json object = Json::object();
    object["id"] = id;
    object["currentRPM"] = json::encodeDouble(currentRPM, json::childPath(path, "currentRPM"));
    object["minRPM"] = json::encodeDouble(minRPM, json::childPath(path, "minRPM"));
    object["maxRPM"] = json::encodeDouble(maxRPM, json::childPath(path, "maxRPM"));
    object["targetRPM"] = json::encodeDouble(targetRPM, json::childPath(path, "targetRPM"));
    object["isManaged"] = isManaged;
    return object;
}

FanStatus FanStatus::fromJson(const Json& value, std::string_view path) {
    json::ObjectReader reader(value, std::string(path), "FanStatus");
    FanStatus fan;
    fan.id = reader.int64("id");
    fan.currentRPM = reader.number("currentRPM");
    fan.minRPM = reader.number("minRPM");
    fan.maxRPM = reader.number("maxRPM");
    fan.targetRPM = reader.number("targetRPM");
    fan.isManaged = reader.boolean("isManaged");
    fan.currentRPMValid = true;
    return fan;
}

}  // namespace zephrane
