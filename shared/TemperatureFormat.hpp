// Temperature texts for every screen, the menu-bar label and notifications.
// Values are always held in degrees Celsius; only the text converts.
#pragma once

#include <string>

namespace zephrane::TemperatureFormat {

// celsius × 9 / 5 + 32 when `fahrenheit`, else unchanged.
double converted(double celsius, bool fahrenheit);

// The converted number alone, one decimal when `precise`, else none.
// Formatting never depends on the process locale: the app's toolkit switches
// the C locale to the user's, which would turn "45.3" into "45,3".
std::string value(double celsius, bool fahrenheit, bool precise);

// value() followed by "°C" or "°F".
std::string display(double celsius, bool fahrenheit, bool precise);

// What a screen reader says; "no reading" unless the Celsius value is a
// finite number above 0, the same rule the digits follow.
std::string spoken(double celsius, bool fahrenheit, bool precise);

}  // namespace zephrane::TemperatureFormat
