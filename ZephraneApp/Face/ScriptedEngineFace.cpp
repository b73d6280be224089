#include "ZephraneApp/Face/ScriptedEngineFace.hpp"

#include <cmath>
#include <ostream>
#include <type_traits>
#include <utility>

#include <qcoro/qcorosignal.h>

#include "ZephraneApp/Face/AlertsFace.hpp"
#include "ZephraneApp/Face/DriveFace.hpp"
#include "ZephraneApp/Face/ModesFace.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"
#include "ZephraneApp/Face/ShellFace.hpp"
#include "ZephraneApp/Face/SystemFace.hpp"
#include "ZephraneApp/Engine/EngineSettings.hpp"

namespace zephrane::face {
namespace {

std::string text(std::string_view s) { return std::string(s); }

std::string settingName(Setting s) {
    switch (s) {
        case Setting::useFahrenheit: return "useFahrenheit";
        case Setting::preciseTemperatures: return "preciseTemperatures";
        case Setting::showDockIcon: return "showDockIcon";
        case Setting::accentChoice: return "accentChoice";
        case Setting::windowBackdrop: return "windowBackdrop";
        case Setting::menuBarReadout: return "menuBarReadout";
        case Setting::menuBarTempSource: return "menuBarTempSource";
        case Setting::menuBarIconAnimated: return "menuBarIconAnimated";
        case Setting::controlSource: return "controlSource";
        case Setting::acousticAlpha: return "acousticAlpha";
        case Setting::spoolRate: return "spoolRate";
        case Setting::preSpoolEnabled: return "preSpoolEnabled";
        case Setting::autoSwitchOnBattery: return "autoSwitchOnBattery";
        case Setting::quietHoursEnabled: return "quietHoursEnabled";
        case Setting::quietHoursStart: return "quietHoursStart";
        case Setting::quietHoursEnd: return "quietHoursEnd";
        case Setting::meetingQuietEnabled: return "meetingQuietEnabled";
        case Setting::overheatThreshold: return "overheatThreshold";
        case Setting::fanHealthWarningsEnabled: return "fanHealthWarningsEnabled";
        case Setting::summonShortcutConflict: return "summonShortcutConflict";
        case Setting::hasCompletedFirstRunSetup: return "hasCompletedFirstRunSetup";
        case Setting::showAllSensors: return "showAllSensors";
    }
    return "?";
}

std::string valueText(const SettingValue& value) {
    return std::visit(
        [](const auto& v) -> std::string {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, bool>) return v ? "true" : "false";
            else if constexpr (std::is_same_v<V, int> || std::is_same_v<V, double>) return std::to_string(v);
            else return text(rawValue(v));
        },
        value);
}

std::string requestName(command::Request r) {
    switch (r) {
        case command::Request::dustCycle: return "dustCycle";
        case command::Request::modeCreation: return "modeCreation";
        case command::Request::modeEditor: return "modeEditor";
        case command::Request::modeDelete: return "modeDelete";
    }
    return "?";
}

std::string optionalText(const std::optional<double>& v) { return v ? std::to_string(*v) : "keep"; }
std::string optionalText(const std::optional<bool>& v) { return v ? (*v ? "true" : "false") : "keep"; }

}  // namespace

