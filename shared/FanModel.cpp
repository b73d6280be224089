#include "shared/FanModel.hpp"

#include <limits>

#include "shared/HashCombine.hpp"

namespace zephrane {
namespace {

Uuid fixedId(std::uint8_t last) {
    Uuid::Bytes bytes{};
    bytes[15] = last;
    return Uuid{bytes};
}

std::vector<CurvePoint> freshPoints(std::initializer_list<std::pair<double, double>> pairs) {
    std::vector<CurvePoint> points;
    for (auto [temperature, fraction] : pairs) points.push_back({Uuid::random(), temperature, fraction});
    return points;
}

}  // namespace

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

const FanProfile& FanProfile::appleAuto() {
    static const FanProfile profile{fixedId(1), "Apple Auto", ControlMode::appleAuto, 0, "max", {}};
    return profile;
}

const FanProfile& FanProfile::silentStealth() {
    static const FanProfile profile{fixedId(2), "Silent Stealth", ControlMode::adaptiveCurve, 0, "max",
                                    freshPoints({{40, 0}, {60, 0.25}, {75, 0.5}, {90, 1.0}})};
    return profile;
}

const FanProfile& FanProfile::nimbraStandard() {
    static const FanProfile profile{fixedId(3), "Nimbra Standard", ControlMode::adaptiveCurve, 0, "max",
                                    freshPoints({{35, 0}, {55, 0.35}, {70, 0.65}, {85, 1.0}})};
    return profile;
}

const FanProfile& FanProfile::maxThermalBlast() {
    static const FanProfile profile{fixedId(4),
                                    "Max Thermal Blast",
                                    ControlMode::constantRPM,
                                    std::numeric_limits<std::int64_t>::max(),
                                    "max",
                                    {}};
    return profile;
}

const std::vector<FanProfile>& FanProfile::builtins() {
    static const std::vector<FanProfile> list{appleAuto(), silentStealth(), nimbraStandard(), maxThermalBlast()};
    return list;
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

std::size_t std::hash<zephrane::FanStatus>::operator()(const zephrane::FanStatus& f) const noexcept {
    using zephrane::hashCombine;
    std::size_t h = 0;
    hashCombine(h, f.id);
    hashCombine(h, f.currentRPM);
    hashCombine(h, f.minRPM);
    hashCombine(h, f.maxRPM);
    hashCombine(h, f.targetRPM);
    hashCombine(h, f.isManaged);
    hashCombine(h, f.currentRPMValid);
    return h;
}
