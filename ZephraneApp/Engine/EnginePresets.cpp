// Presets and their power caps: which built-in profile a preset stands for,
// how its curve is capped on AC and on battery, and the re-application of
// the active preset whenever its caps or the power source change.
#include <algorithm>
#include <cmath>
#include <utility>

#include "ZephraneApp/Engine/ZephraneEngine.hpp"
#include "shared/Clamping.hpp"

namespace zephrane {

FanProfile ZephraneEngine::baseProfile(FanPreset preset) {
    switch (preset) {
        case FanPreset::quiet: return FanProfile::silentStealth();
        case FanPreset::auto_: return FanProfile::nimbraStandard();
        case FanPreset::max: return FanProfile::maxThermalBlast();
    }
    return FanProfile::nimbraStandard();
}

FanProfile ZephraneEngine::effectiveProfile(FanPreset preset, const PresetPowerCapsTable& caps, bool onBattery) {
    FanProfile profile = baseProfile(preset);
    if (profile.mode != ControlMode::adaptiveCurve) return profile;
    const auto stored = caps.find(preset);
    const PresetPowerCaps entry = stored != caps.end() ? stored->second : defaultPresetPowerCaps().at(preset);
    const double raw = onBattery ? entry.battery : entry.ac;
    // A cap that is not a number limits nothing: the fans keep their full
    // range rather than being held at a speed nobody chose.
    const double cap = std::isnan(raw) ? 1.0 : clampToUnit(raw);
    if (cap == 1.0) return profile;
    for (auto& point : profile.curvePoints) point.rpmPercentage = std::min(cap, point.rpmPercentage);
    return profile;
}

void ZephraneEngine::selectPreset(FanPreset preset) {
    endDustCycleForNewDrive();
    publish(activePreset_, OptionalPreset(preset), &ZephraneEngine::activePresetChanged);
    setActiveCustomModeID(std::nullopt);
    applyProfile(effectiveProfile(preset, presetPowerCaps_, powerTelemetry_.onBattery()));
}

void ZephraneEngine::clearActivePreset() {
    publish(activePreset_, OptionalPreset(), &ZephraneEngine::activePresetChanged);
}

void ZephraneEngine::setPresetCap(FanPreset preset, std::optional<double> ac, std::optional<double> battery) {
    const auto stored = presetPowerCaps_.find(preset);
    const PresetPowerCaps current =
        stored != presetPowerCaps_.end() ? stored->second : defaultPresetPowerCaps().at(preset);
    const auto pick = [](std::optional<double> given, double kept) {
        return given && !std::isnan(*given) ? clampToUnit(*given) : kept;
    };
    PresetPowerCapsTable caps = presetPowerCaps_;
    caps[preset] = PresetPowerCaps{pick(ac, current.ac), pick(battery, current.battery)};
    setPresetPowerCaps(std::move(caps));
}

void ZephraneEngine::resetPresetPowerCaps() { setPresetPowerCaps(defaultPresetPowerCaps()); }

// Runs after every store of the caps, which setPresetPowerCaps() has already
// written through.
void ZephraneEngine::reapplyActivePresetForNewCaps() { reapplyActivePreset(powerTelemetry_.onBattery()); }

// The same preset again with the caps and power source of now. Not a new
// choice: an engaged auto-boost, the active custom mode and a running dust
// cycle all stay as they are.
void ZephraneEngine::reapplyActivePreset(bool onBattery) {
    if (!activePreset_) return;
    const bool wasReapplying = std::exchange(isReapplyingActiveProfile_, true);
    applyProfile(effectiveProfile(*activePreset_, presetPowerCaps_, onBattery));
    isReapplyingActiveProfile_ = wasReapplying;
}

}  // namespace zephrane
