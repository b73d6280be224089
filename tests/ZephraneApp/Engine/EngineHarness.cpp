#include "EngineHarness.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <thread>

#include <QDir>

#include "ZephraneApp/Composition/ServiceAdapters.hpp"
#include "platform/xpc/Value.hpp"
#include "smc/FakeSMCTransport.hpp"
#include "smc/SMCKernelBridge.hpp"

namespace zephrane::enginetest {
namespace {

// QCoro moves from an lvalue handed to co_return; a fake answers a copy so
// that it keeps its script.
template <class T>
T copyOf(const T& value) {
    return value;
}

// Records `entry` when the harness keeps a journal; a benchmark keeps none.
template <class Entry>
void note(const std::shared_ptr<Journal>& journal, Entry&& entry) {
    if (journal) journal->push_back(std::forward<Entry>(entry));
}

std::string rpmText(double rpm) { return QString::number(rpm, 'g', 12).toStdString(); }

template <class T, class Value>
void settle(Reply<T>& reply, const std::variant<Value, std::exception_ptr, std::monostate>& answer) {
    if (const auto* value = std::get_if<Value>(&answer)) {
        reply.resolve(*value);
    } else if (const auto* error = std::get_if<std::exception_ptr>(&answer)) {
        reply.fail(*error);
    }
}

// One call of the daemon's life cycle: recorded in `calls`, answered by
// `answer`. The references are read only before the first suspension.
template <class T>
QCoro::Task<T> answered(std::vector<std::shared_ptr<Reply<T>>>& calls, const Answer<T>& answer) {
    auto reply = std::make_shared<Reply<T>>();
    calls.push_back(reply);
    settle(*reply, answer);
    co_return co_await *reply;
}

template <class T>
void failAll(std::vector<std::shared_ptr<Reply<T>>>& replies) {
    for (auto& reply : replies)
        if (!reply->isDone()) reply->fail(stopped());
}

}  // namespace

std::exception_ptr timedOut() {
    return std::make_exception_ptr(SMCDriverActor::DriverError(SMCDriverActor::DriverError::Kind::timedOut));
}
std::exception_ptr noProxy() {
    return std::make_exception_ptr(SMCDriverActor::DriverError(SMCDriverActor::DriverError::Kind::noProxy));
}
std::exception_ptr daemonError(int code, const std::string& description) {
    return std::make_exception_ptr(CallError(xpc::Error{"com.zephrane.Fanwarden", code, description}));
}
std::exception_ptr stopped() { return std::make_exception_ptr(ActorStopped{}); }

// MARK: - Driver

FakeDriver::FakeDriver(std::shared_ptr<Journal> journal)
    : bridge(std::make_shared<SMCKernelBridge>(std::make_unique<FakeSMCTransport>())), journal_(std::move(journal)) {}

FakeDriver::~FakeDriver() { failPending(); }

void FakeDriver::failPending() {
    for (auto& write : writes)
        if (!write.reply->isDone()) write.reply->fail(stopped());
    failAll(restores);
    failAll(connects);
    failAll(reopens);
    failAll(versions);
    failAll(installs);
    failAll(uninstalls);
    failAll(reloads);
}

QCoro::Task<double> FakeDriver::setTargetRPM(int fan, double rpm) {
    if (journal_) note(journal_, "write " + std::to_string(fan) + " " + rpmText(rpm));
    auto reply = std::make_shared<Reply<double>>();
    writes.push_back({fan, rpm, reply});
    Answer<double> answer = hold;
    if (!writeScript.empty()) {
        answer = writeScript.front();
        writeScript.pop_front();
    } else if (writeAnswer) {
        answer = writeAnswer(fan, rpm);
    } else {
        const auto range = bounds.find(fan);
        answer = range == bounds.end() ? rpm : std::clamp(rpm, range->second.first, range->second.second);
    }
    settle(*reply, answer);
    co_return co_await *reply;
}

QCoro::Task<void> FakeDriver::restoreAutomaticControl() {
    note(journal_, "restore");
    auto reply = std::make_shared<Reply<Nothing>>();
    restores.push_back(reply);
    settle(*reply, restoreAnswer);
    co_await *reply;
}

QCoro::Task<HelperState> FakeDriver::connect() {
    note(journal_, "connect");
    auto reply = std::make_shared<Reply<HelperState>>();
    connects.push_back(reply);
    settle(*reply, connectAnswer);
    co_return co_await *reply;
}

QCoro::Task<std::shared_ptr<SMCKernelBridge>> FakeDriver::reopenReadBridgeIfNeeded() {
    note(journal_, "reopen");
    auto reply = std::make_shared<Reply<std::shared_ptr<SMCKernelBridge>>>();
    reopens.push_back(reply);
    if (!holdReopen) reply->resolve(reopenAnswer);
    co_return co_await *reply;
}

QCoro::Task<void> FakeDriver::setConnectionLossHandler(std::function<void()> handler) {
    ++handlerInstalls;
    lossHandler_ = std::move(handler);
    co_return;
}

QCoro::Task<std::string> FakeDriver::helperVersion() {
    note(journal_, "version");
    return answered(versions, versionAnswer);
}

QCoro::Task<HelperState> FakeDriver::installHelper() {
    note(journal_, "install");
    return answered(installs, installAnswer);
}

QCoro::Task<HelperState> FakeDriver::uninstallHelper() {
    note(journal_, "uninstall");
    return answered(uninstalls, uninstallAnswer);
}

QCoro::Task<HelperState> FakeDriver::reloadHelper() {
    note(journal_, "reload");
    return answered(reloads, reloadAnswer);
}

QCoro::Task<void> FakeDriver::tearDownConnection() {
    note(journal_, "teardown");
    ++teardowns;
    linked = false;
    co_return;
}

QCoro::Task<bool> FakeDriver::hasConnection() {
    note(journal_, "hasConnection");
    co_return linked;
}

QCoro::Task<void> FakeDriver::openApprovalSettings() {
    note(journal_, "openApproval");
    ++approvalsOpened;
    co_return;
}

void FakeDriver::loseConnection() {
    if (!lossHandler_) return;
    std::thread driverThread(lossHandler_);
    driverThread.join();
}

std::vector<FakeDriver::Write> FakeDriver::pendingWrites() const {
    std::vector<Write> pending;
    for (const auto& write : writes)
        if (!write.reply->isDone()) pending.push_back(write);
    return pending;
}

// MARK: - Poller

FakePoller::FakePoller(std::shared_ptr<Journal> journal, std::string name)
    : journal_(std::move(journal)), name_(std::move(name)) {}

FakePoller::~FakePoller() { failAll(heldPolls); }

QCoro::Task<SensorPoller::Result> FakePoller::poll() {
    if (journal_) note(journal_, name_ + ".poll");
    ++polls;
    auto reply = std::make_shared<Reply<SensorPoller::Result>>();
    if (holdPolls) {
        heldPolls.push_back(reply);
    } else if (!cycle.empty()) {
        reply->resolve(cycle[next_++ % cycle.size()]);
    } else if (!results.empty()) {
        auto next = std::move(results.front());
        results.pop_front();
        if (auto* result = std::get_if<SensorPoller::Result>(&next)) {
            last_ = *result;
            reply->resolve(*result);
        } else {
            reply->fail(std::get<std::exception_ptr>(next));
        }
    } else {
        reply->resolve(last_.value_or(SensorPoller::Result{}));
    }
    co_return co_await *reply;
}

QCoro::Task<void> FakePoller::setRegistryConsumersVisible(bool visible) {
    note(journal_, name_ + ".visible " + (visible ? "true" : "false"));
    visibilityCalls.push_back(visible);
    co_return;
}

QCoro::Task<void> FakePoller::discoverIfNeeded() {
    note(journal_, name_ + ".discover");
    ++discoveries;
    co_return;
}

// MARK: - Clock

FakeClock::FakeClock(std::shared_ptr<Journal> journal) : journal_(std::move(journal)) {}

FakeClock::~FakeClock() {
    for (auto& sleep : sleeps) sleep.wake->finish(false);
}

QCoro::Task<bool> FakeClock::sleepUntil(engine::ContinuousInstant deadline, std::chrono::nanoseconds tolerance,
                                        std::shared_ptr<engine::Cancellation> cancellation) {
    const auto duration = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - continuous);
    if (journal_) note(journal_, "sleep " + std::to_string(duration.count()) + "ms");
    if (cancellation->isCancelled()) co_return false;
    auto wake = std::make_shared<engine::Wake>();
    sleeps.push_back({continuous, deadline, tolerance, wake});
    std::weak_ptr<engine::Wake> weak = wake;
    cancellation->setWaker([weak] {
        if (auto w = weak.lock()) w->finish(false);
    });
    co_return co_await *wake;
}

