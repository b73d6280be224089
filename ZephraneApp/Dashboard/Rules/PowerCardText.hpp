// The power card's texts: the source's symbol and charge words, the
// headline figure, the battery's maximum capacity and the seven figures of
// its grid, the fans' estimated power among them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "shared/PowerTelemetry.hpp"

namespace zephrane::dashboard {

// "powerplug", "bolt.slash", or the battery symbol for the charge level.
std::string powerSymbol(const PowerTelemetry& power);
std::string batterySymbol(std::optional<std::int64_t> levelPercent);
// "Charging", "Discharging", "Fully Charged", "Not Charging", "Connected"
// or "Unavailable".
std::string chargeText(const PowerTelemetry& power);
// "Adapter", "Battery" or "Unknown".
std::string sourceName(PowerSource source);
// "Not available" for no adapter figure; whole watts without decimals,
// others with one ("96 W", "67.5 W").
std::string adapterFigure(double adapterWatts);

struct PowerSummary {
    std::string value;
    std::string label;
    std::string help;
    friend bool operator==(const PowerSummary&, const PowerSummary&) = default;
};
PowerSummary powerSummary(const PowerTelemetry& power);

// The maximum-capacity figure, "87%" or the em dash; none without a battery
// (the block is not shown).
std::optional<std::string> batteryHealthText(const PowerTelemetry& power);

struct PowerMetric {
    std::string label;
    std::string value;
    std::string help;  // what the pointer's help says: the metric's own, else "label: value"
    friend bool operator==(const PowerMetric&, const PowerMetric&) = default;
};
inline constexpr std::size_t kPowerMetricCount = 7;
// Row by row, three to a row; the last row holds "Power Source" alone.
std::array<PowerMetric, kPowerMetricCount> powerMetrics(const PowerTelemetry& power,
                                                        std::optional<double> systemPowerWatts,
                                                        double displayPowerWatts,
                                                        std::span<const PowerTelemetry::FanSpeed> fans);

}  // namespace zephrane::dashboard
