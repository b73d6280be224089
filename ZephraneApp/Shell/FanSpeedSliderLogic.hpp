// The rules of the panel's one fan-speed slider: what it drives (the active
// custom mode's speed, or the fans at one constant speed), its texts, the
// RPM a position stands for, and where the slider rests when the engine
// changes what drives the fans.
//
// The slider spans every fan: from the lowest minimum of all fans to the
// highest maximum (1200 to 6000 rpm without fans), and an RPM read from it
// is rounded to the whole rpm, not to 10 as the mode editor's figures are.
// Fan data that does not make a range (a minimum above the maximum, a bound
// that is not finite) gives no RPM at all: the texts show "--" and nothing
// is committed, rather than an invented speed.
//
// All pure.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "shared/CustomMode.hpp"
#include "shared/FanModel.hpp"

namespace zephrane::FanSpeedSliderLogic {

// What the slider drives: a custom mode's speed, or the fans at a manual
// constant speed.
class Target {
public:
    static Target customMode(CustomMode mode) { return Target(std::move(mode)); }
    static Target manual() { return Target(std::nullopt); }

    // The mode for customMode, null for manual.
    const CustomMode* mode() const { return mode_ ? &*mode_ : nullptr; }
    friend bool operator==(const Target&, const Target&) = default;

private:
    explicit Target(std::optional<CustomMode> mode) : mode_(std::move(mode)) {}
    std::optional<CustomMode> mode_;
};

Target target(const std::optional<CustomMode>& activeMode);

// "Gaming Speed" or "Fan Speed".
std::string label(const Target& target);
std::string helpText(const Target& target);
std::string accessibilityHint(const Target& target, bool manualControlEngaged);
std::string accessibilityValue(const Target& target, std::string_view rpmText);

// One fan as the slider reads it: its bounds and speed, and the manual
// target it holds (none when it has none).
struct Fan {
    std::int64_t id = 0;
    double currentRPM = 0;
    double minRPM = 0;
    double maxRPM = 0;
    std::optional<double> manualTarget;
    friend bool operator==(const Fan&, const Fan&) = default;
};

struct RPMRange {
    double lower = 1200;
    double upper = 6000;
    friend bool operator==(const RPMRange&, const RPMRange&) = default;
};

// The lowest minimum and the highest maximum over all fans, each taken from
// the fans that report a finite one; 1200 and 6000 where none does.
RPMRange sliderRPMRange(std::span<const Fan> fans);

// The RPM at `fraction` (clamped to 0...1, NaN as 0) of the range, rounded
// to the whole rpm, halves away from zero; none when the range is no range
// (lower above upper, or a bound not finite).
std::optional<std::int64_t> sliderRPM(double fraction, const RPMRange& range);
// "2 400 RPM"; "--" where sliderRPM gives none.
std::string sliderRPMText(double fraction, const RPMRange& range);

// The text beside the slider at rest: "Min" at the far left with fans
// present, else the highest current speed ("3 100 RPM"), "--" when no fan
// reports a finite speed above 0.
std::string idleSpeedText(double sliderValue, std::span<const Fan> fans);

// Manual control holds the fans: manual targets are set, or a constant-RPM
// profile other than the built-in full-speed one is active.
bool isManualControlEngaged(std::span<const Fan> fans, const std::optional<FanProfile>& activeProfile);

// `speed` with its percentage replaced by `fraction` clamped to 0...1, its
// kind kept.
ModeSpeed withPercentage(const ModeSpeed& speed, double fraction);

// Where the slider rests for what now drives the fans; none leaves it where
// it is. In order: the active custom mode's percentage; a constant-RPM
// profile's target within the slider's range; the mean position of every
// fan's manual target within its own range (0 for a fan without one), while
// any fan holds one; else the mean position of the fans' current speeds.
std::optional<double> restingValue(const std::optional<CustomMode>& activeMode,
                                   const std::optional<FanProfile>& profile, std::span<const Fan> fans);

}  // namespace zephrane::FanSpeedSliderLogic
