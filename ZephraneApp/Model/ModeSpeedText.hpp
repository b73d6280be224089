// The words and figures a custom mode's speed and sensor are read as, in the
// mode rows, the mode editor, the menu-bar panel and the fan gauges. Every RPM
// figure the app shows from a share of a fan's range is a whole number
// rounded to 10 rpm, grouped by threes with a space, followed by " RPM";
// without a fan range the same figures fall back to whole percentages.
//
// All pure: each result depends only on the arguments.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "shared/CustomMode.hpp"
#include "shared/DeviceSensorMap.hpp"

namespace zephrane {

// A fan's reported speed range, in rpm. Reported bounds are taken as they
// come: the minimum may exceed the maximum, or either may not be finite.
struct FanRange {
    double minRPM = 0;
    double maxRPM = 0;
    friend bool operator==(const FanRange&, const FanRange&) = default;
};

// The share `fraction` (clamped to 0...1, NaN as 0) of the way from the
// lower bound to the upper one, rounded to 10 rpm (halves away from zero).
// Bounds given the wrong way round are taken in their sound order; a bound
// that is not finite gives the nearest representable figure (NaN gives 0).
std::int64_t fractionToRPM(double fraction, double minimum, double maximum);

// A fraction as a whole percentage, unclamped, halves away from zero:
// 0.005 -> "1", 1.2 -> "120". NaN reads as 0.
std::string wholePercentText(double fraction);

// Beside the editor's speed slider: "3 600 RPM", or "50%" without a range.
std::string speedValueText(const ModeSpeed& speed, const std::optional<FanRange>& range);
// "Min 25%" or "Fixed 70%".
std::string modeSpeedPercentSummary(const ModeSpeed& speed);
// In mode rows and the panel: "Min 2 400 RPM", "3 600 RPM", or the percent
// summary without a range.
std::string modeSpeedSummary(const ModeSpeed& speed, const std::optional<FanRange>& range);
// Under the editor's slider, without a range.
std::string modeSpeedPercentCaption(bool fixed, double fraction);
// Under the editor's slider: "Fans will hold 3 600 RPM (safety boosts still
// override)" or "Fans will run at least 2 400 RPM".
std::string modeSpeedCaption(bool fixed, const std::optional<FanRange>& range, double fraction);

// A mode's sensor as the user reads it: the aggregate's name, or the name of
// the first device reading with that id ("Sensor" when none has it).
std::string modeSensorLabel(const ModeSensor& sensor, std::span<const DeviceSensorReading> readings);

}  // namespace zephrane