void FakeClock::advance(std::chrono::nanoseconds by) {
    const engine::ContinuousInstant target = continuous + by;
    const auto moveTo = [this](engine::ContinuousInstant to) {
        const auto step = to - continuous;
        continuous = to;
        suspending += step;
        wall += std::chrono::duration_cast<std::chrono::system_clock::duration>(step);
    };
    // Time moves from one due sleep to the next, so a loop woken on the way
    // sleeps from the moment it woke.
    for (int woken = 0;; ++woken) {
        if (woken > 100000) throw std::runtime_error("the loop sleeps for no time at all");
        std::shared_ptr<engine::Wake> due;
        engine::ContinuousInstant earliest = target;
        for (const auto& sleep : sleeps)
            if (!sleep.wake->isFinished() && sleep.deadline <= earliest) {
                earliest = sleep.deadline;
                due = sleep.wake;
            }
        if (!due) break;
        if (earliest > continuous) moveTo(earliest);
        due->finish(true);
    }
    moveTo(target);
}

void FakeClock::advanceToNextSleep() {
    std::optional<engine::ContinuousInstant> earliest;
    for (const auto& sleep : sleeps)
        if (!sleep.wake->isFinished() && (!earliest || sleep.deadline < *earliest)) earliest = sleep.deadline;
    if (earliest) advance(std::max(*earliest - continuous, std::chrono::nanoseconds(0)));
}

