// The app's one engine: everything more than one screen or the control loop
// needs, the user's settings, and the control loop that turns sensor
// readings into fan targets and sends them to the daemon.
//
// A QObject on the GUI thread. What it publishes has a change signal each,
// emitted only on a real change; setting a member always stores the value
// and runs its change action, even when the value did not change (a setting
// is written through every time). Views never read it directly: the views'
// face (ZephraneApp/Face) translates it for them.
//
// It reaches every service through the ports of EnginePorts.hpp, so the
// control loop runs the same against the real machine and against the
// scripted fakes of the tests. Its coroutines leave the GUI thread only
// while they await a service, and check that the engine still exists after
// every await: the engine may be destroyed while a call is out.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include <QObject>
#include <QString>
#include <qcoro/qcorotask.h>

#include "ZephraneApp/Engine/EngineClock.hpp"
#include "ZephraneApp/Engine/EnginePorts.hpp"
#include "ZephraneApp/Engine/EngineSettings.hpp"
#include "ZephraneApp/Engine/EngineTypes.hpp"
#include "ZephraneApp/Engine/MenuBarLabelModel.hpp"
#include "ZephraneApp/Engine/SettingsStore.hpp"
#include "ZephraneApp/Model/AccentChoice.hpp"
#include "ZephraneApp/Model/Section.hpp"
#include "ZephraneApp/Services/Daemon/HelperState.hpp"
#include "ZephraneApp/Services/Records/DustCycle.hpp"
#include "ZephraneApp/Services/Records/FanHealthMonitor.hpp"
#include "ZephraneApp/Services/Records/TelemetryStore.hpp"
#include "shared/ControlPipeline.hpp"
#include "shared/CustomMode.hpp"
#include "shared/DeviceSensorMap.hpp"
#include "shared/FanModel.hpp"
#include "shared/PowerTelemetry.hpp"
#include "shared/SensorModel.hpp"
#include "shared/TargetDeadband.hpp"
#include "shared/ThermalTrend.hpp"
#include "shared/WorkloadPolicy.hpp"

namespace zephrane {

using SensorList = std::vector<SMCSensor>;
using SensorRefs = std::vector<const SMCSensor*>;  // into a list the engine holds
using SensorKeySet = std::set<std::string>;
using FanTable = std::map<int, FanStatus>;          // by fan index
using RPMTable = std::map<int, double>;             // rpm by fan index
using TargetList = std::vector<std::pair<int, double>>;  // (fan index, rpm), in write order
using DeviceSensorList = std::vector<DeviceSensorReading>;
using FanWarningTable = std::map<int, FanHealthMonitor::Warning>;
using SystemLoadList = std::vector<SystemLoad>;
using HeatSourceList = std::vector<HeatSource>;
using CustomModeList = std::vector<CustomMode>;
using AlertRuleTable = settings::AlertRuleTable;
using OptionalText = std::optional<std::string>;
using OptionalPreset = std::optional<FanPreset>;
using OptionalProfile = std::optional<FanProfile>;
using OptionalShortcut = std::optional<GlobalShortcut>;
using OptionalUuid = std::optional<Uuid>;
using OptionalWatts = std::optional<double>;
using OptionalTrend = std::optional<ThermalTrend>;

// What the engine is created with besides its driver.
struct EngineEnvironment {
    std::shared_ptr<engine::ServiceFactory> services;
    std::unique_ptr<SettingsStore> settings;
    std::shared_ptr<engine::EngineClock> clock;
};

class ZephraneEngine : public QObject {
    Q_OBJECT

public:
    using Clock = engine::ContinuousClock;
    using Instant = engine::ContinuousInstant;

    static constexpr double defaultAcousticAlpha = 0.35;
    static constexpr bool defaultAutoSwitchOnBattery = true;
    static constexpr double defaultOverheatThreshold = settings::defaultOverheatThreshold;
    static constexpr double defaultSpoolRate = settings::defaultSpoolRate;
    static constexpr double spoolRateMinimum = settings::spoolRateMinimum;
    static constexpr double spoolRateInstant = settings::spoolRateInstant;

    // The fixed control tick the ramp steps by, whatever time really passed.
    static constexpr double rampStepSeconds = 0.1;
    // A profile with fewer than two points runs on this curve.
    static const FanCurve& defaultCurve();

    // How long the loop sleeps after a tick.
    struct SleepPlan {
        std::chrono::nanoseconds duration;
        std::chrono::nanoseconds tolerance;
        friend bool operator==(const SleepPlan&, const SleepPlan&) = default;
    };
    static constexpr SleepPlan fastSleep{std::chrono::milliseconds(100), std::chrono::nanoseconds(0)};
    static constexpr SleepPlan slowSleep{std::chrono::seconds(1), std::chrono::milliseconds(100)};

