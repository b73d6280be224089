// The engine object: creation, start and stop, the settings' setters with
// their change actions, profile changes and the daemon state it publishes.
#include "ZephraneApp/Engine/ZephraneEngine.hpp"

#include <atomic>
#include <utility>

#include <QCoreApplication>
#include <QMetaObject>

#include "ZephraneApp/Engine/EngineTasks.hpp"

namespace zephrane {

using engine::engineLog;
using engine::TaskInFlight;
namespace key = settings::key;

namespace engine {
namespace {
std::atomic<int> runningTasks{0};
}  // namespace

TaskInFlight::TaskInFlight() { ++runningTasks; }
TaskInFlight::~TaskInFlight() { --runningTasks; }
int TaskInFlight::count() { return runningTasks.load(); }

}  // namespace engine

ZephraneEngine::ZephraneEngine(OptionalProfile initialProfile, std::shared_ptr<engine::DriverPort> driver,
                               EngineEnvironment environment, QObject* parent)
    : QObject(parent),
      settingsStore_(std::move(environment.settings)),
      clock_(std::move(environment.clock)),
      services_(std::move(environment.services)),
      telemetry_([clock = clock_] { return clock->wallNow(); }) {
    // Every setting, in the order the engine declares them.
    const SettingsStore& stored = *settingsStore_;
    spoolRate_ = settings::loadSpoolRate(stored);
    windowBackdrop_ = settings::loadEnum(stored, key::windowBackdrop, settings::defaultWindowBackdrop);
    summonShortcut_ = settings::loadSummonShortcut(stored);
    controlSource_ = settings::loadEnum(stored, key::controlSource, settings::defaultControlSource);
    useFahrenheit_ = settings::loadBool(stored, key::useFahrenheit, settings::defaultUseFahrenheit);
    preciseTemperatures_ = settings::loadBool(stored, key::preciseTemperatures, settings::defaultPreciseTemperatures);
    accentChoice_ = settings::loadEnum(stored, key::accentChoice, settings::defaultAccentChoice);
    menuBarReadout_ = settings::loadEnum(stored, key::menuBarReadout, settings::defaultMenuBarReadout);
    showDockIcon_ = settings::loadBool(stored, key::showDockIcon, settings::defaultShowDockIcon);
    menuBarTempSource_ = settings::loadEnum(stored, key::menuBarTempSource, settings::defaultMenuBarTempSource);
    menuBarIconAnimated_ = settings::loadBool(stored, key::menuBarIconAnimated, settings::defaultMenuBarIconAnimated);
    hasCompletedFirstRunSetup_ =
        settings::loadBool(stored, key::hasCompletedFirstRunSetup, settings::defaultHasCompletedFirstRunSetup);
    showAllSensors_ = settings::loadBool(stored, key::showAllSensors, false);
    selectedSection_ = sectionFromStored(stored.stringValue(key::selectedSection).value_or(""));
    overheatThreshold_ = settings::loadOverheatThreshold(stored);
    fanHealthWarningsEnabled_ =
        settings::loadBool(stored, key::fanHealthWarningsEnabled, settings::defaultFanHealthWarningsEnabled);
    preSpoolEnabled_ = settings::loadBool(stored, key::preSpoolEnabled, settings::defaultPreSpoolEnabled);
    alertRules_ = settings::loadAlertRules(stored);
    presetPowerCaps_ = settings::loadPresetPowerCaps(stored);
    customModes_ = settings::loadCustomModes(stored);
    activeCustomModeID_ = settings::loadActiveCustomModeID(stored);
    quietHoursEnabled_ = settings::loadBool(stored, key::quietHoursEnabled, settings::defaultQuietHoursEnabled);
    quietHoursStart_ = settings::loadMinuteOfDay(stored, key::quietHoursStart, settings::defaultQuietHoursStart);
    quietHoursEnd_ = settings::loadMinuteOfDay(stored, key::quietHoursEnd, settings::defaultQuietHoursEnd);
    meetingQuietEnabled_ =
        settings::loadBool(stored, key::meetingQuietEnabled, settings::defaultMeetingQuietEnabled);

    menuBarLabelModel_ = std::make_unique<MenuBarLabelModel>(
        MenuBarLabelState::placeholder(), MenuBarLabelModel::defaultTextPushInterval,
        MenuBarLabelModel::defaultMinorTextPushInterval, clock_);

    // The services, in their order.
    alerts_ = services_->makeAlerts();
    pinnedSensorStore_ = services_->makePinnedStore();
    workload_ = WorkloadPolicy();
    systemLoadSampler_ = services_->makeSystemLoadSampler();
    heatSampler_ = services_->makeHeatSampler();
    driver_ = std::move(driver);
    poller_ = services_->makePoller(driver_->sharedBridge());
    powerObserver_ = services_->makePowerObserver();
    micMonitor_ = services_->makeMicMonitor();
    historyWriter_ = services_->makeHistoryWriter();
    installer_ = services_->makeInstaller();
    coreCounts_ = services_->coreCounts();

    publish(activeProfile_, std::move(initialProfile), &ZephraneEngine::activeProfileChanged);
    publish(pinnedSensorKeys_, pinnedSensorStore_->load(), &ZephraneEngine::pinnedSensorKeysChanged);
    alerts_->setUseFahrenheit(useFahrenheit_);
    alerts_->setInAppAlertObserver([this] { emit inAppAlertChanged(); });
    // A custom mode runs on the balanced curve; one left active by the last
    // run does not survive a launch with any other kind of profile.
    if (!activeProfile_ || activeProfile_->mode != FanProfile::nimbraStandard().mode) setActiveCustomModeID(std::nullopt);
    installConnectionLossHandler();
    refreshMenuBarLabel();
    lastControlSourceCaption_ = controlSourceCaption();
    for (auto changed : {&ZephraneEngine::isAutoBoostEngagedChanged, &ZephraneEngine::meetingQuietActiveChanged,
                         &ZephraneEngine::activePresetChanged, &ZephraneEngine::manualFanTargetsChanged,
                         &ZephraneEngine::activeProfileChanged})
        connect(this, changed, this, &ZephraneEngine::refreshControlSourceCaption);
}

void ZephraneEngine::refreshControlSourceCaption() {
    QString caption = controlSourceCaption();
    if (caption == lastControlSourceCaption_) return;
    lastControlSourceCaption_ = std::move(caption);
    emit controlSourceCaptionChanged();
}

ZephraneEngine::~ZephraneEngine() {
    // First of all: every coroutine of ours that resumes from here on finds
    // the engine gone and ends without touching it. The members destroyed
    // below wake the waits they hold.
    alive_.reset();
    if (loop_) loop_->cancellation->cancel();
    if (workloadObserver_) workloadObserver_->stop();
    alerts_->setInAppAlertObserver(nullptr);
}

int ZephraneEngine::tasksInFlight() { return TaskInFlight::count(); }

const FanCurve& ZephraneEngine::defaultCurve() {
    static const auto* curve = new FanCurve({{40.0, 0.2}, {90.0, 1.0}});
    return *curve;
}

// MARK: - Start and stop

void ZephraneEngine::start() {
    if (loop_) return;
    discoverSensors(poller_);
    if (!isHelperInstallInFlight_) refreshHelperState(bumpHelperStateGeneration(), false);
    std::weak_ptr<Liveness> alive = alive_;
    auto observer = services_->makeWorkloadObserver([this, alive](const WorkloadPolicy& policy) {
        if (!alive.expired()) setWorkload(policy);
    });
    observer->start();
    workloadObserver_ = std::move(observer);
    loop_ = std::make_shared<LoopRun>();
    runControlLoop(loop_);
}

QCoro::Task<void> ZephraneEngine::stop() {
    TaskInFlight counted;
    const auto run = std::exchange(loop_, nullptr);
    if (run) run->cancellation->cancel();
    if (workloadObserver_) {
        workloadObserver_->stop();
        workloadObserver_.reset();
    }
    if (!run || run->finished) co_return;
    auto waiter = std::make_shared<engine::Wake>();
    run->stopWaiters.push_back(waiter);
    co_await *waiter;
}

QCoro::Task<void> ZephraneEngine::discoverSensors(std::shared_ptr<engine::PollerPort> poller) {
    TaskInFlight counted;
    co_await engine::attempt(poller->discoverIfNeeded(), "sensor discovery did not run: ");
}

void ZephraneEngine::handleConnectionLossFromDriver() { handleHelperConnectionLoss(); }

QCoro::Task<void> ZephraneEngine::installConnectionLossHandler() {
    TaskInFlight counted;
    auto driver = driver_;
    // Runs on the driver's thread: hand the news to the GUI thread, where
    // the engine is destroyed, and look there whether it still lives. The
    // driver may outlive the engine and call back during exit.
    auto handler = [alive = std::weak_ptr<Liveness>(alive_), engine = this] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [alive, engine] {
                if (alive.lock()) engine->handleConnectionLossFromDriver();
            },
            Qt::QueuedConnection);
    };
    co_await engine::attempt(driver->setConnectionLossHandler(std::move(handler)),
                             "connection-loss handler not installed: ");
}

