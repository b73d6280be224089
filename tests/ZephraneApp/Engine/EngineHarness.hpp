// A headless engine on scripted fakes: a driver whose replies the test
// hands out (or holds, to interleave), a poller that answers queued results,
// clocks the test advances with no real waiting, the in-memory settings
// store, and recording stand-ins for every other service. Every fake writes
// what it was asked into one journal, so a test can read the order in which
// a tick touched them.
//
// Fakes answer synchronously: a call that is answered at once resumes the
// engine before the call returns, and advancing the clock past the loop's
// sleep runs the next tick to its own sleep inside advance().
#pragma once

#include <chrono>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include <QString>

#include "ZephraneApp/Concurrency/Actor.hpp"
#include "ZephraneApp/Engine/EngineClock.hpp"
#include "ZephraneApp/Engine/EnginePorts.hpp"
#include "ZephraneApp/Engine/SettingsStore.hpp"
#include "ZephraneApp/Engine/ZephraneEngine.hpp"
#include "ZephraneApp/Services/Daemon/SMCDriverActor.hpp"
#include "shared/HelperConstants.hpp"
#include "tests/ZephraneApp/Services/Daemon/DriverFakes.hpp"

namespace zephrane::enginetest {

using Journal = std::vector<std::string>;
using namespace std::chrono_literals;
// Runs a task to its end, processing events; rethrows what it threw.
using testfakes::awaitResult;
// Processes events until a condition holds.
using testfakes::eventually;

// A reply that resumes its awaiting coroutine inside resolve()/fail().
template <class T>
class Reply {
public:
    Reply() = default;
    Reply(const Reply&) = delete;
    Reply& operator=(const Reply&) = delete;

    void resolve(T value) {
        if (done_) return;
        value_ = std::move(value);
        finish();
    }
    void fail(std::exception_ptr error) {
        if (done_) return;
        error_ = std::move(error);
        finish();
    }
    bool isDone() const { return done_; }

    struct Awaiter {
        Reply* reply;
        bool await_ready() const noexcept { return reply->done_; }
        void await_suspend(std::coroutine_handle<> handle) const noexcept { reply->handle_ = handle; }
        T await_resume() const {
            if (reply->error_) std::rethrow_exception(reply->error_);
            return std::move(*reply->value_);  // one awaiter per reply
        }
    };
    Awaiter operator co_await() noexcept { return Awaiter{this}; }

private:
    void finish() {
        done_ = true;
        if (auto handle = std::exchange(handle_, {})) handle.resume();
    }
    bool done_ = false;
    std::optional<T> value_;
    std::exception_ptr error_;
    std::coroutine_handle<> handle_;
};

struct Nothing {
    friend bool operator==(Nothing, Nothing) = default;
};

std::exception_ptr timedOut();
std::exception_ptr noProxy();
std::exception_ptr daemonError(int code, const std::string& description);
std::exception_ptr stopped();

// What the fake driver answers a call with: a value, a failure, or nothing
// yet (the call stays pending until the test answers it).
template <class T>
using Answer = std::variant<T, std::exception_ptr, std::monostate>;
inline constexpr std::monostate hold{};

class FakeDriver final : public engine::DriverPort {
public:
    struct Write {
        int fan;
        double rpm;
        std::shared_ptr<Reply<double>> reply;
    };

    explicit FakeDriver(std::shared_ptr<Journal> journal);
    ~FakeDriver() override;

    std::shared_ptr<SMCKernelBridge> sharedBridge() const override { return bridge; }
    QCoro::Task<double> setTargetRPM(int fan, double rpm) override;
    QCoro::Task<void> restoreAutomaticControl() override;
    QCoro::Task<HelperState> connect() override;
    QCoro::Task<std::shared_ptr<SMCKernelBridge>> reopenReadBridgeIfNeeded() override;
    QCoro::Task<void> setConnectionLossHandler(std::function<void()> handler) override;
    QCoro::Task<std::string> helperVersion() override;
    QCoro::Task<HelperState> installHelper() override;
    QCoro::Task<HelperState> uninstallHelper() override;
    QCoro::Task<HelperState> reloadHelper() override;
    QCoro::Task<void> tearDownConnection() override;
    QCoro::Task<bool> hasConnection() override;
    QCoro::Task<void> openApprovalSettings() override;

    // Reports a lost link the way the driver does, from its own thread.
    void loseConnection();

