#include "shared/NumberText.hpp"

#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>

namespace zephrane {

std::string shortestText(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";

    // Built with append() only: GCC 12 at -O3 misreads operator+ chains on
    // strings as overlapping copies (-Wrestrict).
    std::string out;
    if (std::signbit(value)) out.push_back('-');
    if (value == 0) return out.append("0.0");

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
    std::string_view all(digits);
    if (exponent < -4 || std::fabs(value) > 0x1p54) {
        out.append(all.substr(0, 1));
        if (count > 1) out.append(".").append(all.substr(1));
        out.append(exponent < 0 ? "e-" : "e+");
        int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude < 10) out.push_back('0');
        return out.append(std::to_string(magnitude));
    }
    if (exponent >= count - 1) {
        out.append(all);
        out.append(static_cast<std::size_t>(exponent - (count - 1)), '0');
        return out.append(".0");
    }
    if (exponent >= 0) {
        auto split = static_cast<std::size_t>(exponent + 1);
        return out.append(all.substr(0, split)).append(".").append(all.substr(split));
    }
    out.append("0.");
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    return out.append(all);
}

std::string groupedIntegerText(std::int64_t value) {
    // The magnitude as unsigned: negating INT64_MIN in its own type
    // overflows, its magnitude does not.
    const bool negative = value < 0;
    const std::uint64_t magnitude =
        negative ? std::uint64_t{0} - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    const std::string digits = std::to_string(magnitude);

    std::string out;
    out.reserve(digits.size() + digits.size() / 3 + 1);
    if (negative) out.push_back('-');
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(' ');
        out.push_back(digits[i]);
    }
    return out;
}

}  // namespace zephrane