// MARK: - Profiles

void ZephraneEngine::selectProfile(const FanProfile& profile) {
    endDustCycleForNewDrive();
    if (activePreset_) publish(activePreset_, OptionalPreset(), &ZephraneEngine::activePresetChanged);
    setActiveCustomModeID(std::nullopt);
    applyProfile(profile);
}

void ZephraneEngine::applyProfile(const FanProfile& profile) {
    publish(manualFanTargets_, RPMTable(), &ZephraneEngine::manualFanTargetsChanged);
    if (!isReapplyingActiveProfile_) {
        publish(isAutoBoostEngaged_, false, &ZephraneEngine::isAutoBoostEngagedChanged);
        profileBeforeAutoBoost_.reset();
        presetBeforeAutoBoost_.reset();
        autoBoostHolders_.clear();
        ruleTriggerState_.clear();
    }
    publish(activeProfile_, OptionalProfile(profile), &ZephraneEngine::activeProfileChanged);
    rebuildControlPipeline();
    // Nothing to hand back when the engine holds no fan and no daemon is
    // there to ask: a restore would only fail and show an error for nothing.
    if (profile.mode == ControlMode::appleAuto &&
        (isControlling_ || helperState_.kind() == HelperState::Kind::connected))
        restoreInBackground();
}

QCoro::Task<void> ZephraneEngine::restoreInBackground() {
    TaskInFlight counted;
    co_await restoreAutomaticControl();
}