    // Scripts. A write is answered by the front of `writeScript` when there
    // is one, else by `writeAnswer`; the default echoes the request moved
    // into the fan's `bounds` (when the test gave them), as the daemon does.
    std::function<Answer<double>(int fan, double rpm)> writeAnswer;
    std::deque<Answer<double>> writeScript;
    std::map<int, std::pair<double, double>> bounds;
    Answer<Nothing> restoreAnswer = Nothing{};
    Answer<HelperState> connectAnswer = HelperState::connected();
    std::shared_ptr<SMCKernelBridge> reopenAnswer;
    bool holdReopen = false;
    std::shared_ptr<SMCKernelBridge> bridge;
    // The daemon's life cycle; each call is journaled by its name.
    Answer<std::string> versionAnswer = std::string(helperBuildVersion);
    Answer<HelperState> installAnswer = HelperState::connected();
    Answer<HelperState> uninstallAnswer = HelperState::notRegistered();
    Answer<HelperState> reloadAnswer = HelperState::connected();
    bool linked = false;
    int approvalsOpened = 0;
    int teardowns = 0;

    std::vector<Write> writes;
    std::vector<std::shared_ptr<Reply<Nothing>>> restores;
    std::vector<std::shared_ptr<Reply<HelperState>>> connects;
    std::vector<std::shared_ptr<Reply<std::shared_ptr<SMCKernelBridge>>>> reopens;
    std::vector<std::shared_ptr<Reply<std::string>>> versions;
    std::vector<std::shared_ptr<Reply<HelperState>>> installs;
    std::vector<std::shared_ptr<Reply<HelperState>>> uninstalls;
    std::vector<std::shared_ptr<Reply<HelperState>>> reloads;
    int handlerInstalls = 0;

    std::vector<Write> pendingWrites() const;
    // Fails every call still pending, as a stopped driver would.
    void failPending();

private:
    std::shared_ptr<Journal> journal_;
    std::function<void()> lossHandler_;
};

class FakePoller final : public engine::PollerPort {
public:
    FakePoller(std::shared_ptr<Journal> journal, std::string name);
    ~FakePoller() override;

    QCoro::Task<SensorPoller::Result> poll() override;
    QCoro::Task<void> setRegistryConsumersVisible(bool visible) override;
    QCoro::Task<void> discoverIfNeeded() override;

    // Answered in order; the last one answers again once the queue is
    // empty. A failure in the queue is thrown by that poll.
    std::deque<std::variant<SensorPoller::Result, std::exception_ptr>> results;
    // When not empty, polls answer these in turn and `results` is not used:
    // each answer costs one copy, as the real poller's snapshot does.
    std::vector<SensorPoller::Result> cycle;
    bool holdPolls = false;
    std::vector<std::shared_ptr<Reply<SensorPoller::Result>>> heldPolls;
    int polls = 0;
    int discoveries = 0;
    std::vector<bool> visibilityCalls;

private:
    std::shared_ptr<Journal> journal_;
    std::string name_;
    std::optional<SensorPoller::Result> last_;
    std::size_t next_ = 0;
};

class FakeClock final : public engine::EngineClock {
public:
    explicit FakeClock(std::shared_ptr<Journal> journal);
    ~FakeClock() override;

    engine::ContinuousInstant continuousNow() override { return continuous; }
    std::chrono::steady_clock::time_point suspendingNow() override { return suspending; }
    std::chrono::system_clock::time_point wallNow() override { return wall; }
    QCoro::Task<bool> sleepUntil(engine::ContinuousInstant deadline, std::chrono::nanoseconds tolerance,
                                 std::shared_ptr<engine::Cancellation> cancellation) override;

    // Moves all three clocks on, stopping at every sleep that falls due on
    // the way: it wakes there and runs the loop to its next sleep.
    void advance(std::chrono::nanoseconds by);
    // Advances to the earliest pending sleep's deadline (a no-op when none).
    void advanceToNextSleep();

    struct Sleep {
        engine::ContinuousInstant requestedAt;
        engine::ContinuousInstant deadline;
        std::chrono::nanoseconds tolerance;
        std::shared_ptr<engine::Wake> wake;
    };
    std::vector<Sleep> sleeps;  // every sleep asked for, oldest first
    std::size_t pendingSleeps() const;

