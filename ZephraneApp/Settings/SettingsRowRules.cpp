#include "ZephraneApp/Settings/SettingsRowRules.hpp"

#include <charconv>
#include <cmath>

#include "shared/Saturating.hpp"
#include "shared/TemperatureFormat.hpp"

namespace zephrane::settingsview {
namespace {

// A rule for a category neither stored nor among the defaults.
constexpr AlertRule kFallbackRule{false, 90.0, false};

}  // namespace

std::string smoothingText(double alpha) {
    // Independent of the process locale, which the toolkit switches to the
    // user's ("0,35").
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, alpha, std::chars_format::fixed, 2);
    return std::string(buffer, result.ptr);
}

std::string spoolRateText(double rpmPerSecond) {
    if (rpmPerSecond >= kInstantSpoolRate) return "Instant";
    return std::to_string(saturatingCast<std::int64_t>(rpmPerSecond)) + " RPM/s";
}

std::string capText(double fraction) { return std::to_string(saturatingRound<std::int64_t>(fraction * 100)) + "%"; }

double storedCap(const PresetPowerCapsTable& caps, FanPreset preset, PowerSource source) {
    const auto entry = caps.find(preset);
    if (entry == caps.end()) return 1.0;
    return source == PowerSource::ac ? entry->second.ac : entry->second.battery;
}

std::string thresholdText(double celsius, bool fahrenheit) {
    return TemperatureFormat::display(celsius, fahrenheit, false);
}

bool thresholdTakesHeatColor(double celsius) { return celsius >= kHeatColoredThreshold; }

AlertRule ruleOf(SensorCategory category, const std::map<SensorCategory, AlertRule>& stored,
                 const std::map<SensorCategory, AlertRule>& defaults) {
    if (const auto rule = stored.find(category); rule != stored.end()) return rule->second;
    if (const auto rule = defaults.find(category); rule != defaults.end()) return rule->second;
    return kFallbackRule;
}

std::string ruleSummaryText(const AlertRule& rule, bool fahrenheit) {
    if (!rule.enabled) return "Off";
    std::string text = thresholdText(rule.thresholdCelsius, fahrenheit);
    if (rule.autoBoost) text += " \u00B7 Auto-boost";
    return text;
}

std::string ruleThresholdLabel(SensorCategory category) { return std::string(displayName(category)) + " threshold"; }

}  // namespace zephrane::settingsview
