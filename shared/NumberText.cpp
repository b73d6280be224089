#include "shared/NumberText.hpp"

#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>

namespace zephrane {

std::string shortestText(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    const bool negative = std::signbit(value);
    std::string sign = negative ? "-" : "";
    if (value == 0) return sign + "0.0";

    // Scientific shortest form gives the significant digits and the exponent;
    // the layout is then ours to choose.
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific);
    std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    auto e = text.find('e');
    std::string digits;
    for (char c : text.substr(0, e))
        if (c != '.') digits.push_back(c);
    int exponent = 0;
    auto exponentText = text.substr(e + 1);
    if (!exponentText.empty() && exponentText.front() == '+') exponentText.remove_prefix(1);
    std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);

    const int count = static_cast<int>(digits.size());
    if (exponent < -4 || std::fabs(value) > 0x1p54) {
        std::string out = sign + digits.substr(0, 1);
        if (count > 1) out += "." + digits.substr(1);
        out += exponent < 0 ? "e-" : "e+";
        int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude < 10) out += "0";
        out += std::to_string(magnitude);
        return out;
    }
    if (exponent >= count - 1) {
        return sign + digits + std::string(static_cast<std::size_t>(exponent - (count - 1)), '0') + ".0";
    }
    if (exponent >= 0) {
        auto split = static_cast<std::size_t>(exponent + 1);
        return sign + digits.substr(0, split) + "." + digits.substr(split);
    }
    return sign + "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
}

}  // namespace zephrane
