// The once-a-second power reading: the lid's extra floor, the power figures
// published only when a shown digit changes, the active preset's switch
// between its AC and battery caps, and the automatic move to the quiet
// built-in profile on battery (and back on AC) when no preset is active.
#include <utility>

#include "ZephraneApp/Engine/ZephraneEngine.hpp"

namespace zephrane {

namespace {

// Added to the curve's floor while the lid is closed: the machine breathes
// worse with the display folded over the keyboard.
constexpr double kClamshellBoost = 0.1;

}  // namespace

void ZephraneEngine::setClamshell(bool closed) {
    publish(isClamshell_, closed, &ZephraneEngine::isClamshellChanged);
    clamshellBoost_ = closed ? kClamshellBoost : 0.0;
}

void ZephraneEngine::updatePowerTelemetry(const PowerTelemetry& given) {
    const bool wasOnBattery = powerTelemetry_.onBattery();
    PowerTelemetry reading = given;
    reading.isClamshell = isClamshell_;
    rawPowerTelemetry_ = reading;
    if (!reading.displayEquivalent(powerTelemetry_))
        publish(powerTelemetry_, reading, &ZephraneEngine::powerTelemetryChanged);
    publish(displayPowerWatts_, PowerTelemetry::displayWatts(powerTelemetry_.systemWatts),
            &ZephraneEngine::displayPowerWattsChanged);

    const bool onBattery = reading.onBattery();
    // The same preset with the other cap. A re-application, not a choice:
    // an auto-boost holding the max preset stays engaged through a change of
    // power source and still gives the earlier choice back after the heat.
    if (activePreset_ && onBattery != wasOnBattery) reapplyActivePreset(onBattery);

    if (!autoSwitchOnBattery_ || isAutoBoostEngaged_ || !manualFanTargets_.empty() || activePreset_) return;
    // Not while a dust cycle runs: switching would end the cycle. The check
    // runs on every reading, so the switch follows once the cycle has given
    // its drive back.
    if (dustCycleStartedAt_) return;
    if (!onBattery) {
        if (!profileBeforeBattery_) return;
        selectProfile(*std::exchange(profileBeforeBattery_, std::nullopt));
        return;
    }
    if (activeProfile_ && activeProfile_->id == FanProfile::silentStealth().id) return;
    // Already switched on this battery run.
    if (profileBeforeBattery_) return;
    profileBeforeBattery_ = activeProfile_;
    selectProfile(FanProfile::silentStealth());
}

}  // namespace zephrane
