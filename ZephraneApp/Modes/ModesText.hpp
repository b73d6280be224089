// The words of the modes screen and its rows: the count over the list, why
// a mode cannot be engaged, the template tiles' spoken texts, the delete
// confirmation, and what a row shows and says of its mode's sensor.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "shared/CustomMode.hpp"

namespace zephrane::modes {

// "1 custom mode", "3 custom modes".
std::string modeCountText(std::size_t count);

// Why no mode can be engaged: "This Mac reports no controllable fans." on a
// machine without fans; none otherwise.
std::optional<std::string> modeDisabledReason(bool hasFans);

// The template tile as a screen reader hears it: "Start from Gaming", and
// "Adds a custom mode named Gaming with a 4 560 RPM speed".
std::string templateAccessibilityLabel(std::string_view name);
std::string templateAccessibilityHint(std::string_view name, std::string_view speedSummary);

// The delete confirmation's message, the name between curly quotes as it
// stands: “Gaming” will be removed. This can't be undone.
std::string deleteConfirmationMessage(std::string_view name);

// The sensor a mode's row shows: its display sensor, else its trigger.
const ModeSensor& shownSensor(const CustomMode& mode);

// The shown sensor's temperature: "45.3°C" (as the user's units and
// precision say), or an em dash without a reading.
std::string modeTemperatureText(std::optional<double> celsius, bool fahrenheit, bool precise);
// A reading of 72 °C or more is drawn in its heat colour; the threshold is
// in Celsius whatever the units shown.
bool modeTemperatureIsHot(std::optional<double> celsius);

// What the row's main button says after the mode's name:
// "On. Min 2 400 RPM. Hottest Sensor, 45.3°C."
std::string modeRowAccessibilityValue(bool isActive, std::string_view speedSummary, std::string_view sensorLabel,
                                      std::string_view temperatureText);
// "Turns off, returning control to Apple Auto." or "Engages this mode.".
std::string_view modeRowHint(bool isActive);
// The chips' help and spoken labels: "Edit Gaming", "Delete Gaming".
std::string editChipLabel(std::string_view name);
std::string deleteChipLabel(std::string_view name);

}  // namespace zephrane::modes