void ZephraneEngine::rebuildControlPipeline() {
    if (activeProfile_ && activeProfile_->mode == ControlMode::adaptiveCurve)
        pipeline_ = makeControlPipeline(*activeProfile_);
    else
        pipeline_.reset();
    deadbands_.clear();
}

// MARK: - Daemon state

std::int64_t ZephraneEngine::bumpHelperStateGeneration() { return ++helperStateGeneration_; }

bool ZephraneEngine::applyHelperState(const HelperState& state, std::int64_t generation) {
    if (generation != helperStateGeneration_) return false;
    setHelperState(state);
    const bool settled = state.kind() == HelperState::Kind::requiresApproval ||
                         state.kind() == HelperState::Kind::enabled || state.kind() == HelperState::Kind::connected;
    if (!legacyHelperRepairPending_ && settled) setHelperInstallIssue(std::nullopt);
    if (state.kind() == HelperState::Kind::connected && !helperVersionChecked_) beginHelperVersionProbe();
    return true;
}

QCoro::Task<void> ZephraneEngine::refreshHelperState(std::int64_t generation, bool fromTick) {
    TaskInFlight counted;
    std::weak_ptr<Liveness> alive = alive_;
    auto driver = driver_;
    const auto state = co_await engine::attempt(driver->connect(), "daemon state refresh failed: ");
    if (alive.expired()) co_return;
    if (state) applyHelperState(*state, generation);
    if (fromTick) isTickRefreshInFlight_ = false;
}

