#include "ZephraneApp/Dashboard/Rules/HeroText.hpp"

#include <algorithm>
#include <cmath>

#include "ZephraneApp/Dashboard/Rules/FigureText.hpp"
#include "shared/Saturating.hpp"
#include "shared/TemperatureFormat.hpp"

namespace zephrane::dashboard {
namespace {

constexpr double kBarHeight = 6;

std::string replacedAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace

std::string readoutDigits(double celsius, const std::string& callerDigits) {
    return isTemperatureReading(celsius) ? callerDigits : kNoValue;
}

double readoutRollKey(double rollKey, double celsius) {
    if (std::isfinite(rollKey)) return std::floor(rollKey);
    if (isTemperatureReading(celsius)) return std::floor(celsius);
    return 0;
}

double readoutOpacity(double celsius) { return isTemperatureReading(celsius) ? 1.0 : 0.45; }

std::string readoutSpoken(double celsius, bool fahrenheit, bool precise) {
    return isTemperatureReading(celsius) ? TemperatureFormat::spoken(celsius, fahrenheit, precise) : "no reading";
}

std::string unitText(bool fahrenheit) { return fahrenheit ? "\u00B0F" : "\u00B0C"; }

std::optional<std::int64_t> loadPercent(double fraction) {
    if (!std::isfinite(fraction)) return std::nullopt;
    return saturatingRound<std::int64_t>(fraction * 100);
}

std::string loadPercentText(double fraction) {
    const auto percent = loadPercent(fraction);
    return percent ? std::to_string(*percent) + "%" : kNoValue;
}

std::string loadSpokenValue(double fraction, const std::string& detail) {
    const auto percent = loadPercent(fraction);
    std::string spoken = percent ? std::to_string(*percent) + " percent" : "no reading";
    if (!detail.empty()) spoken += ", " + replacedAll(detail, " / ", " of ");
    return spoken;
}

double loadBarWidth(double fraction, double trackWidth) {
    if (!(trackWidth > kBarHeight)) return trackWidth > 0 ? trackWidth : 0.0;
    if (!std::isfinite(fraction)) return kBarHeight;
    return std::clamp(fraction * trackWidth, kBarHeight, trackWidth);
}

}  // namespace zephrane::dashboard