    // Loads every setting, creates the services in their order and applies
    // the initial profile; nothing runs and nothing is written yet.
    ZephraneEngine(OptionalProfile initialProfile, std::shared_ptr<engine::DriverPort> driver,
                   EngineEnvironment environment, QObject* parent = nullptr);
    // Ends the loop and every task of the engine's: each finds the engine
    // gone after its next await and stops without touching it.
    ~ZephraneEngine() override;

    // Starts discovery, the first daemon-state refresh, the workload
    // observer and the control loop; a second call while the loop runs does
    // nothing.
    void start();
    // Cancels the loop and stops the workload observer; resumes once the
    // loop has ended (the tick in progress runs on to its sleep, which
    // returns at once).
    QCoro::Task<void> stop();
    bool isLoopRunning() const { return loop_ != nullptr; }

    // Engine coroutines that have not finished, across every engine of the
    // process; tests wait for none after destroying an engine.
    static int tasksInFlight();

    // One tick of the control loop, on its own; the deadlines start at the
    // first tick's now when the loop has not set them.
    QCoro::Task<void> tickOnce();
    // The sleep that follows a tick whose poll read `polledFans`.
    SleepPlan sleepPlan(const std::vector<FanStatus>& polledFans) const;

    // Profiles.
    void selectProfile(const FanProfile& profile);
    void applyProfile(const FanProfile& profile);
    void rebuildControlPipeline();

    // Targets and writes.
    QCoro::Task<void> runControlStep(FanProfile profile, std::vector<FanStatus> polledFans);
    QCoro::Task<void> applyManualTargets();
    QCoro::Task<void> writeTargets(TargetList targets);
    double rampTarget(int fan, double target);
    ControlPipeline makeControlPipeline(const FanProfile& profile) const;
    double currentProactiveFloor() const;
    QCoro::Task<bool> restoreAutomaticControl();
    void requestTickHelperRefresh();

    // Daemon state.
    std::int64_t bumpHelperStateGeneration();
    bool applyHelperState(const HelperState& state, std::int64_t generation);

    // Publishing.
    void publishFansIfChanged(SensorPoller::Result result);
    void refreshTemperatures(bool fromTick);
    static std::optional<SMCSensor> hottestNamedSensor(const SensorList& sensors);
    static std::optional<double> smcSystemPowerWatts(const SensorList& sensors);
    void reopenSMCIfDue();

    // Displayed temperatures, history, pins and trend.
    void refreshHeroDisplayTemperature();
    void refreshDeviceSensorsDisplay();
    void appendSensorHistory(const DeviceSensorList& readings);
    std::vector<double> history(const std::string& id) const;
    std::optional<double> temperature(const ModeSensor& sensor) const;
    std::optional<CustomMode> activeCustomMode() const;
    DeviceSensorMap::CoreCounts coreCounts() const { return coreCounts_; }
    static double preSpoolFloor(const ThermalTrend& trend, bool enabled);
    void sampleThermalTrend();
    bool isPinned(const std::string& key) const;
    void togglePin(const std::string& key);
    // Celsius in the display unit, rounded to a tenth or a whole degree,
    // halves away from zero.
    double displayRounded(double celsius) const;

    // History export and workload.
    QCoro::Task<std::optional<QString>> exportHistoryCSV();
    void setWorkload(const WorkloadPolicy& policy);
    QCoro::Task<void> refreshSystemLoads();

    // ---- Drive rules: what the user and the automatic features choose to
    // drive the fans with. None of these writes to a fan; the next tick
    // computes and sends the targets.

    // Presets and their power caps.
    static FanProfile baseProfile(FanPreset preset);
    // The preset's profile with every curve point's speed capped for the
    // power source; a constant-speed profile is never capped.
    static FanProfile effectiveProfile(FanPreset preset, const PresetPowerCapsTable& caps, bool onBattery);
    static const PresetPowerCapsTable& defaultPresetPowerCaps() { return settings::defaultPresetPowerCaps(); }
    void selectPreset(FanPreset preset);
    // Forgets the active preset; nothing else follows from it.
    void clearActivePreset();
    // A cap left out (or not a number) keeps the stored one.
    void setPresetCap(FanPreset preset, std::optional<double> ac, std::optional<double> battery);
    void resetPresetPowerCaps();
    bool isReapplyingActiveProfile() const { return isReapplyingActiveProfile_; }

