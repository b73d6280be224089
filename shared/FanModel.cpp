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
