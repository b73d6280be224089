#include "ZephraneApp/Shell/FanSpeedSliderLogic.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

#include "shared/ControlPipeline.hpp"
#include "shared/NumberText.hpp"
#include "shared/Saturating.hpp"

namespace zephrane::FanSpeedSliderLogic {
namespace {

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// "Gaming's fixed speed".
std::string possessiveSpeed(const CustomMode& mode) {
    return mode.name() + "'s " + lowerCase(mode.speed().displayName()) + " speed";
}

double mean(double sum, std::size_t count) { return sum / static_cast<double>(count); }

}  // namespace

Target target(const std::optional<CustomMode>& activeMode) {
    return activeMode ? Target::customMode(*activeMode) : Target::manual();
}

std::string label(const Target& target) {
    return target.mode() != nullptr ? target.mode()->name() + " Speed" : "Fan Speed";
}

std::string helpText(const Target& target) {
    if (const CustomMode* mode = target.mode()) return "Adjusts " + possessiveSpeed(*mode);
    return "Drag to take over at a fixed fan speed";
}

std::string accessibilityHint(const Target& target, bool manualControlEngaged) {
    if (const CustomMode* mode = target.mode()) return "Dragging adjusts " + possessiveSpeed(*mode);
    return manualControlEngaged ? "" : "Dragging takes over at a fixed fan speed";
}

std::string accessibilityValue(const Target& target, std::string_view rpmText) {
    if (const CustomMode* mode = target.mode()) return std::string(mode->speed().displayName()) + " " + std::string(rpmText);
    return std::string(rpmText);
}

RPMRange sliderRPMRange(std::span<const Fan> fans) {
    std::optional<double> lower;
    std::optional<double> upper;
    for (const Fan& fan : fans) {
        if (std::isfinite(fan.minRPM)) lower = std::min(lower.value_or(fan.minRPM), fan.minRPM);
        if (std::isfinite(fan.maxRPM)) upper = std::max(upper.value_or(fan.maxRPM), fan.maxRPM);
    }
    const RPMRange defaults;
    return {lower.value_or(defaults.lower), upper.value_or(defaults.upper)};
}

std::optional<std::int64_t> sliderRPM(double fraction, const RPMRange& range) {
    // std::clamp with lower above upper is undefined; such a range has no RPM.
    if (!std::isfinite(range.lower) || !std::isfinite(range.upper) || range.lower > range.upper) return std::nullopt;
    const double f = std::isnan(fraction) ? 0.0 : std::clamp(fraction, 0.0, 1.0);
    const double rpm = std::clamp(range.lower + f * (range.upper - range.lower), range.lower, range.upper);
    return saturatingRound<std::int64_t>(rpm);
}

std::string sliderRPMText(double fraction, const RPMRange& range) {
    const auto rpm = sliderRPM(fraction, range);
    return rpm ? groupedIntegerText(*rpm) + " RPM" : "--";
}

std::string idleSpeedText(double sliderValue, std::span<const Fan> fans) {
    if (sliderValue <= 0.0001 && !fans.empty()) return "Min";
    std::optional<double> highest;
    for (const Fan& fan : fans)
        if (std::isfinite(fan.currentRPM)) highest = std::max(highest.value_or(fan.currentRPM), fan.currentRPM);
    if (!highest || !(*highest > 0)) return "--";
    return groupedIntegerText(saturatingRound<std::int64_t>(*highest)) + " RPM";
}

bool isManualControlEngaged(std::span<const Fan> fans, const std::optional<FanProfile>& activeProfile) {
    if (std::any_of(fans.begin(), fans.end(), [](const Fan& fan) { return fan.manualTarget.has_value(); }))
        return true;
    // The built-in full-speed profile asks for the largest integer; it is a
    // preset, not a hand on the fans.
    return activeProfile && activeProfile->mode == ControlMode::constantRPM &&
           activeProfile->constantTargetRPM != std::numeric_limits<std::int64_t>::max();
}

ModeSpeed withPercentage(const ModeSpeed& speed, double fraction) {
    const ModeSpeed changed =
        speed.kind() == ModeSpeed::Case::fixed ? ModeSpeed::fixed(fraction) : ModeSpeed::floor(fraction);
    return changed.clamped();
}

std::optional<double> restingValue(const std::optional<CustomMode>& activeMode,
                                   const std::optional<FanProfile>& profile, std::span<const Fan> fans) {
    if (activeMode) return activeMode->speed().percentage();
    if (profile && profile->mode == ControlMode::constantRPM) {
        const RPMRange range = sliderRPMRange(fans);
        const double target = std::min(range.upper, static_cast<double>(profile->constantTargetRPM));
        return ControlPipeline::rpmToPercentage(target, range.lower, range.upper);
    }
    if (fans.empty()) return std::nullopt;
    const bool anyManual =
        std::any_of(fans.begin(), fans.end(), [](const Fan& fan) { return fan.manualTarget.has_value(); });
    double sum = 0;
    for (const Fan& fan : fans) {
        const double rpm = anyManual ? fan.manualTarget.value_or(0.0) : fan.currentRPM;
        sum += ControlPipeline::rpmToPercentage(rpm, fan.minRPM, fan.maxRPM);
    }
    return mean(sum, fans.size());
}

}  // namespace zephrane::FanSpeedSliderLogic
