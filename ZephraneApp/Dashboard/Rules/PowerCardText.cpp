#include "ZephraneApp/Dashboard/Rules/PowerCardText.hpp"

#include <cmath>

#include "ZephraneApp/Dashboard/Rules/FigureText.hpp"

namespace zephrane::dashboard {
namespace {

constexpr const char* kNotAvailable = "Not available";
constexpr const char* kAdapterHelp = "Maximum wattage reported by the connected power adapter, not current consumption.";

// One decimal and the unit; the em dash alone for a figure that is not finite.
std::string figure(double value, const char* unit) {
    return std::isfinite(value) ? fixedText(value, 1) + " " + unit : kNoValue;
}

}  // namespace

std::string batterySymbol(std::optional<std::int64_t> levelPercent) {
    if (!levelPercent) return "battery.100percent";
    const std::int64_t level = *levelPercent;
    if (level < 13) return "battery.0percent";
    if (level <= 37) return "battery.25percent";
    if (level <= 62) return "battery.50percent";
    if (level <= 87) return "battery.75percent";
    return "battery.100percent";
}

std::string powerSymbol(const PowerTelemetry& power) {
    switch (power.source) {
        case PowerSource::ac: return "powerplug";
        case PowerSource::unknown: return "bolt.slash";
        case PowerSource::battery: return batterySymbol(power.batteryLevelPercent);
    }
    return "bolt.slash";
}

std::string chargeText(const PowerTelemetry& power) {
    switch (power.chargeState()) {
        case BatteryChargeState::charging: return "Charging";
        case BatteryChargeState::discharging: return "Discharging";
        case BatteryChargeState::fullyCharged: return "Fully Charged";
        case BatteryChargeState::notCharging: return "Not Charging";
        case BatteryChargeState::unavailable: return power.source == PowerSource::ac ? "Connected" : "Unavailable";
    }
    return "Unavailable";
}

std::string sourceName(PowerSource source) {
    switch (source) {
        case PowerSource::ac: return "Adapter";
        case PowerSource::battery: return "Battery";
        case PowerSource::unknown: return "Unknown";
    }
    return "Unknown";
}

std::string adapterFigure(double adapterWatts) {
    if (!(adapterWatts > 0)) return kNotAvailable;
    if (!std::isfinite(adapterWatts)) return kNoValue;
    return fixedText(adapterWatts, std::floor(adapterWatts) == adapterWatts ? 0 : 1) + " W";
}

PowerSummary powerSummary(const PowerTelemetry& power) {
    if (power.batteryLevelPercent)
        return {std::to_string(*power.batteryLevelPercent) + "%", "Battery Charge", "Current battery charge level."};
    if (power.adapterWatts > 0) return {adapterFigure(power.adapterWatts), "Adapter Maximum", kAdapterHelp};
    return {sourceName(power.source), "Current Source", "The Mac's current power source."};
}

std::optional<std::string> batteryHealthText(const PowerTelemetry& power) {
    if (!power.hasBattery) return std::nullopt;
    if (!power.batteryHealthPercent) return std::string(kNoValue);
    return std::to_string(*power.batteryHealthPercent) + "%";
}

std::array<PowerMetric, kPowerMetricCount> powerMetrics(const PowerTelemetry& power,
                                                        std::optional<double> systemPowerWatts,
                                                        double displayPowerWatts,
                                                        std::span<const PowerTelemetry::FanSpeed> fans) {
    const std::string source = sourceName(power.source);
    return {{
        {"System Power", systemPowerWatts ? figure(*systemPowerWatts, "W") : kNoValue,
         "Live total power draw measured at the system rail."},
        {"Adapter Rating", adapterFigure(power.adapterWatts), kAdapterHelp},
        {"Battery Power", power.hasBattery ? figure(displayPowerWatts, "W") : kNotAvailable,
         "Live electrical power crossing the battery bus."},
        {"Cycle Count", power.batteryCycleCount ? std::to_string(*power.batteryCycleCount) : kNotAvailable,
         "Full charge-cycle equivalents recorded by the battery."},
        {"Full Capacity", power.batteryWattHours > 0 ? figure(power.batteryWattHours, "Wh") : kNotAvailable,
         "The battery's currently reported full-charge energy capacity."},
        {"Fan Estimate", figure(PowerTelemetry::totalFanWatts(fans), "W"),
         "Estimated power used by the controllable fans at their current speeds."},
        // No help of its own: the pointer's help reads the cell.
        {"Power Source", source, "Power Source: " + source},
    }};
}

}  // namespace zephrane::dashboard