    // Custom modes, the one-shot requests to the views, "Manual Lock" and
    // manual targets.
    void addCustomMode(CustomMode mode);
    void updateCustomMode(CustomMode mode);
    void duplicateCustomMode(const Uuid& id);
    void deleteCustomMode(const Uuid& id);
    void selectCustomMode(const Uuid& id);
    std::optional<CustomMode> consumePendingModeEditorID();
    std::optional<CustomMode> consumePendingModeDeleteID();
    bool consumePendingModeCreationRequest();
    bool consumePendingDustCycleRequest();
    static FanProfile manualLockProfile(std::int64_t rpm);
    void setConstantRPM(std::int64_t rpm);
    void enterManualControl();
    void setFanTarget(int fan, double rpm);
    double manualTarget(int fan) const;

    // Power source and lid.
    const OptionalProfile& profileBeforeBattery() const { return profileBeforeBattery_; }

    // The dust cycle.
    void startDustCycle();
    void cancelDustCycle();
    static constexpr auto dustResultShownFor = std::chrono::milliseconds(1500);

    // Quiet hours and meeting quiet.
    static bool isInQuietWindow(int minutesOfDay, int start, int end);
    using QuietCallback = std::function<void()>;
    QuietDriverState stepQuietDriver(QuietDriverState state, bool active, const QuietCallback& onEngage,
                                     const QuietCallback& onRelease, const QuietCallback& onRestore);

    // Alert rules, auto-boost and overheating.
    static const AlertRuleTable& defaultAlertRules() { return settings::defaultAlertRules(); }
    static bool computeOverheat(double maxTemp, double threshold) { return maxTemp >= threshold; }
    void setAlertRule(SensorCategory category, std::optional<bool> enabled, std::optional<double> thresholdCelsius,
                      std::optional<bool> autoBoost);
    void resetAlertRules();
    const std::set<SensorCategory>& autoBoostHolders() const { return autoBoostHolders_; }
    const std::map<SensorCategory, bool>& ruleTriggerState() const { return ruleTriggerState_; }
    const OptionalProfile& profileBeforeAutoBoost() const { return profileBeforeAutoBoost_; }
    const OptionalPreset& presetBeforeAutoBoost() const { return presetBeforeAutoBoost_; }
    bool autoBoostPreemptedQuietHours() const { return autoBoostPreemptedQuietHours_; }
    bool autoBoostPreemptedMeetingQuiet() const { return autoBoostPreemptedMeetingQuiet_; }
    // ---- End of the drive rules.

