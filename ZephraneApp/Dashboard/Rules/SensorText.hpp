// How one discovered sensor reads in the sensor list: its symbol, its value
// in its class's unit, whether the value takes the heat colour, what a
// screen reader says, and its pin control's symbol and words (which the
// device rows share).
#pragma once

#include <string>

#include "shared/SensorModel.hpp"

namespace zephrane::dashboard {

// Temperatures at or above this take the heat colour, in °C whatever the
// scale shown.
inline constexpr double kHotCelsius = 72.0;

// By class, and for temperatures by category.
std::string sensorSymbolName(const SMCSensor& sensor);

// The value with its unit: temperatures in the scale asked for, watts,
// volts and amperes with two decimals, fans in grouped whole rpm, other
// values with two decimals and no unit; the em dash for a value that is
// not finite, whatever the class.
std::string sensorValueText(const SMCSensor& sensor, bool fahrenheit, bool precise);

// A finite temperature of kHotCelsius or more. Anything else, the em dash
// of a value that is not finite included, is drawn in the primary colour.
bool sensorValueIsHot(const SMCSensor& sensor);

// "CPU Core 1, 54.2°C" and ", pinned" when pinned.
std::string sensorSpokenText(const SMCSensor& sensor, bool fahrenheit, bool precise, bool pinned);

// The pin button and the context menu of a pinnable row.
std::string pinSymbol(bool pinned);                            // "pin.slash" or "pin"
std::string pinLabel(bool pinned, const std::string& name);    // "Unpin CPU" or "Pin CPU"
std::string pinMenuText(bool pinned);                          // "Unpin" or "Pin"

}  // namespace zephrane::dashboard
