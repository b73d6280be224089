// What one fan gauge shows and says: its speed against its range, where it
// is heading, how fast its symbol turns, its name, and, under manual
// control, the slider that sets its target.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "shared/FanModel.hpp"

namespace zephrane::dashboard {

enum class GaugeStyle { regular, mini };

struct FanGaugeInput {
    std::int64_t id = 0;
    std::optional<FanStatus> fan;  // none while fan `id` is not in the fan table
    std::span<const std::int64_t> sortedIDs;
    GaugeStyle style = GaugeStyle::regular;
    bool manualControl = false;      // some fan has a manual target
    bool mainWindowVisible = true;
    double manualTarget = 0;         // rpm: the fan's manual target, else its speed, else 0
};

struct FanGaugeFigures {
    double currentFraction = 0;  // of the fan's range, 0...1
    double targetFraction = 0;
    bool targetDiffers = false;  // the track shows a marker
    std::string speedText;       // "1 235", the em dash without a finite speed
    double spinRate = 0;         // rad/s
    std::string name;
    std::string accessibleLabel;
    bool showsSlider = false;
    double sliderFrom = 0;  // rpm
    double sliderTo = 1;
    double sliderValue = 0;
    std::string targetCaption;  // "target 2 400 RPM"
    friend bool operator==(const FanGaugeFigures&, const FanGaugeFigures&) = default;
};

FanGaugeFigures fanGaugeFigures(const FanGaugeInput& input);

}  // namespace zephrane::dashboard