    // Read access.
    const SensorList& availableSensors() const { return availableSensors_; }
    const SensorList& allSensors() const { return allSensors_; }
    bool hasDiscoveredSensors() const { return hasDiscoveredSensors_; }
    const SensorKeySet& allSensorKeys() const { return allSensorKeys_; }
    bool controlSourceUnavailable() const { return controlSourceUnavailable_; }
    const FanTable& fans() const { return fans_; }
    bool smcAvailable() const { return smcAvailable_; }
    double controlTemperature() const { return controlTemperature_; }
    const DeviceSensorList& deviceSensors() const { return deviceSensors_; }
    const DeviceSensorList& deviceSensorsDisplay() const { return deviceSensorsDisplay_; }
    double displayedTemperature() const { return displayedTemperature_; }
    double latestRawDisplayedTemperature() const { return latestRawDisplayedTemperature_; }
    double heroDisplayTemperature() const { return heroDisplayTemperature_; }
    QString displayedTemperatureSourceLabel() const;
    const std::optional<SMCSensor>& cachedMenuBarHottestSensor() const { return cachedMenuBarHottestSensor_; }
    const std::vector<TrendSample>& trendSamples() const { return trendSamples_; }
    const ThermalTrend& thermalTrend() const { return thermalTrend_; }
    OptionalTrend publishedThermalTrend() const { return thermalTrend_; }
    const SensorKeySet& pinnedSensorKeys() const { return pinnedSensorKeys_; }
    const OptionalProfile& activeProfile() const { return activeProfile_; }
    const OptionalPreset& activePreset() const { return activePreset_; }
    const std::optional<ControlPipeline>& pipeline() const { return pipeline_; }
    const std::map<int, TargetDeadband>& deadbands() const { return deadbands_; }
    const RPMTable& rampedTargets() const { return rampedTargets_; }
    const RPMTable& manualFanTargets() const { return manualFanTargets_; }
    bool isManualControl() const { return !manualFanTargets_.empty(); }
    double acousticAlpha() const { return acousticAlpha_; }
    double spoolRate() const { return spoolRate_; }
    ControlSource controlSource() const { return controlSource_; }
    bool isControlling() const { return isControlling_; }
    const PresetPowerCapsTable& presetPowerCaps() const { return presetPowerCaps_; }
    bool autoSwitchOnBattery() const { return autoSwitchOnBattery_; }
    const PowerTelemetry& powerTelemetry() const { return powerTelemetry_; }
    const PowerTelemetry& rawPowerTelemetry() const { return rawPowerTelemetry_; }
    double displayPowerWatts() const { return displayPowerWatts_; }
    const OptionalWatts& systemPowerWatts() const { return systemPowerWatts_; }
    bool isClamshell() const { return isClamshell_; }
    double clamshellBoost() const { return clamshellBoost_; }
    const CustomModeList& customModes() const { return customModes_; }
    const OptionalUuid& activeCustomModeID() const { return activeCustomModeID_; }
    const OptionalUuid& pendingModeEditorID() const { return pendingModeEditorID_; }
    bool pendingModeCreationRequest() const { return pendingModeCreationRequest_; }
    bool pendingDustCycleRequest() const { return pendingDustCycleRequest_; }
    const OptionalUuid& pendingModeDeleteID() const { return pendingModeDeleteID_; }
    const DustCycleUIState& dustCycleState() const { return dustCycleState_; }
    const std::optional<Instant>& dustCycleStartedAt() const { return dustCycleStartedAt_; }
    bool quietHoursEnabled() const { return quietHoursEnabled_; }
    int quietHoursStart() const { return quietHoursStart_; }
    int quietHoursEnd() const { return quietHoursEnd_; }
    const QuietDriverState& quietHoursDriver() const { return quietHoursDriver_; }
    bool meetingQuietEnabled() const { return meetingQuietEnabled_; }
    const QuietDriverState& meetingDriver() const { return meetingDriver_; }
    bool meetingQuietActive() const { return meetingQuietActive_; }
    const AlertRuleTable& alertRules() const { return alertRules_; }
    bool isAutoBoostEngaged() const { return isAutoBoostEngaged_; }
    double overheatThreshold() const { return overheatThreshold_; }
    bool isOverheating() const { return isOverheating_; }
    double lastMaxTempSample() const { return lastMaxTempSample_; }
    bool preSpoolEnabled() const { return preSpoolEnabled_; }
    const FanWarningTable& fanHealthWarnings() const { return fanHealthWarnings_; }
    bool fanHealthWarningsEnabled() const { return fanHealthWarningsEnabled_; }
    MenuBarReadout menuBarReadout() const { return menuBarReadout_; }
    MenuBarTempSource menuBarTempSource() const { return menuBarTempSource_; }
    bool menuBarIconAnimated() const { return menuBarIconAnimated_; }
    bool useFahrenheit() const { return useFahrenheit_; }
    bool preciseTemperatures() const { return preciseTemperatures_; }
    Theme::AccentChoice accentChoice() const { return accentChoice_; }
    WindowBackdrop windowBackdrop() const { return windowBackdrop_; }
    bool showDockIcon() const { return showDockIcon_; }
    const OptionalShortcut& summonShortcut() const { return summonShortcut_; }
    bool summonShortcutConflict() const { return summonShortcutConflict_; }
    bool hasCompletedFirstRunSetup() const { return hasCompletedFirstRunSetup_; }
    bool dashboardVisible() const { return dashboardVisible_; }
    bool mainWindowVisible() const { return mainWindowVisible_; }
    // The main window's section and the sensor list's choice of all sensors
    // over the essential ones: the views' own preferences, kept in the
    // engine's settings file with the rest.
    Section selectedSection() const { return selectedSection_; }
    bool showAllSensors() const { return showAllSensors_; }
    // Each device reading's recent values, oldest first, by the reading's id.
    const std::map<std::string, std::vector<double>>& sensorHistory() const { return sensorHistory_; }
    // The overheat alert shown inside the app in place of a notification.
    OptionalText inAppAlert() const;
    const HelperState& helperState() const { return helperState_; }
    const OptionalText& helperInstallIssue() const { return helperInstallIssue_; }
    bool isHelperInstallInFlight() const { return isHelperInstallInFlight_; }
    bool legacyHelperRepairPending() const { return legacyHelperRepairPending_; }
    std::int64_t helperStateGeneration() const { return helperStateGeneration_; }
    bool isTickRefreshInFlight() const { return isTickRefreshInFlight_; }
    const OptionalText& lastError() const { return lastError_; }
    const SystemLoadList& systemLoads() const { return systemLoads_; }
    const HeatSourceList& heatSources() const { return heatSources_; }
    const HeatSourceList& dailyHeatSources() const { return dailyHeatSources_; }
    const WorkloadPolicy& workload() const { return workload_; }
    const TelemetryStore& telemetry() const { return telemetry_; }
    engine::PollerPort& poller() { return *poller_; }

