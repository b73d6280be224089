#include "ZephraneApp/Dashboard/Rules/FanGaugeFigures.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "ZephraneApp/Dashboard/Rules/FigureText.hpp"
#include "ZephraneApp/Model/DisplayText.hpp"
#include "shared/ControlPipeline.hpp"
#include "shared/NumberText.hpp"
#include "shared/Saturating.hpp"

namespace zephrane::dashboard {
namespace {

// Fractions closer than this draw the marker on the fill's end: none.
constexpr double kMarkerThreshold = 0.0005;
// Two turns a second at the top of the range.
constexpr double kTurnsPerRange = 4 * std::numbers::pi;

std::string groupedRPM(double rpm) {
    return std::isfinite(rpm) ? groupedIntegerText(saturatingRound<std::int64_t>(rpm)) : kNoValue;
}

// Spoken numbers are plain digits without grouping.
std::string spokenRPM(double rpm) { return std::to_string(saturatingRound<std::int64_t>(rpm)); }

}  // namespace

FanGaugeFigures fanGaugeFigures(const FanGaugeInput& input) {
    FanGaugeFigures figures;
    figures.name = fanDisplayName(input.id, input.sortedIDs);
    const bool regular = input.style == GaugeStyle::regular;
    if (!input.fan) {
        figures.speedText = kNoValue;
        figures.accessibleLabel = figures.name + ", no reading";
        return figures;
    }
    const FanStatus& fan = *input.fan;
    figures.currentFraction = ControlPipeline::rpmToPercentage(fan.currentRPM, fan.minRPM, fan.maxRPM);
    figures.targetFraction = ControlPipeline::rpmToPercentage(fan.targetRPM, fan.minRPM, fan.maxRPM);
    figures.targetDiffers = std::abs(figures.currentFraction - figures.targetFraction) > kMarkerThreshold;
    figures.speedText = groupedRPM(fan.currentRPM);
    const bool spins = !regular || input.mainWindowVisible;
    figures.spinRate = spins ? figures.currentFraction * kTurnsPerRange : 0;

    const bool speaksTarget = regular ? figures.targetDiffers || input.manualControl : figures.targetDiffers;
    if (std::isfinite(fan.currentRPM)) {
        figures.accessibleLabel = figures.name + ", " + spokenRPM(fan.currentRPM) + " RPM";
        if (speaksTarget && std::isfinite(fan.targetRPM)) figures.accessibleLabel += ", target " + spokenRPM(fan.targetRPM);
    } else {
        figures.accessibleLabel = figures.name + ", no reading";
    }

    figures.showsSlider = regular && input.manualControl;
    // A range at least 1 rpm wide, also for bounds that are muddled or not
    // finite.
    figures.sliderFrom = std::isfinite(fan.minRPM) ? fan.minRPM : 0;
    figures.sliderTo = std::max(figures.sliderFrom + 1, std::isfinite(fan.maxRPM) ? fan.maxRPM : figures.sliderFrom + 1);
    figures.sliderValue = std::isfinite(input.manualTarget) ? input.manualTarget : figures.sliderFrom;
    figures.targetCaption = "target " + groupedRPM(input.manualTarget) + " RPM";
    return figures;
}

}  // namespace zephrane::dashboard