std::size_t FakeClock::pendingSleeps() const {
    return static_cast<std::size_t>(
        std::count_if(sleeps.begin(), sleeps.end(), [](const Sleep& s) { return !s.wake->isFinished(); }));
}

// MARK: - Recording services

void FakeAlerts::update(bool isOverheating, const std::string& name, double temp) {
    note(journal_, "alerts.update");
    updates.push_back({isOverheating, name, temp});
}

void FakeAlerts::updateRule(const std::string& key, bool isTriggered, const std::string& title,
                            const std::string& message) {
    note(journal_, "alerts.rule " + key);
    rules.push_back({key, isTriggered, title, message});
}

QCoro::Task<std::vector<SystemLoad>> FakeSystemLoad::sample() {
    note(journal_, "load");
    ++samples;
    co_return copyOf(next);
}

QCoro::Task<PowerStateObserver::Reading> FakePowerState::read() {
    note(journal_, "power");
    ++reads;
    co_return copyOf(reading);
}

QCoro::Task<bool> FakeMicrophone::isMicrophoneInUse() {
    note(journal_, "mic");
    ++probes;
    co_return inUse;
}

QCoro::Task<HeatAttributionSampler::Rankings> FakeHeatSampler::sample(QDateTime now) {
    note(journal_, "heat");
    sampledAt.push_back(now);
    co_return copyOf(next);
}

void FakeWorkloadObserver::start() {
    note(journal_, "workload.start");
    record_->running = true;
    ++record_->starts;
    record_->onChange(record_->seed);
}