    // Settings and other writable members; each set stores, writes through
    // (settings) and runs the member's change action.
    void setManualFanTargets(RPMTable targets);
    void setAcousticAlpha(double alpha);
    void setSpoolRate(double rate);
    void setControlSource(ControlSource source);
    void setPresetPowerCaps(PresetPowerCapsTable caps);
    void setAutoSwitchOnBattery(bool enabled);
    void setCustomModes(CustomModeList modes);
    void setActiveCustomModeID(OptionalUuid id);
    void setPendingModeEditorID(OptionalUuid id);
    void setPendingModeCreationRequest(bool requested);
    void setPendingDustCycleRequest(bool requested);
    void setPendingModeDeleteID(OptionalUuid id);
    void setQuietHoursEnabled(bool enabled);
    void setQuietHoursStart(int minute);
    void setQuietHoursEnd(int minute);
    void setMeetingQuietEnabled(bool enabled);
    void setAlertRules(AlertRuleTable rules);
    void setOverheatThreshold(double celsius);
    void setPreSpoolEnabled(bool enabled);
    void setFanHealthWarningsEnabled(bool enabled);
    void setMenuBarReadout(MenuBarReadout readout);
    void setMenuBarTempSource(MenuBarTempSource source);
    void setMenuBarIconAnimated(bool animated);
    void setUseFahrenheit(bool fahrenheit);
    void setPreciseTemperatures(bool precise);
    void setAccentChoice(Theme::AccentChoice choice);
    void setWindowBackdrop(WindowBackdrop backdrop);
    void setShowDockIcon(bool show);
    void setSummonShortcut(OptionalShortcut shortcut);
    void setSummonShortcutConflict(bool conflict);
    void setHasCompletedFirstRunSetup(bool completed);
    void setDashboardVisible(bool visible);
    void setMainWindowVisible(bool visible);
    void setSelectedSection(Section section);
    void setShowAllSensors(bool showAll);
    void dismissInAppAlert();

    // The driver reported the daemon link lost; GUI thread.
    void handleConnectionLossFromDriver();

    // The daemon's life cycle, as the views drive it. Install and uninstall
    // each run as a task; while an install runs, refreshes, connection-loss
    // handling, a second install and an uninstall do nothing.
    void refreshHelperState();
    void installHelper();
    void uninstallHelper();
    void openHelperApproval();
    // No fan is written from the start of an uninstall to its end.
    bool isHelperUninstallInFlight() const { return isHelperUninstallInFlight_; }
    bool helperVersionChecked() const { return helperVersionChecked_; }
    bool helperBounceAttempted() const { return helperBounceAttempted_; }
    // The issue for views: empty for none.
    QString helperInstallIssueText() const;
    QString controlSourceCaption() const;
    // An RPM figure for a notification: cut toward zero (saturating at the
    // 64-bit bounds) and grouped by three; "--" for not a number.
    static std::string notificationRPMText(double rpm);

    // The menu-bar label and the texts it is built from.
    using MenuBarLabelState = zephrane::MenuBarLabelState;
    using MenuBarLabelModel = zephrane::MenuBarLabelModel;
    std::string menuBarTemperatureText() const;
    std::string menuBarFanText() const;
    double menuBarFanFraction() const;
    MenuBarLabelModel& menuBarLabelModel() const { return *menuBarLabelModel_; }