std::string describe(const FaceCommand& command) {
    using namespace command;
    return std::visit(
        [](const auto& c) -> std::string {
            using C = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<C, TogglePin>) return "TogglePin(" + c.key + ")";
            else if constexpr (std::is_same_v<C, SelectPreset>) return "SelectPreset(" + text(rawValue(c.preset)) + ")";
            else if constexpr (std::is_same_v<C, ClearActivePreset>) return "ClearActivePreset";
            else if constexpr (std::is_same_v<C, ApplyProfile>) return "ApplyProfile(" + c.profile.name + ")";
            else if constexpr (std::is_same_v<C, SelectProfile>) return "SelectProfile(" + c.profile.name + ")";
            else if constexpr (std::is_same_v<C, EnterManualControl>) return "EnterManualControl";
            else if constexpr (std::is_same_v<C, SetFanTarget>)
                return "SetFanTarget(" + std::to_string(c.fan) + ", " + std::to_string(c.rpm) + ")";
            else if constexpr (std::is_same_v<C, SetConstantRPM>) return "SetConstantRPM(" + std::to_string(c.rpm) + ")";
            else if constexpr (std::is_same_v<C, StartDustCycle>) return "StartDustCycle";
            else if constexpr (std::is_same_v<C, CancelDustCycle>) return "CancelDustCycle";
            else if constexpr (std::is_same_v<C, SelectCustomMode>) return "SelectCustomMode(" + c.id.uuidString() + ")";
            else if constexpr (std::is_same_v<C, ClearActiveCustomMode>) return "ClearActiveCustomMode";
            else if constexpr (std::is_same_v<C, AddCustomMode>) return "AddCustomMode(" + c.mode.name() + ")";
            else if constexpr (std::is_same_v<C, UpdateCustomMode>) return "UpdateCustomMode(" + c.mode.name() + ")";
            else if constexpr (std::is_same_v<C, DuplicateCustomMode>)
                return "DuplicateCustomMode(" + c.id.uuidString() + ")";
            else if constexpr (std::is_same_v<C, DeleteCustomMode>) return "DeleteCustomMode(" + c.id.uuidString() + ")";
            else if constexpr (std::is_same_v<C, SetAlertRule>)
                return "SetAlertRule(" + text(rawValue(c.category)) + ", " + optionalText(c.enabled) + ", " +
                       optionalText(c.thresholdCelsius) + ", " + optionalText(c.autoBoost) + ")";
            else if constexpr (std::is_same_v<C, ResetAlertRules>) return "ResetAlertRules";
            else if constexpr (std::is_same_v<C, DismissInAppAlert>) return "DismissInAppAlert";
            else if constexpr (std::is_same_v<C, InstallHelper>) return "InstallHelper";
            else if constexpr (std::is_same_v<C, RefreshHelperState>) return "RefreshHelperState";
            else if constexpr (std::is_same_v<C, OpenHelperApproval>) return "OpenHelperApproval";
            else if constexpr (std::is_same_v<C, UninstallHelper>) return "UninstallHelper";
            else if constexpr (std::is_same_v<C, ChangeSetting>)
                return "ChangeSetting(" + settingName(c.setting) + ", " + valueText(c.value) + ")";
            else if constexpr (std::is_same_v<C, SetPresetCap>)
                return "SetPresetCap(" + text(rawValue(c.preset)) + ", " + optionalText(c.ac) + ", " +
                       optionalText(c.battery) + ")";
            else if constexpr (std::is_same_v<C, ResetPresetPowerCaps>) return "ResetPresetPowerCaps";
            else if constexpr (std::is_same_v<C, SetSummonShortcut>)
                return "SetSummonShortcut(" + (c.shortcut ? c.shortcut->displayString() : std::string("none")) + ")";
            else if constexpr (std::is_same_v<C, SelectSection>) return "SelectSection(" + text(storedValue(c.section)) + ")";
            else if constexpr (std::is_same_v<C, ReportMainWindowVisible>)
                return std::string("ReportMainWindowVisible(") + (c.visible ? "true" : "false") + ")";
            else if constexpr (std::is_same_v<C, ReportDashboardVisible>)
                return std::string("ReportDashboardVisible(") + (c.visible ? "true" : "false") + ")";
            else if constexpr (std::is_same_v<C, RaiseRequest>)
                return "RaiseRequest(" + requestName(c.request) + (c.mode ? ", " + c.mode->uuidString() : "") + ")";
            else if constexpr (std::is_same_v<C, ConsumeRequest>) return "ConsumeRequest(" + requestName(c.request) + ")";
            else if constexpr (std::is_same_v<C, SetLaunchAtLogin>)
                return std::string("SetLaunchAtLogin(") + (c.enabled ? "true" : "false") + ")";
            else if constexpr (std::is_same_v<C, RefreshLaunchAtLogin>) return "RefreshLaunchAtLogin";
            else if constexpr (std::is_same_v<C, SetActivationPolicy>)
                return std::string("SetActivationPolicy(") +
                       (c.policy == ActivationPolicy::regular ? "regular" : "accessory") + ")";
            else if constexpr (std::is_same_v<C, RequestNotificationAuthorization>)
                return "RequestNotificationAuthorization";
        },
        command);
}

void command::PrintTo(const FaceCommand& command, std::ostream* out) { *out << describe(command); }

ScriptedEngineFace::ScriptedEngineFace(QObject* parent) : EngineFace(parent) {}

void ScriptedEngineFace::perform(FaceCommand command) {
    commands_.push_back(command);
    store(command);
    if (responder_) responder_(command);
}

// Copies: QCoro's co_return moves from a named value, which would leave the
// next call an empty answer.
QCoro::Task<std::optional<QString>> ScriptedEngineFace::exportHistoryCSV() {
    co_return std::optional<QString>(exportResult_);
}

