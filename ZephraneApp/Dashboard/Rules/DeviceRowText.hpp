// What a device sensor row shows and says: its value, the heat colour from
// 72 °C, the spoken label and hint, and, while expanded, the history
// graph's tint, its lowest and highest value and their spoken summary.
#pragma once

#include <span>
#include <string>

#include "shared/DeviceSensorMap.hpp"

namespace zephrane::dashboard {

struct DeviceRowSettings {
    bool fahrenheit = false;
    bool precise = true;
    bool expanded = false;
    bool interactive = true;  // the row can be tapped: focusable, a button
};

struct DeviceRowDisplay {
    bool hasValue = false;   // a finite value
    std::string valueText;   // the number alone, or the em dash
    bool valueIsHot = false;
    double valueCelsius = 0;
    std::string accessibleName;   // "CPU, 54.2°C" or "CPU, no reading"
    std::string accessibleValue;  // the history summary while expanded, else empty
    std::string hint;
    // What assistive technologies read after the name: the value, then the hint.
    std::string accessibleDescription;
    double graphTintCelsius = 0;
    bool hasExtremes = false;     // the min and max captions show
    std::string minText;          // "min 41.0°C"
    std::string maxText;
    friend bool operator==(const DeviceRowDisplay&, const DeviceRowDisplay&) = default;
};

// The disclosure chevron: a quarter turn while expanded, never under
// Reduce Motion; brighter while hovered or expanded.
double chevronRotation(bool expanded, bool reduceMotion);
double chevronOpacity(bool hovering, bool expanded);

// `history` in °C, oldest first; a collapsed row passes none, since it
// never reads its history.
DeviceRowDisplay deviceRowDisplay(const DeviceSensorReading& reading, std::span<const double> history,
                                  const DeviceRowSettings& settings);

}  // namespace zephrane::dashboard
