#include "ZephraneApp/Face/ZephraneEngineFace.hpp"

#include <type_traits>

#include "ZephraneApp/Engine/ZephraneEngine.hpp"
#include "ZephraneApp/Face/AlertsFace.hpp"
#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/DriveFace.hpp"
#include "ZephraneApp/Face/ModesFace.hpp"
#include "ZephraneApp/Face/PowerFace.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"
#include "ZephraneApp/Face/ShellFace.hpp"
#include "ZephraneApp/Face/SystemFace.hpp"
#include "ZephraneApp/Services/Records/AlertsManager.hpp"

namespace zephrane::face {
namespace {

constexpr std::string_view kAppIdentifier = AlertsManager::kApplicationIdentifier;
constexpr std::string_view kNoLoginItem = "Launch at login is not available.";
constexpr std::string_view kNoNotificationCenter = "Notifications are not available.";

}  // namespace

ZephraneEngineFace::ZephraneEngineFace(ZephraneEngine& engine, QObject* parent) : EngineFace(parent), engine_(engine) {
    using E = ZephraneEngine;
    const auto on = [this](auto signal, void (ZephraneEngineFace::*refresh)()) {
        connect(&engine_, signal, this, refresh);
    };
    for (auto signal : {&E::hasDiscoveredSensorsChanged, &E::controlSourceUnavailableChanged,
                        &E::controlTemperatureChanged, &E::displayedTemperatureChanged,
                        &E::heroDisplayTemperatureChanged, &E::displayedTemperatureSourceLabelChanged,
                        &E::thermalTrendChanged, &E::pinnedSensorKeysChanged})
        on(signal, &ZephraneEngineFace::refreshSensors);
    // The aggregates follow the readings they are made of.
    for (auto signal : {&E::availableSensorsChanged, &E::deviceSensorsChanged})
        on(signal, &ZephraneEngineFace::refreshSourceTemperatures);
    on(&E::allSensorsChanged, &ZephraneEngineFace::refreshSensorList);
    on(&E::pinnedSensorKeysChanged, &ZephraneEngineFace::refreshSensorList);
    on(&E::deviceSensorsDisplayChanged, &ZephraneEngineFace::refreshDeviceSensors);
    on(&E::sensorHistoryChanged, &ZephraneEngineFace::refreshDeviceSensors);
    for (auto signal : {&E::activePresetChanged, &E::activeProfileChanged, &E::manualFanTargetsChanged,
                        &E::isAutoBoostEngagedChanged, &E::meetingQuietActiveChanged, &E::dustCycleStateChanged,
                        &E::controlSourceCaptionChanged})
        on(signal, &ZephraneEngineFace::refreshDrive);
    for (auto signal : {&E::fansChanged, &E::manualFanTargetsChanged, &E::fanHealthWarningsChanged})
        on(signal, &ZephraneEngineFace::refreshFans);
    for (auto signal : {&E::powerTelemetryChanged, &E::systemPowerWattsChanged, &E::displayPowerWattsChanged,
                        &E::isClamshellChanged, &E::systemLoadsChanged})
        on(signal, &ZephraneEngineFace::refreshPower);
    for (auto signal : {&E::customModesChanged, &E::activeCustomModeIDChanged})
        on(signal, &ZephraneEngineFace::refreshModes);
    for (auto signal : {&E::isOverheatingChanged, &E::inAppAlertChanged, &E::historyRecorded, &E::alertRulesChanged,
                        &E::heatSourcesChanged, &E::dailyHeatSourcesChanged})
        on(signal, &ZephraneEngineFace::refreshAlerts);
    for (auto signal : {&E::helperStateChanged, &E::helperInstallIssueChanged, &E::isHelperInstallInFlightChanged,
                        &E::legacyHelperRepairPendingChanged, &E::smcAvailableChanged, &E::lastErrorChanged})
        on(signal, &ZephraneEngineFace::refreshDaemon);
    for (auto signal :
         {&E::useFahrenheitChanged, &E::preciseTemperaturesChanged, &E::showDockIconChanged, &E::accentChoiceChanged,
          &E::windowBackdropChanged, &E::menuBarReadoutChanged, &E::menuBarTempSourceChanged,
          &E::menuBarIconAnimatedChanged, &E::controlSourceChanged, &E::acousticAlphaChanged, &E::spoolRateChanged,
          &E::preSpoolEnabledChanged, &E::autoSwitchOnBatteryChanged, &E::presetPowerCapsChanged,
          &E::quietHoursEnabledChanged, &E::quietHoursStartChanged, &E::quietHoursEndChanged,
          &E::meetingQuietEnabledChanged, &E::overheatThresholdChanged, &E::fanHealthWarningsEnabledChanged,
          &E::summonShortcutChanged, &E::summonShortcutConflictChanged, &E::hasCompletedFirstRunSetupChanged,
          &E::showAllSensorsChanged})
        on(signal, &ZephraneEngineFace::refreshPreferences);
    for (auto signal : {&E::selectedSectionChanged, &E::mainWindowVisibleChanged, &E::dashboardVisibleChanged,
                        &E::pendingDustCycleRequestChanged, &E::pendingModeCreationRequestChanged,
                        &E::pendingModeEditorIDChanged, &E::pendingModeDeleteIDChanged})
        on(signal, &ZephraneEngineFace::refreshShell);
    connect(&engine_.menuBarLabelModel(), &MenuBarLabelModel::stateChanged, this, &ZephraneEngineFace::refreshShell);

    engine_.setOnSummonShortcutChanged([this](const OptionalShortcut&) { preferences().tellSummonShortcutAssigned(); });

    refreshSourceTemperatures();
    refreshSensorList();
    refreshDeviceSensors();
    refreshDrive();
    refreshFans();
    refreshPower();
    refreshModes();
    refreshAlerts();
    refreshDaemon();
    refreshPreferences();
    refreshShell();
    refreshSystem();
}

ZephraneEngineFace::~ZephraneEngineFace() { engine_.setOnSummonShortcutChanged(nullptr); }

void ZephraneEngineFace::refreshSensors() {
    SensorsFace::State state{
        .hasDiscoveredSensors = engine_.hasDiscoveredSensors(),
        .controlSourceUnavailable = engine_.controlSourceUnavailable(),
        .controlTemperature = engine_.controlTemperature(),
        .displayedTemperature = engine_.displayedTemperature(),
        .heroDisplayTemperature = engine_.heroDisplayTemperature(),
        .displayedTemperatureSourceLabel = engine_.displayedTemperatureSourceLabel().toStdString(),
        .thermalTrend = engine_.thermalTrend(),
        .sourceTemperatures = sourceTemperatures_,
    };
    sensors().publish(std::move(state));
    sensors().publishPinnedSensorKeys(engine_.pinnedSensorKeys());
}

void ZephraneEngineFace::refreshSourceTemperatures() {
    for (const ControlSource source : allCases<ControlSource>())
        sourceTemperatures_[static_cast<std::size_t>(source)] = engine_.temperature(ModeSensor::source(source));
    refreshSensors();
}

void ZephraneEngineFace::refreshSensorList() { sensors().allSensors().update(engine_.allSensors(), engine_.pinnedSensorKeys()); }

void ZephraneEngineFace::refreshDeviceSensors() {
    sensors().deviceSensors().update(engine_.deviceSensorsDisplay(), engine_.sensorHistory());
}

void ZephraneEngineFace::refreshDrive() {
    drive().publish({.activePreset = engine_.activePreset(),
                     .activeProfile = engine_.activeProfile(),
                     .isManualControl = engine_.isManualControl(),
                     .isAutoBoostEngaged = engine_.isAutoBoostEngaged(),
                     .meetingQuietActive = engine_.meetingQuietActive(),
                     .dustCycleState = engine_.dustCycleState(),
                     .controlSourceCaption = engine_.controlSourceCaption().toStdString()});
}

void ZephraneEngineFace::refreshFans() {
    drive().fans().update(engine_.fans(), engine_.manualFanTargets(), engine_.fanHealthWarnings());
}

void ZephraneEngineFace::refreshPower() {
    power().publish({.telemetry = engine_.powerTelemetry(),
                     .systemPowerWatts = engine_.systemPowerWatts(),
                     .displayPowerWatts = engine_.displayPowerWatts(),
                     .isClamshell = engine_.isClamshell()});
    power().systemLoads().update(engine_.systemLoads());
}

void ZephraneEngineFace::refreshModes() {
    modes().customModes().update(engine_.customModes(), engine_.activeCustomModeID());
    modes().publishActiveCustomModeID(engine_.activeCustomModeID());
}

void ZephraneEngineFace::refreshAlerts() {
    alerts().publish({.isOverheating = engine_.isOverheating(),
                      .inAppAlert = engine_.inAppAlert(),
                      .hasHistory = !engine_.telemetry().timestamps().empty()});
    alerts().alertRules().update(engine_.alertRules());
    alerts().heatSources().update(engine_.heatSources());
    alerts().dailyHeatSources().update(engine_.dailyHeatSources());
}

void ZephraneEngineFace::refreshDaemon() {
    daemon().publish({.helperState = engine_.helperState(),
                      .helperInstallIssue = engine_.helperInstallIssue(),
                      .isHelperInstallInFlight = engine_.isHelperInstallInFlight(),
                      .legacyHelperRepairPending = engine_.legacyHelperRepairPending(),
                      .smcAvailable = engine_.smcAvailable(),
                      .lastError = engine_.lastError()});
}

void ZephraneEngineFace::refreshPreferences() {
    preferences().publish({.useFahrenheit = engine_.useFahrenheit(),
                           .preciseTemperatures = engine_.preciseTemperatures(),
                           .showDockIcon = engine_.showDockIcon(),
                           .accentChoice = engine_.accentChoice(),
                           .windowBackdrop = engine_.windowBackdrop(),
                           .menuBarReadout = engine_.menuBarReadout(),
                           .menuBarTempSource = engine_.menuBarTempSource(),
                           .menuBarIconAnimated = engine_.menuBarIconAnimated(),
                           .controlSource = engine_.controlSource(),
                           .acousticAlpha = engine_.acousticAlpha(),
                           .spoolRate = engine_.spoolRate(),
                           .preSpoolEnabled = engine_.preSpoolEnabled(),
                           .autoSwitchOnBattery = engine_.autoSwitchOnBattery(),
                           .quietHoursEnabled = engine_.quietHoursEnabled(),
                           .quietHoursStart = engine_.quietHoursStart(),
                           .quietHoursEnd = engine_.quietHoursEnd(),
                           .meetingQuietEnabled = engine_.meetingQuietEnabled(),
                           .overheatThreshold = engine_.overheatThreshold(),
                           .fanHealthWarningsEnabled = engine_.fanHealthWarningsEnabled(),
                           .summonShortcutConflict = engine_.summonShortcutConflict(),
                           .hasCompletedFirstRunSetup = engine_.hasCompletedFirstRunSetup(),
                           .showAllSensors = engine_.showAllSensors(),
                           .presetPowerCaps = engine_.presetPowerCaps(),
                           .summonShortcut = engine_.summonShortcut()});
}

void ZephraneEngineFace::refreshShell() {
    shell().publish({.selectedSection = engine_.selectedSection(),
                     .mainWindowVisible = engine_.mainWindowVisible(),
                     .dashboardVisible = engine_.dashboardVisible(),
                     .pendingDustCycleRequest = engine_.pendingDustCycleRequest(),
                     .pendingModeCreationRequest = engine_.pendingModeCreationRequest(),
                     .pendingModeEditorID = engine_.pendingModeEditorID(),
                     .pendingModeDeleteID = engine_.pendingModeDeleteID(),
                     .menuBarLabel = engine_.menuBarLabelModel().state()});
}

void ZephraneEngineFace::setSystemServices(SystemServices services) {
    system_ = std::move(services);
    refreshSystem();
}

void ZephraneEngineFace::refreshSystem() {
    const auto identifier = system_.notifications ? system_.notifications->applicationIdentifier() : std::nullopt;
    system().publish({.launchAtLogin = system_.launchAtLogin ? system_.launchAtLogin() : false,
                      .canUseNotificationCenter = identifier && *identifier == kAppIdentifier,
                      .activationPolicy = activationPolicy_});
}

void ZephraneEngineFace::performOnSystem(const FaceCommand& command) {
    if (const auto* change = std::get_if<command::SetLaunchAtLogin>(&command)) {
        system().tellLaunchAtLoginOutcome(system_.setLaunchAtLogin ? system_.setLaunchAtLogin(change->enabled)
                                                                   : std::optional<std::string>(std::string(kNoLoginItem)));
    } else if (const auto* policy = std::get_if<command::SetActivationPolicy>(&command)) {
        activationPolicy_ = policy->policy;
        if (system_.setActivationPolicy) system_.setActivationPolicy(activationPolicy_);
    }
    refreshSystem();
}

QCoro::Task<notifications::AuthorizationResult> ZephraneEngineFace::requestNotificationAuthorization() {
    if (!system_.notifications) co_return notifications::AuthorizationResult{false, std::string(kNoNotificationCenter)};
    // Held for the request's length: the services may be replaced meanwhile.
    const std::shared_ptr<notifications::NotificationCenter> center = system_.notifications;
    co_return co_await center->requestAuthorization();
}

namespace {

void change(ZephraneEngine& engine, Setting setting, const SettingValue& value) {
    const auto as = [&value]<class T>(std::type_identity<T>) -> std::optional<T> {
        if (const T* v = std::get_if<T>(&value)) return *v;
        return std::nullopt;
    };
    const auto flag = [&](void (ZephraneEngine::*set)(bool)) {
        if (const auto v = as(std::type_identity<bool>{})) (engine.*set)(*v);
    };
    const auto number = [&](void (ZephraneEngine::*set)(double)) {
        if (const auto v = as(std::type_identity<double>{})) (engine.*set)(*v);
    };
    const auto minute = [&](void (ZephraneEngine::*set)(int)) {
        if (const auto v = as(std::type_identity<int>{})) (engine.*set)(*v);
    };
    switch (setting) {
        case Setting::useFahrenheit: return flag(&ZephraneEngine::setUseFahrenheit);
        case Setting::preciseTemperatures: return flag(&ZephraneEngine::setPreciseTemperatures);
        case Setting::showDockIcon: return flag(&ZephraneEngine::setShowDockIcon);
        case Setting::accentChoice:
            if (const auto v = as(std::type_identity<Theme::AccentChoice>{})) engine.setAccentChoice(*v);
            return;
        case Setting::windowBackdrop:
            if (const auto v = as(std::type_identity<WindowBackdrop>{})) engine.setWindowBackdrop(*v);
            return;
        case Setting::menuBarReadout:
            if (const auto v = as(std::type_identity<MenuBarReadout>{})) engine.setMenuBarReadout(*v);
            return;
        case Setting::menuBarTempSource:
            if (const auto v = as(std::type_identity<MenuBarTempSource>{})) engine.setMenuBarTempSource(*v);
            return;
        case Setting::menuBarIconAnimated: return flag(&ZephraneEngine::setMenuBarIconAnimated);
        case Setting::controlSource:
            if (const auto v = as(std::type_identity<ControlSource>{})) engine.setControlSource(*v);
            return;
        case Setting::acousticAlpha: return number(&ZephraneEngine::setAcousticAlpha);
        case Setting::spoolRate: return number(&ZephraneEngine::setSpoolRate);
        case Setting::preSpoolEnabled: return flag(&ZephraneEngine::setPreSpoolEnabled);
        case Setting::autoSwitchOnBattery: return flag(&ZephraneEngine::setAutoSwitchOnBattery);
        case Setting::quietHoursEnabled: return flag(&ZephraneEngine::setQuietHoursEnabled);
        case Setting::quietHoursStart: return minute(&ZephraneEngine::setQuietHoursStart);
        case Setting::quietHoursEnd: return minute(&ZephraneEngine::setQuietHoursEnd);
        case Setting::meetingQuietEnabled: return flag(&ZephraneEngine::setMeetingQuietEnabled);
        case Setting::overheatThreshold: return number(&ZephraneEngine::setOverheatThreshold);
        case Setting::fanHealthWarningsEnabled: return flag(&ZephraneEngine::setFanHealthWarningsEnabled);
        case Setting::summonShortcutConflict: return flag(&ZephraneEngine::setSummonShortcutConflict);
        case Setting::hasCompletedFirstRunSetup: return flag(&ZephraneEngine::setHasCompletedFirstRunSetup);
        case Setting::showAllSensors: return flag(&ZephraneEngine::setShowAllSensors);
    }
}

}  // namespace

void ZephraneEngineFace::perform(FaceCommand command) {
    using namespace command;
    std::visit(
        [this](auto&& c) {
            using C = std::decay_t<decltype(c)>;
            ZephraneEngine& e = engine_;
            if constexpr (std::is_same_v<C, TogglePin>) e.togglePin(c.key);
            else if constexpr (std::is_same_v<C, SelectPreset>) e.selectPreset(c.preset);
            else if constexpr (std::is_same_v<C, ClearActivePreset>) e.clearActivePreset();
            else if constexpr (std::is_same_v<C, ApplyProfile>) e.applyProfile(c.profile);
            else if constexpr (std::is_same_v<C, SelectProfile>) e.selectProfile(c.profile);
            else if constexpr (std::is_same_v<C, EnterManualControl>) e.enterManualControl();
            else if constexpr (std::is_same_v<C, SetFanTarget>) e.setFanTarget(c.fan, c.rpm);
            else if constexpr (std::is_same_v<C, SetConstantRPM>) e.setConstantRPM(c.rpm);
            else if constexpr (std::is_same_v<C, StartDustCycle>) e.startDustCycle();
            else if constexpr (std::is_same_v<C, CancelDustCycle>) e.cancelDustCycle();
            else if constexpr (std::is_same_v<C, SelectCustomMode>) e.selectCustomMode(c.id);
            else if constexpr (std::is_same_v<C, ClearActiveCustomMode>) e.setActiveCustomModeID(std::nullopt);
            else if constexpr (std::is_same_v<C, AddCustomMode>) e.addCustomMode(std::move(c.mode));
            else if constexpr (std::is_same_v<C, UpdateCustomMode>) e.updateCustomMode(std::move(c.mode));
            else if constexpr (std::is_same_v<C, DuplicateCustomMode>) e.duplicateCustomMode(c.id);
            else if constexpr (std::is_same_v<C, DeleteCustomMode>) e.deleteCustomMode(c.id);
            else if constexpr (std::is_same_v<C, SetAlertRule>)
                e.setAlertRule(c.category, c.enabled, c.thresholdCelsius, c.autoBoost);
            else if constexpr (std::is_same_v<C, ResetAlertRules>) e.resetAlertRules();
            else if constexpr (std::is_same_v<C, DismissInAppAlert>) e.dismissInAppAlert();
            else if constexpr (std::is_same_v<C, InstallHelper>) e.installHelper();
            else if constexpr (std::is_same_v<C, RefreshHelperState>) e.refreshHelperState();
            else if constexpr (std::is_same_v<C, OpenHelperApproval>) e.openHelperApproval();
            else if constexpr (std::is_same_v<C, UninstallHelper>) e.uninstallHelper();
            else if constexpr (std::is_same_v<C, ChangeSetting>) change(e, c.setting, c.value);
            else if constexpr (std::is_same_v<C, SetPresetCap>) e.setPresetCap(c.preset, c.ac, c.battery);
            else if constexpr (std::is_same_v<C, ResetPresetPowerCaps>) e.resetPresetPowerCaps();
            else if constexpr (std::is_same_v<C, SetSummonShortcut>) e.setSummonShortcut(c.shortcut);
            else if constexpr (std::is_same_v<C, SelectSection>) e.setSelectedSection(c.section);
            else if constexpr (std::is_same_v<C, ReportMainWindowVisible>) e.setMainWindowVisible(c.visible);
            else if constexpr (std::is_same_v<C, ReportDashboardVisible>) e.setDashboardVisible(c.visible);
            else if constexpr (std::is_same_v<C, RaiseRequest>) {
                switch (c.request) {
                    case Request::dustCycle: e.setPendingDustCycleRequest(true); break;
                    case Request::modeCreation: e.setPendingModeCreationRequest(true); break;
                    case Request::modeEditor: e.setPendingModeEditorID(c.mode); break;
                    case Request::modeDelete: e.setPendingModeDeleteID(c.mode); break;
                }
            } else if constexpr (std::is_same_v<C, SetLaunchAtLogin> || std::is_same_v<C, RefreshLaunchAtLogin> ||
                                 std::is_same_v<C, SetActivationPolicy>) {
                performOnSystem(c);
            } else if constexpr (std::is_same_v<C, ConsumeRequest>) {
                switch (c.request) {
                    case Request::dustCycle: e.consumePendingDustCycleRequest(); break;
                    case Request::modeCreation: e.consumePendingModeCreationRequest(); break;
                    case Request::modeEditor: e.consumePendingModeEditorID(); break;
                    case Request::modeDelete: e.consumePendingModeDeleteID(); break;
                }
            }
        },
        std::move(command));
}

QCoro::Task<std::optional<QString>> ZephraneEngineFace::exportHistoryCSV() { return engine_.exportHistoryCSV(); }

}  // namespace zephrane::face