    // Called with the new shortcut after every set of summonShortcut.
    using SummonShortcutHandler = std::function<void(const OptionalShortcut&)>;
    void setOnSummonShortcutChanged(SummonShortcutHandler handler) { onSummonShortcutChanged_ = std::move(handler); }

signals:
    void availableSensorsChanged();
    void allSensorsChanged();
    void hasDiscoveredSensorsChanged();
    void allSensorKeysChanged();
    void controlSourceUnavailableChanged();
    void fansChanged();
    void smcAvailableChanged();
    void controlTemperatureChanged();
    void deviceSensorsChanged();
    void deviceSensorsDisplayChanged();
    void displayedTemperatureChanged();
    void heroDisplayTemperatureChanged();
    void displayedTemperatureSourceLabelChanged();
    void pinnedSensorKeysChanged();
    void thermalTrendChanged();
    void activeProfileChanged();
    void activePresetChanged();
    void manualFanTargetsChanged();
    void acousticAlphaChanged();
    void spoolRateChanged();
    void controlSourceChanged();
    void presetPowerCapsChanged();
    void autoSwitchOnBatteryChanged();
    void powerTelemetryChanged();
    void displayPowerWattsChanged();
    void systemPowerWattsChanged();
    void isClamshellChanged();
    void customModesChanged();
    void activeCustomModeIDChanged();
    void pendingModeEditorIDChanged();
    void pendingModeCreationRequestChanged();
    void pendingDustCycleRequestChanged();
    void pendingModeDeleteIDChanged();
    void dustCycleStateChanged();
    void quietHoursEnabledChanged();
    void quietHoursStartChanged();
    void quietHoursEndChanged();
    void meetingQuietEnabledChanged();
    void meetingQuietActiveChanged();
    void alertRulesChanged();
    void isAutoBoostEngagedChanged();
    void overheatThresholdChanged();
    void isOverheatingChanged();
    void preSpoolEnabledChanged();
    void fanHealthWarningsChanged();
    void fanHealthWarningsEnabledChanged();
    void menuBarReadoutChanged();
    void menuBarTempSourceChanged();
    void menuBarIconAnimatedChanged();
    void useFahrenheitChanged();
    void preciseTemperaturesChanged();
    void accentChoiceChanged();
    void windowBackdropChanged();
    void showDockIconChanged();
    void summonShortcutChanged();
    void summonShortcutConflictChanged();
    void hasCompletedFirstRunSetupChanged();
    void dashboardVisibleChanged();
    void mainWindowVisibleChanged();
    void selectedSectionChanged();
    void showAllSensorsChanged();
    void sensorHistoryChanged();
    // The power history gained a sample.
    void historyRecorded();
    void inAppAlertChanged();
    void helperStateChanged();
    void helperInstallIssueChanged();
    void isHelperInstallInFlightChanged();
    void legacyHelperRepairPendingChanged();
    void lastErrorChanged();
    void systemLoadsChanged();
    void heatSourcesChanged();
    void dailyHeatSourcesChanged();
    void controlSourceCaptionChanged();

protected:
    // The rules' steps, each called where the tick needs it; virtual so that
    // the tests can see where.
    virtual void setClamshell(bool closed);
    virtual void updatePowerTelemetry(const PowerTelemetry& reading);
    virtual void evaluateQuietHours(std::chrono::system_clock::time_point now);
    virtual void evaluateMeetingQuiet(bool microphoneInUse);
    virtual QCoro::Task<void> runDustCycleStep();
    virtual void evaluateAlertRules(const SensorRefs& namedSensors);
    virtual void evaluateFanHealth(const std::vector<FanStatus>& polledFans);
    virtual void refreshMenuBarLabel();
    virtual void handleHelperConnectionLoss();
    virtual void beginHelperVersionProbe();
    virtual void reapplyActivePresetForNewCaps();

private:
    struct Liveness {};
    // The loop's own state, shared by the loop's frame and stop(): it
    // outlives the engine when the engine is destroyed mid-tick.
    struct LoopRun {
        std::shared_ptr<engine::Cancellation> cancellation = std::make_shared<engine::Cancellation>();
        bool finished = false;
        std::vector<std::shared_ptr<engine::Wake>> stopWaiters;

        void finish() {
            finished = true;
            const auto waiters = std::move(stopWaiters);
            for (const auto& waiter : waiters) waiter->finish(true);
        }
    };
    struct Deadlines {
        Instant second;
        Instant meeting;
        Instant heat;
    };

    // Stores `value`; emits `changed` only when it differs from the old one.
    template <class T>
    bool publish(T& member, T value, void (ZephraneEngine::*changed)());

    QCoro::Task<void> runControlLoop(std::shared_ptr<LoopRun> run);
    QCoro::Task<void> runOnceASecond(Instant tickNow);
    void evaluateTick(bool sensorsRefreshed, const std::vector<FanStatus>& polledFans);
    QCoro::Task<void> discoverSensors(std::shared_ptr<engine::PollerPort> poller);
    QCoro::Task<void> refreshHelperState(std::int64_t generation, bool fromTick);
    QCoro::Task<void> reopenSMC();
    QCoro::Task<void> handOverRegistryVisibility(std::shared_ptr<engine::PollerPort> poller, bool visible);
    QCoro::Task<void> installConnectionLossHandler();
    QCoro::Task<void> restoreInBackground();
    bool linkGateAllowsWrites();
    bool shouldSkipUnchangedWrite(int fan, double ramped) const;
    void setLastError(OptionalText error);
    void clearStaleControlError();
    void setHelperState(HelperState state);
    void setHelperInstallIssue(OptionalText issue);
    void setIsOverheating(bool overheating);
    void setThermalTrend(ThermalTrend trend);
    void catchUpDisplayedTemperature();
    double controlValueForDisplay(const std::optional<double>& sourceValue) const;