void FakeWorkloadObserver::stop() {
    note(journal_, "workload.stop");
    record_->running = false;
    ++record_->stops;
}

FakeInstaller::~FakeInstaller() { failAll(removals); }

QCoro::Task<void> FakeInstaller::removeLegacyHelper() {
    note(journal_, "removeLegacy");
    auto reply = std::make_shared<Reply<Nothing>>();
    removals.push_back(reply);
    settle(*reply, removalAnswer);
    co_await *reply;
    legacyPresent = false;
}

// MARK: - Factory

std::unique_ptr<engine::InstallPort> FakeServices::makeInstaller() {
    auto made = std::make_unique<FakeInstaller>(journal_);
    installer = made.get();
    return made;
}

std::unique_ptr<engine::AlertsPort> FakeServices::makeAlerts() {
    note(journal_, "make alerts");
    auto made = std::make_unique<FakeAlerts>(journal_);
    alerts = made.get();
    return made;
}

std::unique_ptr<engine::PinnedStorePort> FakeServices::makePinnedStore() {
    note(journal_, "make pinned store");
    auto made = std::make_unique<FakePinnedStore>();
    made->stored = pinnedAtLaunch;
    pinned = made.get();
    return made;
}

std::unique_ptr<engine::SystemLoadPort> FakeServices::makeSystemLoadSampler() {
    note(journal_, "make load sampler");
    auto made = std::make_unique<FakeSystemLoad>(journal_);
    load = made.get();
    return made;
}

std::unique_ptr<engine::HeatSamplerPort> FakeServices::makeHeatSampler() {
    note(journal_, "make heat sampler");
    auto made = std::make_unique<FakeHeatSampler>(journal_);
    heat = made.get();
    return made;
}

std::unique_ptr<engine::PollerPort> FakeServices::makePoller(std::shared_ptr<SMCKernelBridge> bridge) {
    const std::string name = "poller" + std::to_string(pollers.size());
    note(journal_, "make " + name);
    auto made = std::make_unique<FakePoller>(journal_, name);
    made->results = firstResults;
    pollers.push_back(made.get());
    pollerBridges.push_back(std::move(bridge));
    return made;
}

std::unique_ptr<engine::PowerStatePort> FakeServices::makePowerObserver() {
    note(journal_, "make power observer");
    auto made = std::make_unique<FakePowerState>(journal_);
    power = made.get();
    return made;
}

std::unique_ptr<engine::MicrophonePort> FakeServices::makeMicMonitor() {
    note(journal_, "make microphone");
    auto made = std::make_unique<FakeMicrophone>(journal_);
    microphone = made.get();
    return made;
}

std::unique_ptr<engine::HistoryWriterPort> FakeServices::makeHistoryWriter() {
    note(journal_, "make history writer");
    return engine::makeHistoryFileWriter(historyDirectory.isEmpty() ? QDir::tempPath() : historyDirectory);
}

std::unique_ptr<engine::WorkloadObserverPort> FakeServices::makeWorkloadObserver(
    engine::WorkloadObserverPort::ChangeHandler onChange) {
    note(journal_, "make workload observer");
    auto record = std::make_shared<WorkloadRecord>();
    record->onChange = std::move(onChange);
    workloadObservers.push_back(record);
    return std::make_unique<FakeWorkloadObserver>(journal_, std::move(record));
}

// MARK: - Journaling engine

