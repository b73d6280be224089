#include "ZephraneApp/Model/ModeSpeedText.hpp"

#include <algorithm>
#include <limits>

#include "shared/NumberText.hpp"
#include "shared/Saturating.hpp"

namespace zephrane {
namespace {

std::string rpmText(double fraction, const FanRange& range) {
    return groupedIntegerText(fractionToRPM(fraction, range.minRPM, range.maxRPM)) + " RPM";
}

}  // namespace

std::int64_t fractionToRPM(double fraction, double minimum, double maximum) {
    // `!(fraction > 0)` also takes NaN to the lower bound.
    const double share = !(fraction > 0) ? 0.0 : std::min(fraction, 1.0);
    const double low = std::min(minimum, maximum);
    const double high = std::max(minimum, maximum);
    const double value = std::clamp(low + share * (high - low), low, high);
    // Ten times the most extreme tens would overflow; such a figure is no
    // fan's anyway.
    constexpr std::int64_t limit = std::numeric_limits<std::int64_t>::max() / 10;
    return std::clamp(saturatingRound<std::int64_t>(value / 10.0), -limit, limit) * 10;
}

std::string wholePercentText(double fraction) {
    return std::to_string(saturatingRound<std::int64_t>(fraction * 100.0));
}

std::string speedValueText(const ModeSpeed& speed, const std::optional<FanRange>& range) {
    if (range) return rpmText(speed.percentage(), *range);
    return wholePercentText(speed.percentage()) + "%";
}

std::string modeSpeedPercentSummary(const ModeSpeed& speed) {
    const char* kind = speed.kind() == ModeSpeed::Case::floor ? "Min " : "Fixed ";
    return kind + wholePercentText(speed.percentage()) + "%";
}

std::string modeSpeedSummary(const ModeSpeed& speed, const std::optional<FanRange>& range) {
    if (!range) return modeSpeedPercentSummary(speed);
    const std::string rpm = rpmText(speed.percentage(), *range);
    return speed.kind() == ModeSpeed::Case::floor ? "Min " + rpm : rpm;
}

std::string modeSpeedPercentCaption(bool fixed, double fraction) {
    const std::string n = wholePercentText(fraction);
    return fixed ? "Fans will hold " + n + "% (safety boosts still override)" : "Fans will run at least " + n + "%";
}

std::string modeSpeedCaption(bool fixed, const std::optional<FanRange>& range, double fraction) {
    if (!range) return modeSpeedPercentCaption(fixed, fraction);
    const std::string rpm = rpmText(fraction, *range);
    return fixed ? "Fans will hold " + rpm + " (safety boosts still override)" : "Fans will run at least " + rpm;
}

std::string modeSensorLabel(const ModeSensor& sensor, std::span<const DeviceSensorReading> readings) {
    if (const auto source = sensor.controlSource()) return std::string(displayName(*source));
    const std::string id = sensor.sensorId().value_or("");
    const auto found = std::ranges::find(readings, id, &DeviceSensorReading::id);
    return found != readings.end() ? found->name : "Sensor";
}

}  // namespace zephrane