    // Daemon life cycle.
    QCoro::Task<void> runHelperVersionProbe(std::weak_ptr<Liveness> alive);
    QCoro::Task<void> runHelperInstall(std::int64_t generation, bool legacyPresent);
    QCoro::Task<void> runHelperUninstall(std::int64_t generation);
    QCoro::Task<void> runOpenHelperApproval();
    void setIsHelperInstallInFlight(bool inFlight);
    void refreshControlSourceCaption();
    void setLegacyHelperRepairPending(bool pending);
    // Fan health: one fan's event turned into its warning and notification.
    void reportFanHealthEvent(const FanHealthMonitor::Event& event, std::int64_t fan,
                              std::span<const std::int64_t> sortedIds);

    // Declared first so that it is destroyed last... and reset first of all
    // in the destructor: every coroutine checks it after each await.
    std::shared_ptr<Liveness> alive_ = std::make_shared<Liveness>();

    std::unique_ptr<SettingsStore> settingsStore_;
    std::shared_ptr<engine::EngineClock> clock_;
    std::shared_ptr<engine::ServiceFactory> services_;

    // Sensors and fans.
    SensorList availableSensors_;
    SensorList allSensors_;
    bool hasDiscoveredSensors_ = false;
    SensorKeySet allSensorKeys_;
    bool controlSourceUnavailable_ = false;
    FanTable fans_;
    std::optional<Instant> lastFanPublish_;
    bool smcAvailable_ = false;
    std::optional<Instant> lastSMCReopenAttempt_;
    bool isSMCReopenInFlight_ = false;

    // Temperatures.
    double controlTemperature_ = 0;
    DeviceSensorList deviceSensors_;
    DeviceSensorList deviceSensorsDisplay_;
    std::map<std::string, std::vector<double>> sensorHistory_;
    double displayedTemperature_ = 0;
    double latestRawDisplayedTemperature_ = 0;
    double heroDisplayTemperature_ = 0;
    std::optional<SMCSensor> cachedMenuBarHottestSensor_;
    std::vector<TrendSample> trendSamples_;
    ThermalTrend thermalTrend_ = ThermalTrend::steady();
    SensorKeySet pinnedSensorKeys_;
    std::unique_ptr<engine::PinnedStorePort> pinnedSensorStore_;

    // Fan control.
    OptionalProfile activeProfile_;
    OptionalPreset activePreset_;
    std::optional<ControlPipeline> pipeline_;
    std::map<int, TargetDeadband> deadbands_;
    RPMTable rampedTargets_;
    RPMTable manualFanTargets_;
    double acousticAlpha_ = defaultAcousticAlpha;
    double spoolRate_;
    ControlSource controlSource_;
    bool isControlling_ = false;
    bool isReapplyingActiveProfile_ = false;
    std::shared_ptr<engine::DriverPort> driver_;
    std::shared_ptr<engine::PollerPort> poller_;

    // Presets, power and battery.
    PresetPowerCapsTable presetPowerCaps_;
    bool autoSwitchOnBattery_ = defaultAutoSwitchOnBattery;
    OptionalProfile profileBeforeBattery_;
    PowerTelemetry powerTelemetry_;
    PowerTelemetry rawPowerTelemetry_;
    double displayPowerWatts_ = 0;
    OptionalWatts systemPowerWatts_;
    bool isClamshell_ = false;
    double clamshellBoost_ = 0;
    std::unique_ptr<engine::PowerStatePort> powerObserver_;

    // Custom modes and requests.
    CustomModeList customModes_;
    OptionalUuid activeCustomModeID_;
    OptionalUuid pendingModeEditorID_;
    bool pendingModeCreationRequest_ = false;
    bool pendingDustCycleRequest_ = false;
    OptionalUuid pendingModeDeleteID_;

    // Dust cycle.
    DustCycleUIState dustCycleState_;
    std::optional<Instant> dustCycleStartedAt_;
    OptionalProfile profileBeforeDustCycle_;
    OptionalPreset presetBeforeDustCycle_;

    // Quiet hours and meeting quiet.
    bool quietHoursEnabled_;
    int quietHoursStart_;
    int quietHoursEnd_;
    QuietDriverState quietHoursDriver_;
    bool meetingQuietEnabled_;
    QuietDriverState meetingDriver_{false, std::nullopt, std::nullopt, false, false};
    bool meetingQuietActive_ = false;
    std::unique_ptr<engine::MicrophonePort> micMonitor_;

