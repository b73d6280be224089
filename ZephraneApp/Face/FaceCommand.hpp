// Everything a view can ask of the engine, as one value each. A view (or
// its presenter) never calls the engine: it hands one of these to the face,
// which carries it out on the engine, or, in tests and the gallery, records
// it. So a test reads what a tap asked for as a list of values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "ZephraneApp/Engine/EngineTypes.hpp"
#include "ZephraneApp/Model/AccentChoice.hpp"
#include "ZephraneApp/Model/GlobalShortcut.hpp"
#include "ZephraneApp/Model/Section.hpp"
#include "ZephraneApp/Model/WindowBackdrop.hpp"
#include "shared/ControlSource.hpp"
#include "shared/CustomMode.hpp"
#include "shared/FanModel.hpp"
#include "shared/SensorModel.hpp"
#include "shared/Uuid.hpp"

namespace zephrane::face {

// The settings a view writes as they are: each is stored by the engine
// under its key, and the engine's own change action runs.
enum class Setting {
    useFahrenheit,
    preciseTemperatures,
    showDockIcon,
    accentChoice,
    windowBackdrop,
    menuBarReadout,
    menuBarTempSource,
    menuBarIconAnimated,
    controlSource,
    acousticAlpha,
    spoolRate,
    preSpoolEnabled,
    autoSwitchOnBattery,
    quietHoursEnabled,
    quietHoursStart,
    quietHoursEnd,
    meetingQuietEnabled,
    overheatThreshold,
    fanHealthWarningsEnabled,
    summonShortcutConflict,
    hasCompletedFirstRunSetup,
    showAllSensors,
};

using SettingValue = std::variant<bool, int, double, Theme::AccentChoice, WindowBackdrop, MenuBarReadout,
                                  MenuBarTempSource, ControlSource>;

namespace command {

// Sensors.
struct TogglePin {
    std::string key;
    friend bool operator==(const TogglePin&, const TogglePin&) = default;
};

// Fans and what drives them.
struct SelectPreset {
    FanPreset preset;
    friend bool operator==(const SelectPreset&, const SelectPreset&) = default;
};
// Forgets the active preset; the engine does nothing else for it.
struct ClearActivePreset {
    friend bool operator==(const ClearActivePreset&, const ClearActivePreset&) = default;
};
struct ApplyProfile {
    FanProfile profile;
    friend bool operator==(const ApplyProfile&, const ApplyProfile&) = default;
};
// A profile the user picks: no preset, no custom mode, then the profile; a
// running dust cycle ends rather than give its earlier drive back later.
struct SelectProfile {
    FanProfile profile;
    friend bool operator==(const SelectProfile&, const SelectProfile&) = default;
};
struct EnterManualControl {
    friend bool operator==(const EnterManualControl&, const EnterManualControl&) = default;
};
struct SetFanTarget {
    int fan;
    double rpm;
    friend bool operator==(const SetFanTarget&, const SetFanTarget&) = default;
};
struct SetConstantRPM {
    std::int64_t rpm;
    friend bool operator==(const SetConstantRPM&, const SetConstantRPM&) = default;
};
struct StartDustCycle {
    friend bool operator==(const StartDustCycle&, const StartDustCycle&) = default;
};
struct CancelDustCycle {
    friend bool operator==(const CancelDustCycle&, const CancelDustCycle&) = default;
};

// Custom modes.
struct SelectCustomMode {
    Uuid id;
    friend bool operator==(const SelectCustomMode&, const SelectCustomMode&) = default;
};
// Forgets the active custom mode (its stored key goes with it).
struct ClearActiveCustomMode {
    friend bool operator==(const ClearActiveCustomMode&, const ClearActiveCustomMode&) = default;
};
struct AddCustomMode {
    CustomMode mode;
    friend bool operator==(const AddCustomMode&, const AddCustomMode&) = default;
};
struct UpdateCustomMode {
    CustomMode mode;
    friend bool operator==(const UpdateCustomMode&, const UpdateCustomMode&) = default;
};
struct DuplicateCustomMode {
    Uuid id;
    friend bool operator==(const DuplicateCustomMode&, const DuplicateCustomMode&) = default;
};
struct DeleteCustomMode {
    Uuid id;
    friend bool operator==(const DeleteCustomMode&, const DeleteCustomMode&) = default;
};

// Alerts.
// A part left out keeps the rule's stored one.
struct SetAlertRule {
    SensorCategory category;
    std::optional<bool> enabled;
    std::optional<double> thresholdCelsius;
    std::optional<bool> autoBoost;
    friend bool operator==(const SetAlertRule&, const SetAlertRule&) = default;
};
struct ResetAlertRules {
    friend bool operator==(const ResetAlertRules&, const ResetAlertRules&) = default;
};
struct DismissInAppAlert {
    friend bool operator==(const DismissInAppAlert&, const DismissInAppAlert&) = default;
};

// The daemon.
struct InstallHelper {
    friend bool operator==(const InstallHelper&, const InstallHelper&) = default;
};
struct RefreshHelperState {
    friend bool operator==(const RefreshHelperState&, const RefreshHelperState&) = default;
};
struct OpenHelperApproval {
    friend bool operator==(const OpenHelperApproval&, const OpenHelperApproval&) = default;
};
struct UninstallHelper {
    friend bool operator==(const UninstallHelper&, const UninstallHelper&) = default;
};

// Preferences.
struct ChangeSetting {
    Setting setting;
    SettingValue value;
    friend bool operator==(const ChangeSetting&, const ChangeSetting&) = default;
};
// A cap left out keeps the stored one.
struct SetPresetCap {
    FanPreset preset;
    std::optional<double> ac;
    std::optional<double> battery;
    friend bool operator==(const SetPresetCap&, const SetPresetCap&) = default;
};
struct ResetPresetPowerCaps {
    friend bool operator==(const ResetPresetPowerCaps&, const ResetPresetPowerCaps&) = default;
};
// None clears the shortcut.
struct SetSummonShortcut {
    std::optional<GlobalShortcut> shortcut;
    friend bool operator==(const SetSummonShortcut&, const SetSummonShortcut&) = default;
};

// The windows and the one-shot requests between screens.
struct SelectSection {
    Section section;
    friend bool operator==(const SelectSection&, const SelectSection&) = default;
};
struct ReportMainWindowVisible {
    bool visible;
    friend bool operator==(const ReportMainWindowVisible&, const ReportMainWindowVisible&) = default;
};
struct ReportDashboardVisible {
    bool visible;
    friend bool operator==(const ReportDashboardVisible&, const ReportDashboardVisible&) = default;
};

enum class Request { dustCycle, modeCreation, modeEditor, modeDelete };
// Raises a request; `mode` names the mode for the editor and the deletion.
struct RaiseRequest {
    Request request;
    std::optional<Uuid> mode;
    friend bool operator==(const RaiseRequest&, const RaiseRequest&) = default;
};
// The screen that serves a request takes it up: it is cleared.
struct ConsumeRequest {
    Request request;
    friend bool operator==(const ConsumeRequest&, const ConsumeRequest&) = default;
};

// The desktop around the app.
struct SetLaunchAtLogin {
    bool enabled;
    friend bool operator==(const SetLaunchAtLogin&, const SetLaunchAtLogin&) = default;
};
struct RefreshLaunchAtLogin {
    friend bool operator==(const RefreshLaunchAtLogin&, const RefreshLaunchAtLogin&) = default;
};
// Regular: the app shows among the running applications (on the desktop,
// its main window in the task bar); accessory: only its status item does.
enum class ActivationPolicy { regular, accessory };
struct SetActivationPolicy {
    ActivationPolicy policy;
    friend bool operator==(const SetActivationPolicy&, const SetActivationPolicy&) = default;
};
// Recorded when a view asks; the answer comes back to the asking view.
struct RequestNotificationAuthorization {
    friend bool operator==(const RequestNotificationAuthorization&, const RequestNotificationAuthorization&) = default;
};

}  // namespace command

using FaceCommand =
    std::variant<command::TogglePin, command::SelectPreset, command::ClearActivePreset, command::ApplyProfile,
                 command::SelectProfile, command::EnterManualControl, command::SetFanTarget,
                 command::SetConstantRPM, command::StartDustCycle, command::CancelDustCycle, command::SelectCustomMode,
                 command::ClearActiveCustomMode, command::AddCustomMode, command::UpdateCustomMode,
                 command::DuplicateCustomMode, command::DeleteCustomMode, command::SetAlertRule,
                 command::ResetAlertRules, command::DismissInAppAlert, command::InstallHelper,
                 command::RefreshHelperState, command::OpenHelperApproval, command::UninstallHelper,
                 command::ChangeSetting, command::SetPresetCap, command::ResetPresetPowerCaps,
                 command::SetSummonShortcut, command::SelectSection, command::ReportMainWindowVisible,
                 command::ReportDashboardVisible, command::RaiseRequest, command::ConsumeRequest,
                 command::SetLaunchAtLogin, command::RefreshLaunchAtLogin, command::SetActivationPolicy,
                 command::RequestNotificationAuthorization>;

}  // namespace zephrane::face