    engine::ContinuousInstant continuous{std::chrono::seconds(1000)};
    std::chrono::steady_clock::time_point suspending{std::chrono::seconds(5000)};
    std::chrono::system_clock::time_point wall{std::chrono::seconds(1'700'000'000)};

private:
    std::shared_ptr<Journal> journal_;
};

class FakeAlerts final : public engine::AlertsPort {
public:
    explicit FakeAlerts(std::shared_ptr<Journal> journal) : journal_(std::move(journal)) {}
    struct Update {
        bool isOverheating;
        std::string name;
        double temp;
    };
    void update(bool isOverheating, const std::string& name, double temp) override;
    void updateRule(const std::string& key, bool isTriggered, const std::string& title,
                    const std::string& message) override;
    void setUseFahrenheit(bool fahrenheit) override { useFahrenheit = fahrenheit; }
    std::optional<std::string> inAppAlert() const override { return shownInApp; }
    void dismissInAppAlert() override { showInApp(std::nullopt); }
    void setInAppAlertObserver(std::function<void()> observer) override { inAppObserver = std::move(observer); }
    // What the alerts manager does when it shows the alert in the app.
    void showInApp(std::optional<std::string> alert) {
        shownInApp = std::move(alert);
        if (inAppObserver) inAppObserver();
    }
    std::optional<std::string> shownInApp;
    std::function<void()> inAppObserver;

    struct Rule {
        std::string key;
        bool isTriggered;
        std::string title;
        std::string message;
        friend bool operator==(const Rule&, const Rule&) = default;
    };
    std::vector<Update> updates;
    std::vector<Rule> rules;
    bool useFahrenheit = false;

private:
    std::shared_ptr<Journal> journal_;
};

class FakePinnedStore final : public engine::PinnedStorePort {
public:
    std::set<std::string> load() override { return stored; }
    void save(const std::set<std::string>& keys) override {
        stored = keys;
        ++saves;
    }
    std::set<std::string> stored;
    int saves = 0;
};

class FakeSystemLoad final : public engine::SystemLoadPort {
public:
    explicit FakeSystemLoad(std::shared_ptr<Journal> journal) : journal_(std::move(journal)) {}
    QCoro::Task<std::vector<SystemLoad>> sample() override;
    std::vector<SystemLoad> next;
    int samples = 0;

private:
    std::shared_ptr<Journal> journal_;
};

class FakePowerState final : public engine::PowerStatePort {
public:
    explicit FakePowerState(std::shared_ptr<Journal> journal) : journal_(std::move(journal)) {}
    QCoro::Task<PowerStateObserver::Reading> read() override;
    PowerStateObserver::Reading reading;
    int reads = 0;

private:
    std::shared_ptr<Journal> journal_;
};

class FakeMicrophone final : public engine::MicrophonePort {
public:
    explicit FakeMicrophone(std::shared_ptr<Journal> journal) : journal_(std::move(journal)) {}
    QCoro::Task<bool> isMicrophoneInUse() override;
    bool inUse = false;
    int probes = 0;

private:
    std::shared_ptr<Journal> journal_;
};

class FakeHeatSampler final : public engine::HeatSamplerPort {
public:
    explicit FakeHeatSampler(std::shared_ptr<Journal> journal) : journal_(std::move(journal)) {}
    QCoro::Task<HeatAttributionSampler::Rankings> sample(QDateTime now) override;
    HeatAttributionSampler::Rankings next;
    std::vector<QDateTime> sampledAt;

private:
    std::shared_ptr<Journal> journal_;
};

// What a workload observer was told and holds; outlives the observer, which
// the engine destroys when it stops.
struct WorkloadRecord {
    engine::WorkloadObserverPort::ChangeHandler onChange;
    WorkloadPolicy seed;
    bool running = false;
    int starts = 0;
    int stops = 0;

    // A launch or termination the workspace reports; dropped unless running.
    void report(const WorkloadPolicy& policy) {
        if (running) onChange(policy);
    }
};

class FakeWorkloadObserver final : public engine::WorkloadObserverPort {
public:
    FakeWorkloadObserver(std::shared_ptr<Journal> journal, std::shared_ptr<WorkloadRecord> record)
        : journal_(std::move(journal)), record_(std::move(record)) {}
    ~FakeWorkloadObserver() override { record_->running = false; }
    void start() override;
    void stop() override;

private:
    std::shared_ptr<Journal> journal_;
    std::shared_ptr<WorkloadRecord> record_;
};

// The install checks and the older installation, as the test sets them.
class FakeInstaller final : public engine::InstallPort {
public:
    explicit FakeInstaller(std::shared_ptr<Journal> journal) : journal_(std::move(journal)) {}
    ~FakeInstaller() override;
    std::optional<HelperInstallPreflight::Problem> preflight() override { return problem; }
    bool isLegacyInstallPresent() override { return legacyPresent; }
    QCoro::Task<void> removeLegacyHelper() override;

    std::optional<HelperInstallPreflight::Problem> problem;
    bool legacyPresent = false;
    // Success removes the older installation.
    Answer<Nothing> removalAnswer = Nothing{};
    std::vector<std::shared_ptr<Reply<Nothing>>> removals;

private:
    std::shared_ptr<Journal> journal_;
};

// Makes the fakes above and keeps a view of each one the engine owns.
class FakeServices final : public engine::ServiceFactory {
public:
    explicit FakeServices(std::shared_ptr<Journal> journal) : journal_(std::move(journal)) {}

    std::unique_ptr<engine::AlertsPort> makeAlerts() override;
    std::unique_ptr<engine::PinnedStorePort> makePinnedStore() override;
    std::unique_ptr<engine::SystemLoadPort> makeSystemLoadSampler() override;
    std::unique_ptr<engine::HeatSamplerPort> makeHeatSampler() override;
    std::unique_ptr<engine::PollerPort> makePoller(std::shared_ptr<SMCKernelBridge> bridge) override;
    std::unique_ptr<engine::PowerStatePort> makePowerObserver() override;
    std::unique_ptr<engine::MicrophonePort> makeMicMonitor() override;
    std::unique_ptr<engine::HistoryWriterPort> makeHistoryWriter() override;
    std::unique_ptr<engine::WorkloadObserverPort> makeWorkloadObserver(
        engine::WorkloadObserverPort::ChangeHandler onChange) override;
    std::unique_ptr<engine::InstallPort> makeInstaller() override;
    DeviceSensorMap::CoreCounts coreCounts() override { return counts; }
    void purgeBackdropImages() override { ++backdropPurges; }

    // Set before the engine is made.
    std::set<std::string> pinnedAtLaunch;
    DeviceSensorMap::CoreCounts counts{0, 0};
    QString historyDirectory;
    // What every new poller answers first.
    std::deque<std::variant<SensorPoller::Result, std::exception_ptr>> firstResults;

    FakeAlerts* alerts = nullptr;
    FakePinnedStore* pinned = nullptr;
    FakeSystemLoad* load = nullptr;
    FakeHeatSampler* heat = nullptr;
    FakePowerState* power = nullptr;
    FakeMicrophone* microphone = nullptr;
    FakeInstaller* installer = nullptr;
    std::vector<FakePoller*> pollers;  // in creation order; the last is current
    std::vector<std::shared_ptr<WorkloadRecord>> workloadObservers;
    std::vector<std::shared_ptr<SMCKernelBridge>> pollerBridges;
    int backdropPurges = 0;

private:
    std::shared_ptr<Journal> journal_;
};

// An engine whose rule steps write into the journal, so a test can see
// where the tick calls them; each then runs the engine's own step.
class JournalingEngine final : public ZephraneEngine {
public:
    JournalingEngine(OptionalProfile profile, std::shared_ptr<engine::DriverPort> driver, EngineEnvironment env,
                     std::shared_ptr<Journal> journal)
        : ZephraneEngine(std::move(profile), std::move(driver), std::move(env)), journal_(std::move(journal)) {}

protected:
    void setClamshell(bool closed) override;
    void updatePowerTelemetry(const PowerTelemetry&) override;
    void evaluateQuietHours(std::chrono::system_clock::time_point) override;
    void evaluateMeetingQuiet(bool inUse) override;
    QCoro::Task<void> runDustCycleStep() override;
    void evaluateAlertRules(const SensorRefs& named) override;
    void evaluateFanHealth(const std::vector<FanStatus>& fans) override;
    void refreshMenuBarLabel() override;
    void handleHelperConnectionLoss() override;

private:
    std::shared_ptr<Journal> journal_;
};

class EngineHarness {
public:
    // Without a journal the fakes record nothing and the engine is the
    // plain one (benchmarks).
    explicit EngineHarness(bool journaling = true);
    ~EngineHarness();

    // Makes the engine over everything set up so far.
    ZephraneEngine& make(OptionalProfile profile = FanProfile::appleAuto());

    ZephraneEngine& engine() { return *engine_; }
    FakePoller& poller() { return *services->pollers.back(); }
    // The journal's entries since the last call, then forgets them.
    Journal takeJournal();
    // Destroys the engine and processes events until no engine task is left.
    void destroyEngine();

    std::shared_ptr<Journal> journal;
    std::shared_ptr<FakeDriver> driver;
    std::shared_ptr<FakeClock> clock;
    std::shared_ptr<FakeServices> services;
    // Owned by the engine once it is made.
    InMemorySettingsStore* settings = nullptr;

private:
    std::unique_ptr<InMemorySettingsStore> pendingSettings_ = std::make_unique<InMemorySettingsStore>();
    std::unique_ptr<ZephraneEngine> engine_;
};

// Poll results.
SMCSensor temperatureSensor(std::string key, std::string name, double celsius,
                            SensorCategory category = SensorCategory::cpu);
SMCSensor powerSensor(std::string key, double watts);
FanStatus fan(int id, double current, double min = 1200, double max = 5000, double target = 0, bool managed = false);
SensorPoller::Result pollOf(std::vector<FanStatus> fans, std::vector<SMCSensor> temperatures = {},
                            bool refreshed = true);

}  // namespace zephrane::enginetest
