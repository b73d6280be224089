// The settings form's texts and lookups, as plain functions: what each row
// shows for the value the engine holds, and which rule or cap a row reads
// when the engine stores none. Stored values stay in their engine units
// (degrees Celsius, fractions of the fan range); only these texts convert.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "shared/SensorModel.hpp"

namespace zephrane::settingsview {

// The smoothing factor with two decimals ("0.35").
std::string smoothingText(double alpha);

// "Instant" from 9000 rpm per second on (the slider's right end); below it
// the rate cut toward zero, in plain digits, and " RPM/s" ("1234 RPM/s").
inline constexpr double kInstantSpoolRate = 9000;
std::string spoolRateText(double rpmPerSecond);

// A cap as a whole percent, halves away from zero ("55%").
std::string capText(double fraction);

// A preset's cap on one power source as the engine stores it; 1.0 when the
// table has no entry for the preset.
enum class PowerSource { ac, battery };
double storedCap(const PresetPowerCapsTable& caps, FanPreset preset, PowerSource source);

// A threshold in whole degrees of the display unit ("90°C", "194°F").
std::string thresholdText(double celsius, bool fahrenheit);
// From 72 °C on the overheat threshold is drawn in its heat colour.
inline constexpr double kHeatColoredThreshold = 72;
bool thresholdTakesHeatColor(double celsius);

// A category's rule: the stored one, else the default one, else off at
// 90 °C without auto-boost.
AlertRule ruleOf(SensorCategory category, const std::map<SensorCategory, AlertRule>& stored,
                 const std::map<SensorCategory, AlertRule>& defaults);
// "95°C · Auto-boost", "95°C", or "Off" for a disabled rule.
std::string ruleSummaryText(const AlertRule& rule, bool fahrenheit);
// "Neural Engine threshold": what a screen reader calls the row's slider.
std::string ruleThresholdLabel(SensorCategory category);

}  // namespace zephrane::settingsview
