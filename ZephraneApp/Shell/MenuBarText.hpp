// The words and figures of the menu-bar panel's header: the temperature's
// spoken value, the fan strip and its spoken summary, the power line and
// its spoken form, and the daemon's status caption.
//
// Every number is written the same whatever the user's locale ("12.0 W",
// never "12,0 W"): the toolkit switches the C library's locale to the
// user's, so nothing here goes through printf.
//
// A reading that is not a finite number is no reading: it never reaches an
// integer conversion and reads as "no reading" (or, for the power figure,
// as no figure).
//
// All pure.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ZephraneApp/Services/Daemon/HelperState.hpp"
#include "shared/PowerTelemetry.hpp"

namespace zephrane::MenuBarText {

// What a screen reader says for the temperature button: "64.3 degrees
// Celsius, CPU · Balanced curve", or "no reading, …" at 0 or below.
std::string heroValueText(double displayedCelsius, bool fahrenheit, bool precise, std::string_view sourceLabel,
                          std::string_view controlSourceCaption);

// One fan as the strip and its summary read it.
struct StripFan {
    std::int64_t id = 0;
    double currentRPM = 0;
};

// The fans the strip draws (the first three by id) and how many more there
// are.
struct FanStrip {
    std::vector<std::int64_t> shownIDs;
    int extra = 0;
};
// `fans` ascending by id.
FanStrip fanStrip(std::span<const StripFan> fans);
// "+2"; empty when there are none more.
std::string extraBadgeText(int extra);
// "Left Fan 2400 RPM, Right Fan 2510 RPM": every fan, its speed rounded to
// the whole rpm without grouping; "" without fans. `fans` ascending by id.
std::string fanSummary(std::span<const StripFan> fans);

// What the power line reads.
struct PowerReading {
    std::optional<double> systemPowerWatts;  // W, the whole system's draw when known
    PowerTelemetry telemetry;
};
// "12.0 W · 80%"; none when there is neither a figure nor a battery level.
std::optional<std::string> powerSummary(const PowerReading& power);
// "12.0 watts, battery 80 percent, charging".
std::string powerSpokenText(const PowerReading& power);

// The caption under the header while the daemon cannot drive the fans;
// none while it is connected.
std::optional<std::string> helperStatusCaption(const HelperState& state, const std::optional<std::string>& installIssue);

}  // namespace zephrane::MenuBarText