void ZephraneEngine::setHelperState(HelperState state) {
    publish(helperState_, std::move(state), &ZephraneEngine::helperStateChanged);
}

void ZephraneEngine::setHelperInstallIssue(OptionalText issue) {
    publish(helperInstallIssue_, std::move(issue), &ZephraneEngine::helperInstallIssueChanged);
}

void ZephraneEngine::setLastError(OptionalText error) {
    publish(lastError_, std::move(error), &ZephraneEngine::lastErrorChanged);
}

// MARK: - Settings and other writable members

void ZephraneEngine::setManualFanTargets(RPMTable targets) {
    publish(manualFanTargets_, std::move(targets), &ZephraneEngine::manualFanTargetsChanged);
}

void ZephraneEngine::setAcousticAlpha(double alpha) {
    publish(acousticAlpha_, alpha, &ZephraneEngine::acousticAlphaChanged);
    rebuildControlPipeline();
}

void ZephraneEngine::setSpoolRate(double rate) {
    publish(spoolRate_, rate, &ZephraneEngine::spoolRateChanged);
    settingsStore_->setDouble(key::spoolRate, rate);
}

void ZephraneEngine::setControlSource(ControlSource source) {
    const QString label = displayedTemperatureSourceLabel();
    publish(controlSource_, source, &ZephraneEngine::controlSourceChanged);
    settings::saveEnum(*settingsStore_, key::controlSource, source);
    refreshTemperatures(false);
    if (displayedTemperatureSourceLabel() != label) emit displayedTemperatureSourceLabelChanged();
}

void ZephraneEngine::setPresetPowerCaps(PresetPowerCapsTable caps) {
    publish(presetPowerCaps_, std::move(caps), &ZephraneEngine::presetPowerCapsChanged);
    settings::savePresetPowerCaps(*settingsStore_, presetPowerCaps_);
    reapplyActivePresetForNewCaps();
}

void ZephraneEngine::setAutoSwitchOnBattery(bool enabled) {
    publish(autoSwitchOnBattery_, enabled, &ZephraneEngine::autoSwitchOnBatteryChanged);
}

void ZephraneEngine::setCustomModes(CustomModeList modes) {
    publish(customModes_, std::move(modes), &ZephraneEngine::customModesChanged);
    settings::saveCustomModes(*settingsStore_, customModes_);
}

void ZephraneEngine::setActiveCustomModeID(OptionalUuid id) {
    publish(activeCustomModeID_, std::move(id), &ZephraneEngine::activeCustomModeIDChanged);
    settings::saveActiveCustomModeID(*settingsStore_, activeCustomModeID_);
}

void ZephraneEngine::setPendingModeEditorID(OptionalUuid id) {
    publish(pendingModeEditorID_, std::move(id), &ZephraneEngine::pendingModeEditorIDChanged);
}

void ZephraneEngine::setPendingModeCreationRequest(bool requested) {
    publish(pendingModeCreationRequest_, requested, &ZephraneEngine::pendingModeCreationRequestChanged);
}

void ZephraneEngine::setPendingDustCycleRequest(bool requested) {
    publish(pendingDustCycleRequest_, requested, &ZephraneEngine::pendingDustCycleRequestChanged);
}

void ZephraneEngine::setPendingModeDeleteID(OptionalUuid id) {
    publish(pendingModeDeleteID_, std::move(id), &ZephraneEngine::pendingModeDeleteIDChanged);
}

void ZephraneEngine::setQuietHoursEnabled(bool enabled) {
    publish(quietHoursEnabled_, enabled, &ZephraneEngine::quietHoursEnabledChanged);
    settingsStore_->setBool(key::quietHoursEnabled, enabled);
}

