#include "shared/TemperatureFormat.hpp"

#include <charconv>
#include <cmath>

namespace zephrane::TemperatureFormat {

double converted(double celsius, bool fahrenheit) {
    return fahrenheit ? celsius * 9 / 5 + 32 : celsius;
}

std::string value(double celsius, bool fahrenheit, bool precise) {
    double v = converted(celsius, fahrenheit);
    // to_chars with a precision rounds exactly like printf in the C locale,
    // ties to even on the exact binary value, "-0", "nan" and "inf" included.
    char buffer[400];  // room for the widest fixed-notation double
    auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, precise ? 1 : 0);
    return std::string(buffer, result.ptr);
}

std::string display(double celsius, bool fahrenheit, bool precise) {
    return value(celsius, fahrenheit, precise) + (fahrenheit ? "\u00B0F" : "\u00B0C");
}

std::string spoken(double celsius, bool fahrenheit, bool precise) {
    if (!(celsius > 0) || !std::isfinite(celsius)) return "no reading";
    return value(celsius, fahrenheit, precise) + " degrees " + (fahrenheit ? "Fahrenheit" : "Celsius");
}

}  // namespace zephrane::TemperatureFormat