QCoro::Task<notifications::AuthorizationResult> ScriptedEngineFace::requestNotificationAuthorization() {
    perform(command::RequestNotificationAuthorization{});
    if (!holdNotifications_) co_return notifications::AuthorizationResult(notificationAnswer_);
    const auto held = std::make_shared<HeldNotificationRequest>();
    heldNotifications_.push_back(held);
    co_await qCoro(held.get(), &HeldNotificationRequest::answered);
    co_return held->answer;
}

void ScriptedEngineFace::answerHeldNotificationRequest(std::size_t index, notifications::AuthorizationResult answer) {
    const std::shared_ptr<HeldNotificationRequest> held = heldNotifications_.at(index);
    held->answer = std::move(answer);
    emit held->answered();
}

namespace {

void storeSetting(PreferencesFace::State& s, Setting setting, const SettingValue& value) {
    const auto take = [&value](auto& member) {
        using T = std::decay_t<decltype(member)>;
        if (const T* v = std::get_if<T>(&value)) member = *v;
    };
    switch (setting) {
        case Setting::useFahrenheit: return take(s.useFahrenheit);
        case Setting::preciseTemperatures: return take(s.preciseTemperatures);
        case Setting::showDockIcon: return take(s.showDockIcon);
        case Setting::accentChoice: return take(s.accentChoice);
        case Setting::windowBackdrop: return take(s.windowBackdrop);
        case Setting::menuBarReadout: return take(s.menuBarReadout);
        case Setting::menuBarTempSource: return take(s.menuBarTempSource);
        case Setting::menuBarIconAnimated: return take(s.menuBarIconAnimated);
        case Setting::controlSource: return take(s.controlSource);
        case Setting::acousticAlpha: return take(s.acousticAlpha);
        case Setting::spoolRate: return take(s.spoolRate);
        case Setting::preSpoolEnabled: return take(s.preSpoolEnabled);
        case Setting::autoSwitchOnBattery: return take(s.autoSwitchOnBattery);
        case Setting::quietHoursEnabled: return take(s.quietHoursEnabled);
        case Setting::quietHoursStart: return take(s.quietHoursStart);
        case Setting::quietHoursEnd: return take(s.quietHoursEnd);
        case Setting::meetingQuietEnabled: return take(s.meetingQuietEnabled);
        case Setting::overheatThreshold: return take(s.overheatThreshold);
        case Setting::fanHealthWarningsEnabled: return take(s.fanHealthWarningsEnabled);
        case Setting::summonShortcutConflict: return take(s.summonShortcutConflict);
        case Setting::hasCompletedFirstRunSetup: return take(s.hasCompletedFirstRunSetup);
        case Setting::showAllSensors: return take(s.showAllSensors);
    }
}

double clampedCap(double cap) { return cap > 0 ? std::min(cap, 1.0) : 0.0; }

}  // namespace

