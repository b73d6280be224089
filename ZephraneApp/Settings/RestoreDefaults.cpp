#include "ZephraneApp/Settings/RestoreDefaults.hpp"

#include "ZephraneApp/Face/AlertsFace.hpp"
#include "ZephraneApp/Face/EngineFace.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"

namespace zephrane::settingsview {

void restoreDefaults(face::EngineFace& face) {
    using face::Setting;
    const face::PreferencesFace::State d = face::PreferencesFace::defaults();
    face::PreferencesFace& p = face.preferences();
    p.change(Setting::acousticAlpha, d.acousticAlpha);
    p.change(Setting::spoolRate, d.spoolRate);
    p.change(Setting::autoSwitchOnBattery, d.autoSwitchOnBattery);
    p.change(Setting::overheatThreshold, d.overheatThreshold);
    p.change(Setting::useFahrenheit, d.useFahrenheit);
    p.change(Setting::preciseTemperatures, d.preciseTemperatures);
    p.change(Setting::accentChoice, d.accentChoice);
    p.change(Setting::windowBackdrop, d.windowBackdrop);
    p.resetPresetPowerCaps();
    face.alerts().resetAlertRules();
    p.change(Setting::quietHoursEnabled, d.quietHoursEnabled);
    p.change(Setting::quietHoursStart, d.quietHoursStart);
    p.change(Setting::quietHoursEnd, d.quietHoursEnd);
    p.change(Setting::preSpoolEnabled, d.preSpoolEnabled);
    p.change(Setting::meetingQuietEnabled, d.meetingQuietEnabled);
    p.change(Setting::controlSource, d.controlSource);
    p.change(Setting::showDockIcon, d.showDockIcon);
    p.change(Setting::fanHealthWarningsEnabled, d.fanHealthWarningsEnabled);
    p.change(Setting::menuBarReadout, d.menuBarReadout);
    p.change(Setting::menuBarTempSource, d.menuBarTempSource);
    p.change(Setting::menuBarIconAnimated, d.menuBarIconAnimated);
    p.setSummonShortcut(d.summonShortcut);
}

}  // namespace zephrane::settingsview