void JournalingEngine::setClamshell(bool closed) {
    note(journal_, std::string("setClamshell ") + (closed ? "true" : "false"));
    ZephraneEngine::setClamshell(closed);
}
void JournalingEngine::updatePowerTelemetry(const PowerTelemetry& reading) {
    note(journal_, "updatePowerTelemetry");
    ZephraneEngine::updatePowerTelemetry(reading);
}
void JournalingEngine::evaluateQuietHours(std::chrono::system_clock::time_point now) {
    note(journal_, "evaluateQuietHours");
    ZephraneEngine::evaluateQuietHours(now);
}
void JournalingEngine::evaluateMeetingQuiet(bool inUse) {
    note(journal_, std::string("evaluateMeetingQuiet ") + (inUse ? "true" : "false"));
    ZephraneEngine::evaluateMeetingQuiet(inUse);
}
QCoro::Task<void> JournalingEngine::runDustCycleStep() {
    note(journal_, "dustStep");
    return ZephraneEngine::runDustCycleStep();
}
void JournalingEngine::evaluateAlertRules(const SensorRefs& named) {
    note(journal_, "evaluateAlertRules " + std::to_string(named.size()));
    ZephraneEngine::evaluateAlertRules(named);
}
void JournalingEngine::evaluateFanHealth(const std::vector<FanStatus>& fans) {
    note(journal_, "evaluateFanHealth " + std::to_string(fans.size()));
    ZephraneEngine::evaluateFanHealth(fans);
}
void JournalingEngine::refreshMenuBarLabel() {
    note(journal_, "refreshMenuBarLabel");
    ZephraneEngine::refreshMenuBarLabel();
}

void JournalingEngine::handleHelperConnectionLoss() {
    note(journal_, "handleHelperConnectionLoss");
    ZephraneEngine::handleHelperConnectionLoss();
}

// MARK: - Harness

EngineHarness::EngineHarness(bool journaling)
    : journal(journaling ? std::make_shared<Journal>() : nullptr),
      driver(std::make_shared<FakeDriver>(journal)),
      clock(std::make_shared<FakeClock>(journal)),
      services(std::make_shared<FakeServices>(journal)) {
    settings = pendingSettings_.get();
}

EngineHarness::~EngineHarness() {
    if (engine_) destroyEngine();
}

ZephraneEngine& EngineHarness::make(OptionalProfile profile) {
    EngineEnvironment environment;
    environment.services = services;
    environment.settings = std::move(pendingSettings_);
    environment.clock = clock;
    if (journal)
        engine_ = std::make_unique<JournalingEngine>(std::move(profile), driver, std::move(environment), journal);
    else
        engine_ = std::make_unique<ZephraneEngine>(std::move(profile), driver, std::move(environment));
    return *engine_;
}

Journal EngineHarness::takeJournal() { return journal ? std::exchange(*journal, {}) : Journal{}; }

void EngineHarness::destroyEngine() {
    engine_.reset();
    driver->failPending();
    eventually([] { return ZephraneEngine::tasksInFlight() == 0; });
}

// MARK: - Poll results

SMCSensor temperatureSensor(std::string key, std::string name, double celsius, SensorCategory category) {
    SMCSensor sensor;
    sensor.id = key;
    sensor.key = std::move(key);
    sensor.name = std::move(name);
    sensor.category = category;
    sensor.currentTemp = celsius;
    sensor.sensorClass = SensorClass::temperature;
    sensor.unit = "\u00B0C";
    return sensor;
}

SMCSensor powerSensor(std::string key, double watts) {
    SMCSensor sensor;
    sensor.id = key;
    sensor.name = key;
    sensor.key = std::move(key);
    sensor.currentTemp = watts;
    sensor.sensorClass = SensorClass::power;
    sensor.unit = "W";
    return sensor;
}

FanStatus fan(int id, double current, double min, double max, double target, bool managed) {
    FanStatus status;
    status.id = id;
    status.currentRPM = current;
    status.minRPM = min;
    status.maxRPM = max;
    status.targetRPM = target;
    status.isManaged = managed;
    return status;
}

SensorPoller::Result pollOf(std::vector<FanStatus> fans, std::vector<SMCSensor> temperatures, bool refreshed) {
    SensorPoller::Result result;
    result.allSensors = temperatures;
    result.temperatureSensors = std::move(temperatures);
    result.fans = std::move(fans);
    result.smcAvailable = true;
    result.sensorsRefreshed = refreshed;
    return result;
}

}  // namespace zephrane::enginetest
