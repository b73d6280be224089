// The menu-bar label the engine builds on every tick and after every change
// of what it shows; MenuBarLabelModel decides when the status item redraws.
#include <algorithm>
#include <cmath>

#include "ZephraneApp/Engine/ZephraneEngine.hpp"
#include "shared/Clamping.hpp"
#include "shared/TemperatureFormat.hpp"

namespace zephrane {

std::string ZephraneEngine::menuBarTemperatureText() const {
    if (!smcAvailable_ || !(displayedTemperature_ > 0)) return "--";
    return TemperatureFormat::display(displayedTemperature_, useFahrenheit_, preciseTemperatures_);
}

std::string ZephraneEngine::menuBarFanText() const {
    if (!smcAvailable_ || fans_.empty()) return "--";
    double fastest = fans_.begin()->second.currentRPM;
    for (const auto& [id, fan] : fans_) fastest = std::max(fastest, fan.currentRPM);
    // A NaN first reading must not hide a real one behind it.
    for (const auto& [id, fan] : fans_)
        if (std::isnan(fastest) && !std::isnan(fan.currentRPM)) fastest = fan.currentRPM;
    return menubar::fanSpeedText(fastest);
}

double ZephraneEngine::menuBarFanFraction() const {
    const FanStatus* fastest = nullptr;
    for (const auto& [id, fan] : fans_)
        if (!fastest || fan.currentRPM > fastest->currentRPM) fastest = &fan;
    if (!fastest) return 0;
    const double span = fastest->maxRPM - fastest->minRPM;
    if (!(span > 0)) return 0;
    const double fraction = (fastest->currentRPM - fastest->minRPM) / span;
    return std::isnan(fraction) ? 0 : clampToUnit(fraction);
}

void ZephraneEngine::refreshMenuBarLabel() {
    MenuBarLabelState next;
    if (cachedMenuBarHottestSensor_ && cachedMenuBarHottestSensor_->currentTemp > 0)
        next.hottestSensorText =
            menubar::shortSensorName(cachedMenuBarHottestSensor_->name) + " " +
            TemperatureFormat::display(cachedMenuBarHottestSensor_->currentTemp, useFahrenheit_, preciseTemperatures_);
    next.readout = menuBarReadout_;
    next.temperatureText = menuBarTemperatureText();
    next.fanText = menuBarFanText();
    // Measured against what the status item shows now, not a pending state.
    next.spinTier = menubar::spinTierWithHysteresis(menuBarFanFraction(), menuBarLabelModel_->state().spinTier);
    next.animated = menuBarIconAnimated_;
    menuBarLabelModel_->update(std::move(next));
}

}  // namespace zephrane