void ZephraneEngine::setQuietHoursStart(int minute) {
    publish(quietHoursStart_, minute, &ZephraneEngine::quietHoursStartChanged);
    settingsStore_->setInteger(key::quietHoursStart, minute);
}

void ZephraneEngine::setQuietHoursEnd(int minute) {
    publish(quietHoursEnd_, minute, &ZephraneEngine::quietHoursEndChanged);
    settingsStore_->setInteger(key::quietHoursEnd, minute);
}

void ZephraneEngine::setMeetingQuietEnabled(bool enabled) {
    publish(meetingQuietEnabled_, enabled, &ZephraneEngine::meetingQuietEnabledChanged);
    settingsStore_->setBool(key::meetingQuietEnabled, enabled);
}

void ZephraneEngine::setAlertRules(AlertRuleTable rules) {
    publish(alertRules_, std::move(rules), &ZephraneEngine::alertRulesChanged);
    settings::saveAlertRules(*settingsStore_, alertRules_);
}

void ZephraneEngine::setOverheatThreshold(double celsius) {
    publish(overheatThreshold_, celsius, &ZephraneEngine::overheatThresholdChanged);
    settingsStore_->setDouble(key::overheatThreshold, celsius);
    setIsOverheating(lastMaxTempSample_ >= overheatThreshold_);
}

void ZephraneEngine::setIsOverheating(bool overheating) {
    publish(isOverheating_, overheating, &ZephraneEngine::isOverheatingChanged);
}

void ZephraneEngine::setPreSpoolEnabled(bool enabled) {
    publish(preSpoolEnabled_, enabled, &ZephraneEngine::preSpoolEnabledChanged);
    settingsStore_->setBool(key::preSpoolEnabled, enabled);
}

void ZephraneEngine::setFanHealthWarningsEnabled(bool enabled) {
    publish(fanHealthWarningsEnabled_, enabled, &ZephraneEngine::fanHealthWarningsEnabledChanged);
    settingsStore_->setBool(key::fanHealthWarningsEnabled, enabled);
    if (!enabled) {
        fanHealth_ = FanHealthMonitor();
        publish(fanHealthWarnings_, FanWarningTable(), &ZephraneEngine::fanHealthWarningsChanged);
    }
}

void ZephraneEngine::setMenuBarReadout(MenuBarReadout readout) {
    publish(menuBarReadout_, readout, &ZephraneEngine::menuBarReadoutChanged);
    settings::saveEnum(*settingsStore_, key::menuBarReadout, readout);
    refreshMenuBarLabel();
}

void ZephraneEngine::setMenuBarTempSource(MenuBarTempSource source) {
    const QString label = displayedTemperatureSourceLabel();
    publish(menuBarTempSource_, source, &ZephraneEngine::menuBarTempSourceChanged);
    settings::saveEnum(*settingsStore_, key::menuBarTempSource, source);
    refreshTemperatures(false);
    refreshMenuBarLabel();
    if (displayedTemperatureSourceLabel() != label) emit displayedTemperatureSourceLabelChanged();
}

void ZephraneEngine::setMenuBarIconAnimated(bool animated) {
    publish(menuBarIconAnimated_, animated, &ZephraneEngine::menuBarIconAnimatedChanged);
    settingsStore_->setBool(key::menuBarIconAnimated, animated);
    refreshMenuBarLabel();
}

// The unit and the precision change what every temperature text shows: the
// displayed value catches up with the latest reading first, so the label
// and the hero value are computed from it and not from a stale one.
void ZephraneEngine::setUseFahrenheit(bool fahrenheit) {
    publish(useFahrenheit_, fahrenheit, &ZephraneEngine::useFahrenheitChanged);
    settingsStore_->setBool(key::useFahrenheit, fahrenheit);
    alerts_->setUseFahrenheit(fahrenheit);
    catchUpDisplayedTemperature();
    refreshMenuBarLabel();
    refreshHeroDisplayTemperature();
}

