#include "ZephraneApp/Gallery/GalleryViews.hpp"

#include "ZephraneApp/Face/AlertsFace.hpp"
#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/ScriptedEngineFace.hpp"
#include "ZephraneApp/Face/SystemFace.hpp"

namespace zephrane::gallery {
namespace {

// A form a user has been at: Fahrenheit, quiet hours on, two alert rules,
// another accent and backdrop, a conflicting shortcut.
void customized(Stage& stage) {
    auto p = stage.face.preferences().state();
    p.useFahrenheit = true;
    p.accentChoice = Theme::AccentChoice::teal;
    p.windowBackdrop = WindowBackdrop::nebula;
    p.quietHoursEnabled = true;
    p.quietHoursStart = 1350;
    p.quietHoursEnd = 450;
    p.spoolRate = 9000;
    p.overheatThreshold = 84;
    p.summonShortcutConflict = true;
    p.presetPowerCaps[FanPreset::quiet] = {0.4, 0.3};
    stage.face.preferences().publish(std::move(p));
    auto rules = face::AlertsFace::defaultAlertRules();
    rules[SensorCategory::cpu] = {true, 95, true};
    rules[SensorCategory::battery] = {true, 45, false};
    stage.face.alerts().alertRules().update(rules);
}

}  // namespace

std::vector<View> settingsViews() {
    const QString scene = galleryFile("SettingsFormScene.qml");
    return {
        {"settings", scene, false,
         {{"defaults", {}, daemonIn(HelperState::notRegistered())},
          {"helper-not-installed", {{"scrollTo", "helperSection"}},
           [](Stage& stage) {
               daemonIn(HelperState::notRegistered(), "An older helper is still installed.")(stage);
               auto d = stage.face.daemon().state();
               d.lastError = "write failed: the daemon refused the fan's target";
               stage.face.daemon().publish(std::move(d));
           }},
          {"helper-connected", {{"scrollTo", "helperSection"}, {"updates", true}},
           daemonIn(HelperState::connected())},
          {"recording-shortcut", {{"scrollTo", "menuBarSection"}, {"recording", true}},
           [](Stage& stage) {
               daemonIn(HelperState::enabled())(stage);
               customized(stage);
           }},
          {"customized", {{"expanded", true}},
           [](Stage& stage) {
               daemonIn(HelperState::requiresApproval())(stage);
               customized(stage);
           }},
          {"restore-defaults", {{"scrollTo", "alertsSection"}, {"confirmingRestore", true}},
           daemonIn(HelperState::connected())}}},
    };
}

}  // namespace zephrane::gallery