void ScriptedEngineFace::store(const FaceCommand& command) {
    using namespace command;
    std::visit(
        [this](const auto& c) {
            using C = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<C, ChangeSetting>) {
                auto s = preferences().state();
                storeSetting(s, c.setting, c.value);
                preferences().publish(std::move(s));
            } else if constexpr (std::is_same_v<C, SetSummonShortcut>) {
                auto s = preferences().state();
                s.summonShortcut = c.shortcut;
                preferences().publish(std::move(s));
                preferences().tellSummonShortcutAssigned();
            } else if constexpr (std::is_same_v<C, SetPresetCap>) {
                auto s = preferences().state();
                PresetPowerCaps caps = preferences().presetCaps(c.preset);
                if (c.ac && !std::isnan(*c.ac)) caps.ac = clampedCap(*c.ac);
                if (c.battery && !std::isnan(*c.battery)) caps.battery = clampedCap(*c.battery);
                s.presetPowerCaps[c.preset] = caps;
                preferences().publish(std::move(s));
            } else if constexpr (std::is_same_v<C, ResetPresetPowerCaps>) {
                auto s = preferences().state();
                s.presetPowerCaps = settings::defaultPresetPowerCaps();
                preferences().publish(std::move(s));
            } else if constexpr (std::is_same_v<C, SetAlertRule>) {
                std::map<SensorCategory, AlertRule> rules;
                for (const AlertRuleRow& row : alerts().alertRules().rows()) rules[row.category] = row.rule;
                AlertRule rule{false, 90.0, false};
                if (const auto stored = rules.find(c.category); stored != rules.end())
                    rule = stored->second;
                else if (const auto fallback = AlertsFace::defaultAlertRules().find(c.category);
                         fallback != AlertsFace::defaultAlertRules().end())
                    rule = fallback->second;
                if (c.enabled) rule.enabled = *c.enabled;
                if (c.thresholdCelsius) rule.thresholdCelsius = *c.thresholdCelsius;
                if (c.autoBoost) rule.autoBoost = *c.autoBoost;
                rules[c.category] = rule;
                alerts().alertRules().update(rules);
            } else if constexpr (std::is_same_v<C, ResetAlertRules>) {
                alerts().alertRules().update(AlertsFace::defaultAlertRules());
            } else if constexpr (std::is_same_v<C, SetLaunchAtLogin>) {
                if (loginItemFailure_)
                    system().tellLaunchAtLoginOutcome(loginItemFailure_);
                else
                    loginItemRegistered_ = c.enabled;
                auto s = system().state();
                s.launchAtLogin = loginItemRegistered_;
                system().publish(s);
            } else if constexpr (std::is_same_v<C, RefreshLaunchAtLogin>) {
                auto s = system().state();
                s.launchAtLogin = loginItemRegistered_;
                system().publish(s);
            } else if constexpr (std::is_same_v<C, SetActivationPolicy>) {
                auto s = system().state();
                s.activationPolicy = c.policy;
                system().publish(s);
            } else if constexpr (std::is_same_v<C, TogglePin>) {
                auto keys = sensors().pinnedSensorKeys();
                if (!keys.erase(c.key)) keys.insert(c.key);
                sensors().publishPinnedSensorKeys(keys);
            } else if constexpr (std::is_same_v<C, SelectPreset>) {
                auto s = drive().state();
                s.activePreset = c.preset;
                drive().publish(std::move(s));
                modes().publishActiveCustomModeID(std::nullopt);
            } else if constexpr (std::is_same_v<C, ClearActivePreset>) {
                auto s = drive().state();
                s.activePreset.reset();
                drive().publish(std::move(s));
            } else if constexpr (std::is_same_v<C, ApplyProfile>) {
                auto s = drive().state();
                s.activeProfile = c.profile;
                drive().publish(std::move(s));
            } else if constexpr (std::is_same_v<C, SelectProfile>) {
                auto s = drive().state();
                s.activePreset.reset();
                s.activeProfile = c.profile;
                drive().publish(std::move(s));
                modes().publishActiveCustomModeID(std::nullopt);
            } else if constexpr (std::is_same_v<C, SelectCustomMode>) {
                modes().publishActiveCustomModeID(c.id);
            } else if constexpr (std::is_same_v<C, ClearActiveCustomMode>) {
                modes().publishActiveCustomModeID(std::nullopt);
            } else if constexpr (std::is_same_v<C, DismissInAppAlert>) {
                alerts().publish({.isOverheating = alerts().isOverheating(),
                                  .inAppAlert = std::nullopt,
                                  .hasHistory = alerts().hasHistory()});
            } else if constexpr (std::is_same_v<C, SelectSection>) {
                auto s = shell().state();
                s.selectedSection = c.section;
                shell().publish(std::move(s));
            } else if constexpr (std::is_same_v<C, ReportMainWindowVisible>) {
                auto s = shell().state();
                s.mainWindowVisible = c.visible;
                shell().publish(std::move(s));
            } else if constexpr (std::is_same_v<C, ReportDashboardVisible>) {
                auto s = shell().state();
                s.dashboardVisible = c.visible;
                shell().publish(std::move(s));
            } else if constexpr (std::is_same_v<C, RaiseRequest> || std::is_same_v<C, ConsumeRequest>) {
                constexpr bool raise = std::is_same_v<C, RaiseRequest>;
                auto s = shell().state();
                switch (c.request) {
                    case Request::dustCycle: s.pendingDustCycleRequest = raise; break;
                    case Request::modeCreation: s.pendingModeCreationRequest = raise; break;
                    case Request::modeEditor:
                        if constexpr (raise) s.pendingModeEditorID = c.mode;
                        else s.pendingModeEditorID.reset();
                        break;
                    case Request::modeDelete:
                        if constexpr (raise) s.pendingModeDeleteID = c.mode;
                        else s.pendingModeDeleteID.reset();
                        break;
                }
                shell().publish(std::move(s));
            }
        },
        command);
}

}  // namespace zephrane::face
