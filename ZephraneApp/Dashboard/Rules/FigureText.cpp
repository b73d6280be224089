#include "ZephraneApp/Dashboard/Rules/FigureText.hpp"

#include <charconv>
#include <cmath>

namespace zephrane::dashboard {

std::string fixedText(double value, int decimals) {
    if (!std::isfinite(value)) return kNoValue;
    char buffer[400];  // room for the widest fixed-notation double
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, written.ptr);
}

bool isTemperatureReading(double celsius) { return std::isfinite(celsius) && celsius > 0; }

}  // namespace zephrane::dashboard