    // Alerts, auto-boost and overheating.
    AlertRuleTable alertRules_;
    std::map<SensorCategory, bool> ruleTriggerState_;
    std::set<SensorCategory> autoBoostHolders_;
    bool isAutoBoostEngaged_ = false;
    OptionalProfile profileBeforeAutoBoost_;
    OptionalPreset presetBeforeAutoBoost_;
    bool autoBoostPreemptedQuietHours_ = false;
    bool autoBoostPreemptedMeetingQuiet_ = false;
    double overheatThreshold_;
    bool isOverheating_ = false;
    double lastMaxTempSample_ = 0;
    bool preSpoolEnabled_;
    std::unique_ptr<engine::AlertsPort> alerts_;

    // Fan health.
    FanWarningTable fanHealthWarnings_;
    bool fanHealthWarningsEnabled_;
    FanHealthMonitor fanHealth_;

    // Menu bar, appearance and windows.
    MenuBarReadout menuBarReadout_;
    MenuBarTempSource menuBarTempSource_;
    bool menuBarIconAnimated_;
    bool useFahrenheit_;
    bool preciseTemperatures_;
    Theme::AccentChoice accentChoice_;
    WindowBackdrop windowBackdrop_;
    bool showDockIcon_;
    OptionalShortcut summonShortcut_;
    SummonShortcutHandler onSummonShortcutChanged_;
    bool summonShortcutConflict_ = false;
    bool hasCompletedFirstRunSetup_;
    bool dashboardVisible_ = false;
    bool mainWindowVisible_ = true;
    Section selectedSection_;
    bool showAllSensors_;

    // Daemon life cycle and errors.
    HelperState helperState_ = HelperState::notRegistered();
    OptionalText helperInstallIssue_;
    OptionalText lastError_;
    bool helperVersionChecked_ = false;
    bool helperBounceAttempted_ = false;
    std::optional<Instant> lastHelperTickRefresh_;
    bool isTickRefreshInFlight_ = false;
    bool isHelperInstallInFlight_ = false;
    bool legacyHelperRepairPending_ = false;
    std::int64_t helperStateGeneration_ = 0;
    std::optional<Instant> lastConnectionLossHandled_;

    std::shared_ptr<engine::InstallPort> installer_;
    bool isHelperUninstallInFlight_ = false;
    std::unique_ptr<MenuBarLabelModel> menuBarLabelModel_;
    QString lastControlSourceCaption_;

    // Load, heat, workload and history.
    SystemLoadList systemLoads_;
    std::unique_ptr<engine::SystemLoadPort> systemLoadSampler_;
    HeatSourceList heatSources_;
    HeatSourceList dailyHeatSources_;
    std::unique_ptr<engine::HeatSamplerPort> heatSampler_;
    WorkloadPolicy workload_;
    std::unique_ptr<engine::WorkloadObserverPort> workloadObserver_;
    TelemetryStore telemetry_;
    std::unique_ptr<engine::HistoryWriterPort> historyWriter_;

    // The control loop.
    std::shared_ptr<LoopRun> loop_;
    std::optional<Deadlines> deadlines_;
    std::vector<FanStatus> lastPolledFans_;
    DeviceSensorMap::CoreCounts coreCounts_;
    std::set<int> fansWithBoundsOutOfOrder_;
    // ---- Drive rules, private.
    void reapplyActivePreset(bool onBattery);
    void holdRampsToNewRanges(const FanTable& previous);
    std::optional<CustomMode> consumePendingMode(const OptionalUuid& pending,
                                                 void (ZephraneEngine::*clear)(OptionalUuid));
    // A new drive replaces a running dust cycle: the cycle stops without
    // giving its earlier drive back, which would overwrite the new one.
    void endDustCycleForNewDrive();
    void setDustCycleState(DustCycleUIState state);
    QCoro::Task<void> resetDustCycleStateLater();
    void setMeetingQuietActive(bool active);
    void engageAutoBoost();
    void releaseAutoBoost();
    void releaseAutoBoostHold(SensorCategory category);
    // Wakes every pending dust-state reset when the engine goes, so none
    // outlives it waiting on a clock nobody advances.
    struct PendingResets {
        std::vector<std::shared_ptr<engine::Cancellation>> waits;
        PendingResets() = default;
        PendingResets(const PendingResets&) = delete;
        PendingResets& operator=(const PendingResets&) = delete;
        ~PendingResets() {
            for (const auto& wait : std::exchange(waits, {})) wait->cancel();
        }
    };
    PendingResets dustStateResets_;
    std::uint64_t dustCycleRuns_ = 0;  // cycles started, for the resets to tell theirs
    // ---- End of the drive rules, private.
};

}  // namespace zephrane

namespace zephrane {

template <class T>
bool ZephraneEngine::publish(T& member, T value, void (ZephraneEngine::*changed)()) {
    const bool differs = !(member == value);
    member = std::move(value);
    if (differs) (this->*changed)();
    return differs;
}

}  // namespace zephrane
