// How both programs describe fans and fan profiles: control modes, curve
// points, profiles with the four built-ins, the user-facing presets, and one
// fan's state as read from the SMC.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shared/EnumCases.hpp"
#include "shared/JsonFwd.hpp"
#include "shared/Uuid.hpp"

namespace zephrane {

enum class ControlMode : std::int64_t { appleAuto = 0, constantRPM = 1, adaptiveCurve = 2 };

constexpr std::int64_t rawValue(ControlMode m) { return static_cast<std::int64_t>(m); }

constexpr std::optional<ControlMode> controlModeFromRawValue(std::int64_t raw) {
    if (raw >= 0 && raw <= 2) return static_cast<ControlMode>(raw);
    return std::nullopt;
}

enum class FanPreset { quiet, auto_, max };

constexpr std::string_view rawValue(FanPreset p) {
    switch (p) {
        case FanPreset::quiet: return "quiet";
        case FanPreset::auto_: return "auto";
        case FanPreset::max: return "max";
    }
    return "quiet";
}

constexpr std::string_view displayName(FanPreset p) {
    switch (p) {
        case FanPreset::quiet: return "Quiet";
        case FanPreset::auto_: return "Balanced";
        case FanPreset::max: return "Max";
    }
    return "";
}

template <>
struct EnumCases<FanPreset> {
    static constexpr std::string_view typeName = "FanPreset";
    static constexpr std::array values{FanPreset::quiet, FanPreset::auto_, FanPreset::max};
};

struct CurvePoint {
    Uuid id;
    double temperature = 0;    // °C
    double rpmPercentage = 0;  // fraction of the fan's range, 0 (its minimum) to 1 (its maximum)

    friend bool operator==(const CurvePoint&, const CurvePoint&) = default;

    Json toJson(std::string_view path = {}) const;
    static CurvePoint fromJson(const Json& value, std::string_view path = {});
};

struct FanProfile {
    Uuid id;
    std::string name;
    ControlMode mode = ControlMode::appleAuto;
    std::int64_t constantTargetRPM = 0;  // for constantRPM; INT64_MAX asks for the fan's maximum
    std::string targetSensorGroupID;
    std::vector<CurvePoint> curvePoints;  // for adaptiveCurve

    friend bool operator==(const FanProfile&, const FanProfile&) = default;

    Json toJson(std::string_view path = {}) const;
    static FanProfile fromJson(const Json& value, std::string_view path = {});

    // Built once, on first use; the profile identities are fixed, the curve
    // points get fresh identities in every run.
    static const FanProfile& appleAuto();
    static const FanProfile& silentStealth();
    static const FanProfile& nimbraStandard();
    static const FanProfile& maxThermalBlast();
    static const std::vector<FanProfile>& builtins();
};

struct FanStatus {
    std::int64_t id = 0;  // zero-based fan index
    double currentRPM = 0;
    double minRPM = 0;
    double maxRPM = 0;
    double targetRPM = 0;
    bool isManaged = false;       // the fan is in manual mode
    bool currentRPMValid = true;  // false when reading the actual speed failed; not stored

    friend bool operator==(const FanStatus&, const FanStatus&) = default;

    Json toJson(std::string_view path = {}) const;
    static FanStatus fromJson(const Json& value, std::string_view path = {});
};

}  // namespace zephrane

template <>
struct std::hash<zephrane::FanStatus> {
    std::size_t operator()(const zephrane::FanStatus& fan) const noexcept;
};
