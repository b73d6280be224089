// The number texts the dashboard's blocks share: fixed decimals that never
// follow the process locale, and the one rule for "is this a reading".
#pragma once

#include <string>

namespace zephrane::dashboard {

// The em dash every block shows where a figure has no value.
inline constexpr const char* kNoValue = "\u2014";

// `value` with exactly `decimals` decimals and a full stop, as C's "%.Nf"
// in the C locale; the em dash for a value that is not finite.
std::string fixedText(double value, int decimals);

// A temperature is a reading when it is finite and above 0 °C. The digits,
// the spoken text and the panel all go by this one rule.
bool isTemperatureReading(double celsius);

}  // namespace zephrane::dashboard
