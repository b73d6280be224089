#include "ZephraneApp/Face/PreferencesFace.hpp"

#include <utility>

#include "ZephraneApp/Engine/EngineSettings.hpp"
#include "ZephraneApp/Engine/ZephraneEngine.hpp"
#include "ZephraneApp/Face/EngineFace.hpp"
#include "ZephraneApp/Face/QtText.hpp"
#include "shared/EnumCases.hpp"

namespace zephrane::face {

PreferencesFace::PreferencesFace(EngineFace& face, QObject* parent) : QObject(parent), face_(face) {
    state_.presetPowerCaps = settings::defaultPresetPowerCaps();
}

PreferencesFace::State PreferencesFace::defaults() {
    return {.useFahrenheit = settings::defaultUseFahrenheit,
            .preciseTemperatures = settings::defaultPreciseTemperatures,
            .showDockIcon = settings::defaultShowDockIcon,
            .accentChoice = settings::defaultAccentChoice,
            .windowBackdrop = settings::defaultWindowBackdrop,
            .menuBarReadout = settings::defaultMenuBarReadout,
            .menuBarTempSource = settings::defaultMenuBarTempSource,
            .menuBarIconAnimated = settings::defaultMenuBarIconAnimated,
            .controlSource = settings::defaultControlSource,
            .acousticAlpha = ZephraneEngine::defaultAcousticAlpha,
            .spoolRate = settings::defaultSpoolRate,
            .preSpoolEnabled = settings::defaultPreSpoolEnabled,
            .autoSwitchOnBattery = ZephraneEngine::defaultAutoSwitchOnBattery,
            .quietHoursEnabled = settings::defaultQuietHoursEnabled,
            .quietHoursStart = settings::defaultQuietHoursStart,
            .quietHoursEnd = settings::defaultQuietHoursEnd,
            .meetingQuietEnabled = settings::defaultMeetingQuietEnabled,
            .overheatThreshold = settings::defaultOverheatThreshold,
            .fanHealthWarningsEnabled = settings::defaultFanHealthWarningsEnabled,
            .summonShortcutConflict = false,
            .hasCompletedFirstRunSetup = settings::defaultHasCompletedFirstRunSetup,
            .showAllSensors = false,
            .presetPowerCaps = settings::defaultPresetPowerCaps(),
            .summonShortcut = GlobalShortcut::defaultSummon()};
}

QString PreferencesFace::windowBackdropValue() const { return qtText(rawValue(state_.windowBackdrop)); }

void PreferencesFace::setWindowBackdrop(const QString& value) {
    // An unknown name is what the engine reads as the system's material.
    setWindowBackdrop(fromRawValue<WindowBackdrop>(value.toStdString()).value_or(WindowBackdrop::system));
}

void PreferencesFace::setWindowBackdrop(WindowBackdrop backdrop) { change(Setting::windowBackdrop, backdrop); }

void PreferencesFace::setUseFahrenheit(bool value) { change(Setting::useFahrenheit, value); }
void PreferencesFace::setPreciseTemperatures(bool value) { change(Setting::preciseTemperatures, value); }
void PreferencesFace::setShowDockIcon(bool value) { change(Setting::showDockIcon, value); }
void PreferencesFace::setAccentChoice(Accent value) { change(Setting::accentChoice, static_cast<Theme::AccentChoice>(value)); }
void PreferencesFace::setMenuBarReadout(Readout value) { change(Setting::menuBarReadout, static_cast<MenuBarReadout>(value)); }
void PreferencesFace::setMenuBarTempSource(TempSource value) { change(Setting::menuBarTempSource, static_cast<MenuBarTempSource>(value)); }
void PreferencesFace::setMenuBarIconAnimated(bool value) { change(Setting::menuBarIconAnimated, value); }
void PreferencesFace::setControlSource(Source value) { change(Setting::controlSource, static_cast<ControlSource>(value)); }
void PreferencesFace::setAcousticAlpha(double value) { change(Setting::acousticAlpha, value); }
void PreferencesFace::setSpoolRate(double value) { change(Setting::spoolRate, value); }
void PreferencesFace::setPreSpoolEnabled(bool value) { change(Setting::preSpoolEnabled, value); }
void PreferencesFace::setAutoSwitchOnBattery(bool value) { change(Setting::autoSwitchOnBattery, value); }
void PreferencesFace::setQuietHoursEnabled(bool value) { change(Setting::quietHoursEnabled, value); }
void PreferencesFace::setQuietHoursStart(int value) { change(Setting::quietHoursStart, value); }
void PreferencesFace::setQuietHoursEnd(int value) { change(Setting::quietHoursEnd, value); }
void PreferencesFace::setMeetingQuietEnabled(bool value) { change(Setting::meetingQuietEnabled, value); }
void PreferencesFace::setOverheatThreshold(double value) { change(Setting::overheatThreshold, value); }
void PreferencesFace::setFanHealthWarningsEnabled(bool value) { change(Setting::fanHealthWarningsEnabled, value); }
void PreferencesFace::setSummonShortcutConflict(bool value) { change(Setting::summonShortcutConflict, value); }
void PreferencesFace::setHasCompletedFirstRunSetup(bool value) { change(Setting::hasCompletedFirstRunSetup, value); }
void PreferencesFace::setShowAllSensors(bool value) { change(Setting::showAllSensors, value); }

void PreferencesFace::change(Setting setting, SettingValue value) {
    face_.perform(command::ChangeSetting{setting, std::move(value)});
}

QString PreferencesFace::summonShortcutText() const {
    return state_.summonShortcut ? qtText(state_.summonShortcut->displayString()) : QString();
}

void PreferencesFace::setSummonShortcut(std::optional<GlobalShortcut> shortcut) {
    face_.perform(command::SetSummonShortcut{shortcut});
}

void PreferencesFace::clearSummonShortcut() { setSummonShortcut(std::nullopt); }

PresetPowerCaps PreferencesFace::presetCaps(FanPreset preset) const {
    if (const auto stored = state_.presetPowerCaps.find(preset); stored != state_.presetPowerCaps.end())
        return stored->second;
    return settings::defaultPresetPowerCaps().at(preset);
}

void PreferencesFace::setPresetCap(FanPreset preset, std::optional<double> ac, std::optional<double> battery) {
    face_.perform(command::SetPresetCap{preset, ac, battery});
}

void PreferencesFace::resetPresetPowerCaps() { face_.perform(command::ResetPresetPowerCaps{}); }

void PreferencesFace::publish(State next) {
    const State was = std::exchange(state_, std::move(next));
    tellIfChanged(*this, was.useFahrenheit, state_.useFahrenheit, &PreferencesFace::useFahrenheitChanged);
    tellIfChanged(*this, was.preciseTemperatures, state_.preciseTemperatures, &PreferencesFace::preciseTemperaturesChanged);
    tellIfChanged(*this, was.showDockIcon, state_.showDockIcon, &PreferencesFace::showDockIconChanged);
    tellIfChanged(*this, was.accentChoice, state_.accentChoice, &PreferencesFace::accentChoiceChanged);
    tellIfChanged(*this, was.windowBackdrop, state_.windowBackdrop, &PreferencesFace::windowBackdropChanged);
    tellIfChanged(*this, was.menuBarReadout, state_.menuBarReadout, &PreferencesFace::menuBarReadoutChanged);
    tellIfChanged(*this, was.menuBarTempSource, state_.menuBarTempSource, &PreferencesFace::menuBarTempSourceChanged);
    tellIfChanged(*this, was.menuBarIconAnimated, state_.menuBarIconAnimated, &PreferencesFace::menuBarIconAnimatedChanged);
    tellIfChanged(*this, was.controlSource, state_.controlSource, &PreferencesFace::controlSourceChanged);
    tellIfChanged(*this, was.acousticAlpha, state_.acousticAlpha, &PreferencesFace::acousticAlphaChanged);
    tellIfChanged(*this, was.spoolRate, state_.spoolRate, &PreferencesFace::spoolRateChanged);
    tellIfChanged(*this, was.preSpoolEnabled, state_.preSpoolEnabled, &PreferencesFace::preSpoolEnabledChanged);
    tellIfChanged(*this, was.autoSwitchOnBattery, state_.autoSwitchOnBattery, &PreferencesFace::autoSwitchOnBatteryChanged);
    tellIfChanged(*this, was.quietHoursEnabled, state_.quietHoursEnabled, &PreferencesFace::quietHoursEnabledChanged);
    tellIfChanged(*this, was.quietHoursStart, state_.quietHoursStart, &PreferencesFace::quietHoursStartChanged);
    tellIfChanged(*this, was.quietHoursEnd, state_.quietHoursEnd, &PreferencesFace::quietHoursEndChanged);
    tellIfChanged(*this, was.meetingQuietEnabled, state_.meetingQuietEnabled, &PreferencesFace::meetingQuietEnabledChanged);
    tellIfChanged(*this, was.overheatThreshold, state_.overheatThreshold, &PreferencesFace::overheatThresholdChanged);
    tellIfChanged(*this, was.fanHealthWarningsEnabled, state_.fanHealthWarningsEnabled, &PreferencesFace::fanHealthWarningsEnabledChanged);
    tellIfChanged(*this, was.summonShortcutConflict, state_.summonShortcutConflict, &PreferencesFace::summonShortcutConflictChanged);
    tellIfChanged(*this, was.hasCompletedFirstRunSetup, state_.hasCompletedFirstRunSetup, &PreferencesFace::hasCompletedFirstRunSetupChanged);
    tellIfChanged(*this, was.showAllSensors, state_.showAllSensors, &PreferencesFace::showAllSensorsChanged);
    tellIfChanged(*this, was.presetPowerCaps, state_.presetPowerCaps, &PreferencesFace::presetPowerCapsChanged);
    tellIfChanged(*this, was.summonShortcut, state_.summonShortcut, &PreferencesFace::summonShortcutChanged);
}

}  // namespace zephrane::face
