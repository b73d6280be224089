// One snapshot of the machine's power state, and the arithmetic that turns it
// into what the user sees: watts rounded for display, the charge state, the
// battery health as a percentage and an estimate of what the fans draw.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "shared/EnumCases.hpp"
#include "shared/JsonFwd.hpp"

namespace zephrane {

enum class PowerSource { ac, battery, unknown };

constexpr std::string_view rawValue(PowerSource s) {
    switch (s) {
        case PowerSource::ac: return "ac";
        case PowerSource::battery: return "battery";
        case PowerSource::unknown: return "unknown";
    }
    return "unknown";
}

template <>
struct EnumCases<PowerSource> {
    static constexpr std::string_view typeName = "PowerSource";
    static constexpr std::array values{PowerSource::ac, PowerSource::battery, PowerSource::unknown};
};

enum class BatteryChargeState { charging, discharging, fullyCharged, notCharging, unavailable };

constexpr std::string_view rawValue(BatteryChargeState s) {
    switch (s) {
        case BatteryChargeState::charging: return "charging";
        case BatteryChargeState::discharging: return "discharging";
        case BatteryChargeState::fullyCharged: return "fullyCharged";
        case BatteryChargeState::notCharging: return "notCharging";
        case BatteryChargeState::unavailable: return "unavailable";
    }
    return "unavailable";
}

template <>
struct EnumCases<BatteryChargeState> {
    static constexpr std::string_view typeName = "BatteryChargeState";
    static constexpr std::array values{BatteryChargeState::charging, BatteryChargeState::discharging,
                                       BatteryChargeState::fullyCharged, BatteryChargeState::notCharging,
                                       BatteryChargeState::unavailable};
};

struct PowerTelemetry {
    PowerSource source = PowerSource::unknown;
    double systemWatts = 0;  // W through the battery, a magnitude
    bool isCharging = false;
    bool isFullyCharged = false;
    bool isClamshell = false;  // the lid is closed
    double adapterWatts = 0;   // W the connected adapter is rated for
    std::optional<std::int64_t> batteryLevelPercent;   // 0...100
    std::optional<std::int64_t> batteryCycleCount;
    std::optional<std::int64_t> batteryHealthPercent;  // maximum capacity as reported, 0...100
    bool hasBattery = false;
    double batteryWattHours = 0;  // Wh, the battery's capacity

    friend bool operator==(const PowerTelemetry&, const PowerTelemetry&) = default;

    bool onBattery() const { return source == PowerSource::battery; }

    // A missing battery wins over everything, then running on battery wins
    // over whatever the charging flags say.
    BatteryChargeState chargeState() const;

    // Watts to one decimal, halves away from zero: 0.05 gives 0.1.
    static double displayWatts(double watts);

    // Equal once the watt and watt-hour figures of both are rounded by
    // displayWatts; every other field must match exactly.
    bool displayEquivalent(const PowerTelemetry& other) const;

    // Estimated electrical power of one fan: 2.5 W at full speed, falling
    // with the cube of rpm / maxRPM (capped at 1). 0 unless both are above 0.
    static double fanWatts(double rpm, double maxRPM);

    struct FanSpeed {
        double rpm = 0;
        double maxRPM = 0;
    };
    static double totalFanWatts(std::span<const FanSpeed> fans);

    // Absent optionals are left out; a missing optional key reads as absent.
    Json toJson(std::string_view path = {}) const;
    static PowerTelemetry fromJson(const Json& value, std::string_view path = {});
};

// The battery health percentage from the maximum capacity the system reports.
// These are free functions because a static member could not share its name
// with the field `batteryHealthPercent`.
//
// From a number: finite and within 0...100 (tested before rounding) gives it
// rounded, halves away from zero; anything else gives none.
std::optional<std::int64_t> batteryHealthPercent(double reportedMaximumCapacity);

// From a text: every decimal digit in it, in order, forms one integer and all
// other characters are skipped ("87%" gives 87, "87.5%" reads as 875 and gives
// none). The text is read as UTF-8; a digit is any code point of Unicode
// general category Nd as of Unicode 15.0 (ASCII, Arabic-Indic, Devanagari,
// Fullwidth, Mathematical digits and the rest), invalid bytes count as
// non-digits. Each code point is judged alone, so a digit carrying a
// combining mark still counts. No digit gives none; so does a number past the
// Int64 range, which is above 100 anyway.
std::optional<std::int64_t> batteryHealthPercent(std::string_view reportedMaximumCapacityText);

}  // namespace zephrane