void ZephraneEngine::setPreciseTemperatures(bool precise) {
    publish(preciseTemperatures_, precise, &ZephraneEngine::preciseTemperaturesChanged);
    settingsStore_->setBool(key::preciseTemperatures, precise);
    catchUpDisplayedTemperature();
    refreshMenuBarLabel();
    refreshHeroDisplayTemperature();
}

void ZephraneEngine::catchUpDisplayedTemperature() {
    if (latestRawDisplayedTemperature_ > 0 && latestRawDisplayedTemperature_ != displayedTemperature_)
        publish(displayedTemperature_, latestRawDisplayedTemperature_, &ZephraneEngine::displayedTemperatureChanged);
}

void ZephraneEngine::setAccentChoice(Theme::AccentChoice choice) {
    publish(accentChoice_, choice, &ZephraneEngine::accentChoiceChanged);
    settings::saveEnum(*settingsStore_, key::accentChoice, choice);
}

void ZephraneEngine::setWindowBackdrop(WindowBackdrop backdrop) {
    publish(windowBackdrop_, backdrop, &ZephraneEngine::windowBackdropChanged);
    settings::saveEnum(*settingsStore_, key::windowBackdrop, backdrop);
    if (backdrop == WindowBackdrop::system) services_->purgeBackdropImages();
}

void ZephraneEngine::setShowDockIcon(bool show) {
    publish(showDockIcon_, show, &ZephraneEngine::showDockIconChanged);
    settingsStore_->setBool(key::showDockIcon, show);
}

void ZephraneEngine::setSummonShortcut(OptionalShortcut shortcut) {
    publish(summonShortcut_, std::move(shortcut), &ZephraneEngine::summonShortcutChanged);
    settings::saveSummonShortcut(*settingsStore_, summonShortcut_);
    if (onSummonShortcutChanged_) onSummonShortcutChanged_(summonShortcut_);
}

void ZephraneEngine::setSummonShortcutConflict(bool conflict) {
    publish(summonShortcutConflict_, conflict, &ZephraneEngine::summonShortcutConflictChanged);
}

void ZephraneEngine::setHasCompletedFirstRunSetup(bool completed) {
    publish(hasCompletedFirstRunSetup_, completed, &ZephraneEngine::hasCompletedFirstRunSetupChanged);
    settingsStore_->setBool(key::hasCompletedFirstRunSetup, completed);
}

void ZephraneEngine::setDashboardVisible(bool visible) {
    publish(dashboardVisible_, visible, &ZephraneEngine::dashboardVisibleChanged);
}

void ZephraneEngine::setSelectedSection(Section section) {
    publish(selectedSection_, section, &ZephraneEngine::selectedSectionChanged);
    settingsStore_->setString(key::selectedSection, std::string(storedValue(section)));
}

void ZephraneEngine::setShowAllSensors(bool showAll) {
    publish(showAllSensors_, showAll, &ZephraneEngine::showAllSensorsChanged);
    settingsStore_->setBool(key::showAllSensors, showAll);
}

OptionalText ZephraneEngine::inAppAlert() const { return alerts_->inAppAlert(); }

void ZephraneEngine::dismissInAppAlert() { alerts_->dismissInAppAlert(); }

void ZephraneEngine::setMainWindowVisible(bool visible) {
    if (!publish(mainWindowVisible_, visible, &ZephraneEngine::mainWindowVisibleChanged)) return;
    handOverRegistryVisibility(poller_, visible);
}

QCoro::Task<void> ZephraneEngine::handOverRegistryVisibility(std::shared_ptr<engine::PollerPort> poller,
                                                             bool visible) {
    TaskInFlight counted;
    co_await engine::attempt(poller->setRegistryConsumersVisible(visible),
                             "sensor poller did not take the window's visibility: ");
}

}  // namespace zephrane
