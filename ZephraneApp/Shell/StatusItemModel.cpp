#include "ZephraneApp/Shell/StatusItemModel.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <numbers>

namespace zephrane {

StatusTint statusTint(int tier) {
    switch (tier) {
        case 1: return StatusTint::green;
        case 2: return StatusTint::greenYellow;
        case 3: return StatusTint::yellow;
        case 4: return StatusTint::orange;
        case 5: return StatusTint::red;
        default: return StatusTint::none;
    }
}

std::optional<SpinRate> spinRate(int tier) {
    static constexpr std::array<double, 6> revolutionsPerSecond{0.0, 0.35, 0.7, 1.2, 1.8, 2.4};
    if (tier < 1 || tier > 5) return std::nullopt;
    const double revolutions = revolutionsPerSecond[static_cast<std::size_t>(tier)];
    const double ticks = std::min(12 * revolutions, 24.0);
    return SpinRate{ticks, revolutions * 2 * std::numbers::pi / ticks};
}

std::string roundedFanText(std::string_view fanText) {
    std::string_view digits = fanText;
    const bool negative = !digits.empty() && digits.front() == '-';
    if (!digits.empty() && (digits.front() == '+' || negative)) digits.remove_prefix(1);
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::string(fanText);
    // Parsed with its sign, so the most negative value fits.
    std::int64_t value = 0;
    const std::string signedDigits = (negative ? "-" : "") + std::string(digits);
    const auto [end, error] = std::from_chars(signedDigits.data(), signedDigits.data() + signedDigits.size(), value);
    if (error != std::errc() || end != signedDigits.data() + signedDigits.size()) return std::string(fanText);

    // Integers only: a double loses units above 2^53, and adding the half
    // step first overflows near the ends of the range.
    constexpr std::int64_t step = 50;
    std::int64_t quotient = value / step;
    const std::int64_t remainder = value % step;
    if (remainder >= step / 2) ++quotient;
    if (remainder <= -step / 2) --quotient;
    std::int64_t rounded = 0;
    if (__builtin_mul_overflow(quotient, step, &rounded))
        rounded = quotient > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    return std::to_string(rounded);
}

std::string statusLabelText(const StatusLabelState& state) {
    switch (state.readout) {
        case MenuBarReadout::none: return {};
        case MenuBarReadout::controlTemperature: return state.temperatureText;
        case MenuBarReadout::hottestFan: return roundedFanText(state.fanText);
        case MenuBarReadout::both: return state.temperatureText + " \u00b7 " + roundedFanText(state.fanText);
        case MenuBarReadout::hottestSensor: return state.hottestSensorText;
    }
    return {};
}

std::string statusAccessibilityLabel(const StatusLabelState& state) {
    switch (state.readout) {
        case MenuBarReadout::none: return "Brumalune fan control";
        case MenuBarReadout::controlTemperature: return "Control temperature, " + state.temperatureText;
        case MenuBarReadout::hottestFan: return "Fan speed, " + state.fanText + " RPM";
        case MenuBarReadout::both:
            return "Control temperature " + state.temperatureText + ", fan speed " + state.fanText + " RPM";
        case MenuBarReadout::hottestSensor: return "Hottest sensor, " + state.hottestSensorText;
    }
    return {};
}

int statusItemLength(int textWidth) { return textWidth > 0 ? 20 + textWidth + 4 : 20; }

StatusItemModel::Render StatusItemModel::apply(const StatusLabelState& state, bool force, bool reduceMotion) {
    Render render;
    render.text = statusLabelText(state);
    render.textChanged = force || !lastState_ || statusLabelText(*lastState_) != render.text;
    lastState_ = state;
    render.accessibilityLabel = statusAccessibilityLabel(state);
    if (state.animated && !reduceMotion && visible()) {
        render.spinTier = spinRate(state.spinTier) ? state.spinTier : 0;
        render.tint = statusTint(state.spinTier);
    }
    return render;
}

std::optional<StatusItemModel::Render> StatusItemModel::updateDisplayState(std::optional<bool> screenLocked,
                                                                           std::optional<bool> displaysAsleep,
                                                                           bool reduceMotion) {
    const bool before = visible();
    if (screenLocked) screenLocked_ = *screenLocked;
    if (displaysAsleep) displaysAsleep_ = *displaysAsleep;
    if (visible() == before || !lastState_) return std::nullopt;
    return apply(*lastState_, true, reduceMotion);
}

std::optional<StatusItemModel::Render> StatusItemModel::reapply(bool reduceMotion) {
    if (!lastState_) return std::nullopt;
    return apply(*lastState_, true, reduceMotion);
}

}  // namespace zephrane
