#include "ZephraneHelper/HelperService.hpp"

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "platform/oslog/OSLog.hpp"
#include "shared/FourCC.hpp"
#include "shared/SMCDataCodec.hpp"
#include "smc/FakeSMCTransport.hpp"

namespace zephrane::helper {
namespace {

using namespace std::chrono_literals;
using Access = FakeSMCTransport::Access;

struct Write {
    std::string key;
    double value;
    friend bool operator==(const Write&, const Write&) = default;
};

// A two-fan machine; `withForceTest` adds the diagnostic unlock key.
std::unique_ptr<FakeSMCTransport> makeMachine(bool withForceTest = true, int fans = 2) {
    auto smc = std::make_unique<FakeSMCTransport>();
    smc->setValue("FNum", SMCDataType::ui8(), fans);
    for (int i = 0; i < fans; ++i) {
        std::string f = "F" + std::to_string(i);
        smc->setValue(f + "Ac", SMCDataType::flt(), 1500, Access::readOnly);
        smc->setValue(f + "Mn", SMCDataType::flt(), 1200, Access::readOnly);
        smc->setValue(f + "Mx", SMCDataType::flt(), 6000, Access::readOnly);
        smc->setValue(f + "Tg", SMCDataType::flt(), 0);
        smc->setValue(f + "Md", SMCDataType::ui8(), 0);
    }
    if (withForceTest) smc->setValue("Ftst", SMCDataType::ui8(), 0);
    return smc;
}

std::vector<Write> writesTo(const FakeSMCTransport& smc) {
    std::vector<Write> out;
    for (const auto& r : smc.requests()) {
        if (r.data8 != static_cast<std::uint8_t>(SMCCommand::writeValue)) continue;
        std::string key = FourCC::string(r.key);
        SMCDataType type(r.keyInfo.dataType);
        out.push_back({key, SMCDataCodec::decode(r.valueBytes(r.keyInfo.dataSize), type)});
    }
    return out;
}

// The daemon releases its emergency connection when it is done; this keeps
// the machine behind it alive so the test can read what was written.
class ForwardingTransport final : public SMCTransport {
public:
    explicit ForwardingTransport(std::shared_ptr<FakeSMCTransport> target) : target_(std::move(target)) {}
    SMCParamStruct call(const SMCParamStruct& request) override { return target_->call(request); }
    bool connectionLost() const override { return target_->connectionLost(); }

private:
    std::shared_ptr<FakeSMCTransport> target_;
};

HelperService::BridgeOpener openerFor(std::shared_ptr<FakeSMCTransport> machine) {
    return [machine] { return std::make_shared<SMCKernelBridge>(std::make_unique<ForwardingTransport>(machine)); };
}

double valueOf(const FakeSMCTransport& smc, std::string_view key) {
    auto k = smc.key(key);
    return SMCDataCodec::decode(k->bytes, k->type);
}

template <class T>
T await(std::future<T>& f) {
    if (f.wait_for(10s) != std::future_status::ready) throw std::runtime_error("no reply within 10 s");
    return f.get();
}

template <class Predicate>
bool eventually(Predicate p, std::chrono::milliseconds deadline = 10s) {
    auto end = std::chrono::steady_clock::now() + deadline;
    while (std::chrono::steady_clock::now() < end) {
        if (p()) return true;
        std::this_thread::sleep_for(5ms);
    }
    return p();
}

// Blocks every call about `key` on this transport until released.
struct Gate {
    std::mutex m;
    std::condition_variable cv;
    bool open = false;
    void release() {
        std::lock_guard lock(m);
        open = true;
        cv.notify_all();
    }
    void install(FakeSMCTransport& smc, std::string key) {
        {
            std::lock_guard lock(m);
            open = false;
        }
        smc.setInterceptor([this, key](const SMCParamStruct& r) -> std::optional<SMCParamStruct> {
            if (FourCC::string(r.key) != key) return std::nullopt;
            std::unique_lock lock(m);
            cv.wait(lock, [&] { return open; });
            return std::nullopt;
        });
    }
};

// The watchdog's clock, moved by the test alone.
class ManualClock {
public:
    void advance(std::chrono::milliseconds by) {
        std::lock_guard lock(mutex_);
        now_ += by;
    }
    std::function<SuspendingClock::time_point()> reader() {
        return [this] {
            std::lock_guard lock(mutex_);
            return now_;
        };
    }

private:
    std::mutex mutex_;
    SuspendingClock::time_point now_{std::chrono::hours(1)};
};

struct TargetResult {
    double rpm;
    std::optional<HelperError> error;
};

class HelperServiceTest : public ::testing::Test {
protected:
    void SetUp() override { oslog::setOutput(oslog::Output::none); }
    void TearDown() override {
        gate.release();  // a hung call must not keep the queue from stopping
        if (service) service->shutdown();
        oslog::setOutput(oslog::Output::standardError);
    }

    FakeSMCTransport& start(std::unique_ptr<FakeSMCTransport> machine, HelperService::Options options = {}) {
        machine_ = std::move(machine);
        bridge = openerFor(machine_)();
        if (options.unlockTimeout == HelperService::Seconds(10.0)) options.unlockTimeout = 2s;
        options.retryInterval = 5ms;
        if (!options.openBridge) options.openBridge = [] { return std::shared_ptr<SMCKernelBridge>(); };
        service = HelperService::create(bridge, std::move(options));
        return *machine_;
    }

    // More connections to the machine start() was given, for the service to
    // open when it needs another.
    HelperService::BridgeOpener sameMachine() {
        return [this] { return openerFor(machine_)(); };
    }

    void stop() {
        gate.release();
        if (service) service->shutdown();
        service.reset();
    }

    void beat(ClientId from) {
        std::promise<double> p;
        auto f = p.get_future();
        service->heartbeat(from, [&](double s) { p.set_value(s); });
        await(f);
    }

    // One watchdog tick, and whatever restore it handed to the hardware queue.
    void tick() {
        service->watchdogTick();
        service->syncOnHardwareQueue([] {});
    }

    TargetResult setTarget(std::int64_t fan, double rpm, std::optional<ClientId> caller = ClientId{1}) {
        std::promise<TargetResult> p;
        auto f = p.get_future();
        service->setTargetRPM(caller, fan, rpm,
                              [&p](double v, std::optional<HelperError> e) { p.set_value({v, std::move(e)}); });
        return await(f);
    }

    std::optional<HelperError> call(void (HelperService::*op)(HelperService::ErrorReply)) {
        std::promise<std::optional<HelperError>> p;
        auto f = p.get_future();
        (service.get()->*op)([&p](std::optional<HelperError> e) { p.set_value(std::move(e)); });
        return await(f);
    }

    std::optional<HelperError> setManual(std::int64_t fan, bool enabled) {
        std::promise<std::optional<HelperError>> p;
        auto f = p.get_future();
        service->setManualControl(ClientId{1}, fan, enabled, [&p](std::optional<HelperError> e) { p.set_value(std::move(e)); });
        return await(f);
    }

    oslog::CaptureSink logs;
    Gate gate;
    std::shared_ptr<FakeSMCTransport> machine_;
    std::shared_ptr<SMCKernelBridge> bridge;
    std::shared_ptr<HelperService> service;
};

TEST_F(HelperServiceTest, FirstTargetUnlocksEngagesThenWritesLaterOnesOnlyWriteTheTarget) {
    auto& smc = start(makeMachine());
    auto first = setTarget(0, 7000);
    EXPECT_EQ(first.error, std::nullopt);
    EXPECT_EQ(first.rpm, 6000) << "clamped to the fan's maximum";
    EXPECT_EQ(writesTo(smc), (std::vector<Write>{{"Ftst", 1}, {"F0Md", 1}, {"F0Tg", 6000}}));
    EXPECT_TRUE(logs.contains(oslog::Level::info, "Ftst diagnostic mode engaged (M3/M4 unlock)"));

    smc.clearRequests();
    EXPECT_EQ(setTarget(0, 500).rpm, 1200) << "raised to the fan's minimum";
    EXPECT_EQ(writesTo(smc), (std::vector<Write>{{"F0Tg", 1200}}));
    EXPECT_TRUE(service->manualControlEngaged());
}

// The SMC behind the main connection goes away with a fan engaged (on
// Linux the simulator restarts): the next request or beat finds the
// connection dead, every fan goes back to the firmware through a new
// connection, the owner is told once, and the request is answered.
TEST_F(HelperServiceTest, ALostSMCConnectionHandsTheFansBackThroughANewOneAndEndsTheService) {
    const auto after = std::shared_ptr<FakeSMCTransport>(makeMachine());
    std::atomic<int> told{0};
    HelperService::Options options;
    options.openBridge = openerFor(after);
    options.smcConnectionLost = [&told] { ++told; };
    auto& before = start(makeMachine(), std::move(options));
    ASSERT_EQ(setTarget(0, 3000).error, std::nullopt);
    ASSERT_TRUE(service->manualControlEngaged());

    before.loseConnection();
    beat(ClientId{1});
    ASSERT_TRUE(eventually([&] { return told.load() == 1; })) << "a beat found the connection dead";
    EXPECT_TRUE(logs.contains(oslog::Level::fault,
                              "AppleSMC connection lost \u2014 restoring Apple automatic control through a new one "
                              "and exiting"));
    EXPECT_EQ(writesTo(*after), (std::vector<Write>{{"F0Md", 0}, {"F1Md", 0}, {"Ftst", 0}}))
        << "handed back through the new connection";
    EXPECT_FALSE(service->manualControlEngaged());

    after->clearRequests();
    const TargetResult refused = setTarget(0, 3000);
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->code, 1003) << "nothing is engaged on the way out";
    EXPECT_EQ(writesTo(*after), std::vector<Write>{});
    beat(ClientId{1});
    service->syncOnHardwareQueue([] {});
    EXPECT_EQ(told.load(), 1) << "told once";
}

TEST_F(HelperServiceTest, RefusalsWriteNothing) {
    auto& smc = start(makeMachine());
    struct Case { const char* name; std::int64_t fan; double rpm; std::int64_t code; const char* text; };
    const Case cases[] = {
        {"index past the fans", 2, 3000, 1002, "fan index 2 out of range"},
        {"negative index", -1, 3000, 1002, "fan index -1 out of range"},
        {"huge index", INT64_MAX, 3000, 1002, "fan index 9223372036854775807 out of range"},
        {"not a number", 0, std::nan(""), 1001, "rejected: non-finite or negative RPM nan"},
        {"negative", 0, -5, 1001, "rejected: non-finite or negative RPM -5.0"},
        {"infinite", 1, INFINITY, 1001, "rejected: non-finite or negative RPM inf"},
    };
    for (const auto& c : cases) {
        auto result = setTarget(c.fan, c.rpm);
        ASSERT_TRUE(result.error) << c.name;
        EXPECT_EQ(*result.error, makeHelperError(c.code, c.text)) << c.name;
        EXPECT_EQ(result.rpm, 0) << c.name;
    }
    EXPECT_TRUE(writesTo(smc).empty());
}

TEST_F(HelperServiceTest, MachineWithoutForceTestProceedsAndRestoresSilently) {
    auto& smc = start(makeMachine(/*withForceTest=*/false));
    EXPECT_EQ(setTarget(1, 3000).error, std::nullopt);
    EXPECT_TRUE(logs.contains(oslog::Level::info, "Ftst absent on this Mac \u2014 proceeding without diagnostic unlock"));
    EXPECT_EQ(call(&HelperService::restoreAutomaticControl), std::nullopt);
    EXPECT_EQ(valueOf(smc, "F1Md"), 0);
    for (const auto& r : logs.records()) EXPECT_NE(r.level, oslog::Level::error) << r.message;
}

// Refuses manual mode for the first `refusals` attempts, like a machine whose
// diagnostic unlock needs a moment to take.
void refuseModeWrites(FakeSMCTransport& smc, std::shared_ptr<std::atomic<int>> refusals) {
    smc.setInterceptor([refusals](const SMCParamStruct& r) -> std::optional<SMCParamStruct> {
        bool modeWrite = r.data8 == static_cast<std::uint8_t>(SMCCommand::writeValue) &&
                         FourCC::string(r.key).ends_with("Md") && r.bytes[0] == 1;
        if (!modeWrite || refusals->load() == 0) return std::nullopt;
        if (*refusals > 0) --*refusals;
        SMCParamStruct answer;
        answer.result = 0x89;
        return answer;
    });
}

TEST_F(HelperServiceTest, RequestsWaitingForOneEngageAreAnsweredInOrderByOnePoll) {
    auto& smc = start(makeMachine());
    auto refusals = std::make_shared<std::atomic<int>>(20);
    refuseModeWrites(smc, refusals);
    std::mutex m;
    std::vector<double> order;
    std::promise<void> all;
    for (double rpm : {2000.0, 3000.0, 4000.0})
        service->setTargetRPM(ClientId{1}, 0, rpm, [&, rpm](double v, std::optional<HelperError> e) {
            std::lock_guard lock(m);
            EXPECT_EQ(e, std::nullopt);
            EXPECT_EQ(v, rpm);
            order.push_back(v);
            if (order.size() == 3) all.set_value();
        });
    auto f = all.get_future();
    ASSERT_EQ(f.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(order, (std::vector<double>{2000, 3000, 4000}));
    EXPECT_EQ(smc.requestCount(SMCCommand::writeValue, "F0Md"), 21u) << "one poll: 20 refusals, then success";
    EXPECT_EQ(valueOf(smc, "F0Tg"), 4000);
}

TEST_F(HelperServiceTest, EngageThatNeverTakesFailsSafeAtTheDeadline) {
    HelperService::Options options;
    options.unlockTimeout = 100ms;
    auto& smc = start(makeMachine(), options);
    refuseModeWrites(smc, std::make_shared<std::atomic<int>>(-1));
    auto result = setTarget(1, 3000);
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->code, 1003);
    EXPECT_EQ(result.error->description, "hardware write failed: smcResult(137)");
    EXPECT_TRUE(logs.contains(oslog::Level::error, "setTargetRPM failed: smcResult(137); failing safe"));
    EXPECT_EQ(valueOf(smc, "F0Md"), 0);
    EXPECT_EQ(valueOf(smc, "Ftst"), 0);
    EXPECT_FALSE(service->manualControlEngaged());
}

TEST_F(HelperServiceTest, RestoreDuringAnEngageCancelsEveryWaiter) {
    auto& smc = start(makeMachine());
    refuseModeWrites(smc, std::make_shared<std::atomic<int>>(-1));
    std::promise<TargetResult> target;
    std::promise<std::optional<HelperError>> manual;
    service->setTargetRPM(ClientId{1}, 0, 3000,
                          [&](double v, std::optional<HelperError> e) { target.set_value({v, e}); });
    service->setManualControl(ClientId{1}, 0, true, [&](std::optional<HelperError> e) { manual.set_value(e); });
    service->syncOnHardwareQueue([] {});  // both requests are waiting for the engage now
    EXPECT_EQ(call(&HelperService::restoreAutomaticControl), std::nullopt);

    auto tf = target.get_future();
    auto mf = manual.get_future();
    auto t = await(tf);
    auto mr = await(mf);
    EXPECT_EQ(t.error, makeHelperError(1003, "hardware write failed: manual-mode engage canceled by restore"));
    EXPECT_EQ(mr, makeHelperError(1003, "engage manual failed: manual-mode engage canceled by restore"));
    smc.clearRequests();
    service->syncOnHardwareQueue([] {});
    std::this_thread::sleep_for(30ms);  // the old poll would have retried by now
    service->syncOnHardwareQueue([] {});
    for (const auto& w : writesTo(smc)) EXPECT_NE(w, (Write{"F0Md", 1})) << "the cancelled poll wrote again";
}

TEST_F(HelperServiceTest, DisablingManualControlRestoresEveryFanWhateverTheIndex) {
    auto& smc = start(makeMachine());
    ASSERT_EQ(setManual(1, true), std::nullopt);
    EXPECT_EQ(valueOf(smc, "F1Md"), 1);
    EXPECT_EQ(setManual(99, false), std::nullopt);
    EXPECT_EQ(valueOf(smc, "F0Md"), 0);
    EXPECT_EQ(valueOf(smc, "F1Md"), 0);
    EXPECT_EQ(valueOf(smc, "Ftst"), 0);
    EXPECT_EQ(setManual(2, true), makeHelperError(1002, "fan index 2 out of range"));
}

TEST_F(HelperServiceTest, FailedRestoreIsReportedAndEveryFanIsStillTried) {
    auto& smc = start(makeMachine());
    ASSERT_EQ(setTarget(1, 3000).error, std::nullopt);
    smc.removeKey("F0Md");
    auto error = call(&HelperService::restoreAutomaticControl);
    EXPECT_EQ(error, makeHelperError(1003, "restore failed: keyNotFound(\"F0Md\")"));
    EXPECT_EQ(valueOf(smc, "F1Md"), 0);
    EXPECT_TRUE(logs.contains(oslog::Level::error, "restore fan 0 failed: keyNotFound(\"F0Md\")"));
}

TEST_F(HelperServiceTest, ZeroFanCountIsNotCached) {
    auto& smc = start(makeMachine(true, 2));
    smc.setValue("FNum", SMCDataType::ui8(), 0);
    for (auto key : {"F0Ac", "F1Ac"}) smc.removeKey(key);
    EXPECT_EQ(setTarget(0, 3000).error->code, 1002);
    smc.setValue("FNum", SMCDataType::ui8(), 2);
    EXPECT_EQ(setTarget(0, 3000).error, std::nullopt);
}

TEST_F(HelperServiceTest, HeartbeatReportsUptimeAndVersionIsTheBuildVersion) {
    start(makeMachine());
    std::promise<double> p;
    auto f = p.get_future();
    service->heartbeat(std::nullopt, [&](double s) { p.set_value(s); });
    double uptime = await(f);
    EXPECT_GE(uptime, 0);
    EXPECT_LT(uptime, 60);
    EXPECT_EQ(HelperService::helperVersion(), "1.2.2");
}

TEST_F(HelperServiceTest, ControllingClientDisconnectRestoresOthersAreIgnored) {
    auto& smc = start(makeMachine());
    ASSERT_EQ(setTarget(0, 3000, ClientId{7}).error, std::nullopt);
    service->clientDisconnected(ClientId{8});
    EXPECT_TRUE(logs.contains(oslog::Level::info, "ignoring disconnect from a connection that never held fan control"));
    service->syncOnHardwareQueue([] {});
    EXPECT_EQ(valueOf(smc, "F0Md"), 1);

    service->clientDisconnected(ClientId{7});
    service->syncOnHardwareQueue([] {});
    EXPECT_EQ(valueOf(smc, "F0Md"), 0);
    EXPECT_TRUE(logs.contains(oslog::Level::info, "client disconnected while manual engaged \u2014 failing safe"));
}

TEST_F(HelperServiceTest, LostHeartbeatHandsTheFansBackAtTheFirstTickPastTheTimeOut) {
    ManualClock clock;
    HelperService::Options options;
    options.heartbeatTimeout = 5s;
    options.suspendingNow = clock.reader();
    auto& smc = start(makeMachine(), options);
    ASSERT_EQ(setTarget(0, 3000).error, std::nullopt);  // engaging counts as a beat

    clock.advance(5s);
    tick();
    EXPECT_EQ(valueOf(smc, "F0Md"), 1) << "a beat exactly the time-out old is still fine";
    EXPECT_TRUE(service->manualControlEngaged());

    clock.advance(1ms);
    tick();
    EXPECT_EQ(valueOf(smc, "F0Md"), 0);
    EXPECT_EQ(valueOf(smc, "Ftst"), 0);
    EXPECT_TRUE(logs.contains(oslog::Level::error, "heartbeat lost \u2014 failing safe, restoring Apple automatic control"));
}

// A second client that beats says nothing about the one holding the fans.
TEST_F(HelperServiceTest, OnlyTheControllingConnectionsBeatsKeepManualControl) {
    ManualClock clock;
    HelperService::Options options;
    options.heartbeatTimeout = 5s;
    options.suspendingNow = clock.reader();
    auto& smc = start(makeMachine(), options);
    ASSERT_EQ(setTarget(0, 3000, ClientId{7}).error, std::nullopt);

    for (int round = 0; round < 5; ++round) {
        clock.advance(4s);
        beat(ClientId{7});
        tick();
    }
    EXPECT_EQ(valueOf(smc, "F0Md"), 1) << "20 s on the controller's beats";

    // The controller freezes; another client beats on.
    for (int round = 0; round < 2; ++round) {
        clock.advance(2s);
        beat(ClientId{8});
        tick();
        EXPECT_EQ(valueOf(smc, "F0Md"), 1) << "within the time-out of the controller's last beat";
    }
    clock.advance(2s);
    beat(ClientId{8});
    tick();
    EXPECT_EQ(valueOf(smc, "F0Md"), 0);
    EXPECT_TRUE(logs.contains(oslog::Level::error, "heartbeat lost \u2014 failing safe, restoring Apple automatic control"));
}

// Whichever key of the restore hangs, every other one is handed back within
// the bound, and the watchdog tries the rest again.
TEST_F(HelperServiceTest, ARestoreHandsBackEveryKeyItCanWhicheverOneHangs) {
    const struct {
        const char* key;
        const char* logged;
    } hung[] = {
        {"F0Md", "restore fan 0 failed: no answer within 1.0 s"},
        {"F1Md", "restore fan 1 failed: no answer within 1.0 s"},
        {"Ftst", "Ftst reset failed: no answer within 1.0 s"},
    };
    for (const auto& row : hung) {
        SCOPED_TRACE(row.key);
        ManualClock clock;
        HelperService::Options options;
        options.heartbeatTimeout = 5s;
        options.suspendingNow = clock.reader();
        options.restoreWriteBound = 1s;
        options.openBridge = sameMachine();
        auto& smc = start(makeMachine(), options);
        ASSERT_EQ(setManual(0, true), std::nullopt);
        ASSERT_EQ(setManual(1, true), std::nullopt);

        gate.install(smc, row.key);
        EXPECT_EQ(call(&HelperService::restoreAutomaticControl),
                  makeHelperError(1003, "restore failed: no answer within 1.0 s"));
        for (const char* key : {"F0Md", "F1Md", "Ftst"})
            EXPECT_EQ(valueOf(smc, key), key == std::string_view(row.key) ? 1 : 0) << key;
        EXPECT_TRUE(logs.contains(oslog::Level::error, row.logged));
        EXPECT_TRUE(service->manualControlEngaged()) << "the watchdog stays armed";

        // The key answers again: past the time-out the watchdog restores once more.
        gate.release();
        clock.advance(5001ms);
        tick();
        EXPECT_FALSE(service->manualControlEngaged());
        for (const char* key : {"F0Md", "F1Md", "Ftst"}) EXPECT_EQ(valueOf(smc, key), 0) << key;
        stop();
    }
}

// The watchdog's own timer, on the real clock: beats keep the fans, and the
// fail-safe comes once the last beat is older than the time-out, never
// before; engaged again, the watchdog wakes again.
TEST_F(HelperServiceTest, TheWatchdogsTimerFailsSafeOnceTheLastBeatIsTooOldAndNeverBefore) {
    using Clock = std::chrono::steady_clock;
    HelperService::Options options;
    options.heartbeatTimeout = 300ms;
    auto& smc = start(makeMachine(), options);
    service->startWatchdog();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(setTarget(0, 3000).error, std::nullopt);
        // Beating for twice the time-out and more.
        for (const auto beating = Clock::now(); Clock::now() - beating < 700ms;) {
            const auto sent = Clock::now();
            beat(ClientId{1});
            // Only a test too late to beat in time could have let one get old.
            if (Clock::now() - sent < 250ms) {
                ASSERT_TRUE(service->manualControlEngaged());
            }
        }
        const auto lastBeat = Clock::now();
        beat(ClientId{1});
        ASSERT_TRUE(eventually([&] {
            const bool engaged = service->manualControlEngaged();
            if (!engaged) {
                EXPECT_GE(Clock::now() - lastBeat, 300ms) << "failed safe before the time-out";
            }
            return !engaged;
        }));
        EXPECT_EQ(valueOf(smc, "F0Md"), 0);
    }
}

TEST_F(HelperServiceTest, HungHardwareQueueIsBypassedByTheEmergencyRestore) {
    std::shared_ptr<FakeSMCTransport> second = makeMachine();
    HelperService::Options options;
    options.heartbeatTimeout = 100ms;
    options.watchdogInterval = 20ms;
    options.handoffCheckDelay = 100ms;
    options.openBridge = openerFor(second);
    auto& smc = start(makeMachine(), options);
    ASSERT_EQ(setTarget(0, 3000).error, std::nullopt);
    gate.install(smc, "F0Tg");
    service->setTargetRPM(ClientId{1}, 0, 3500, [](double, std::optional<HelperError>) {});  // hangs the queue
    service->startWatchdog();
    ASSERT_TRUE(eventually([&] {
        return logs.contains(oslog::Level::fault, "EMERGENCY restore: completed");
    }));
    // The throwaway connection wrote every mode key and the unlock back to 0.
    EXPECT_EQ(writesTo(*second), (std::vector<Write>{{"F0Md", 0}, {"F1Md", 0}, {"Ftst", 0}}));
    EXPECT_FALSE(service->manualControlEngaged());
}

TEST_F(HelperServiceTest, TheEmergencyRestoreHandsBackEveryKeyItCanWhileOneHangs) {
    std::shared_ptr<FakeSMCTransport> second = makeMachine();
    for (const char* key : {"F0Md", "F1Md", "Ftst"}) second->setValue(key, SMCDataType::ui8(), 1);
    HelperService::Options options;
    options.restoreWriteBound = 1s;
    options.openBridge = openerFor(second);
    start(makeMachine(), options);
    gate.install(*second, "F0Md");

    auto restored = std::async(std::launch::async, [&] { return service->emergencyRestore(); });
    const bool returned = restored.wait_for(10s) == std::future_status::ready;
    // Read while the hung write is still held: once let go, it lands.
    const double fan0 = valueOf(*second, "F0Md");
    const double fan1 = valueOf(*second, "F1Md");
    const double unlock = valueOf(*second, "Ftst");
    gate.release();
    ASSERT_TRUE(returned) << "the emergency restore waited on the hung key";
    EXPECT_FALSE(restored.get()) << "incomplete: the watchdog must try again";
    EXPECT_EQ(fan0, 1);
    EXPECT_EQ(fan1, 0);
    EXPECT_EQ(unlock, 0);
    EXPECT_TRUE(logs.contains(oslog::Level::fault,
                              "EMERGENCY restore: incomplete \u2014 retrying what could not be handed back"));
}

TEST_F(HelperServiceTest, EmergencyRestoreWithoutASecondConnectionReportsIt) {
    auto& smc = start(makeMachine());
    (void)smc;
    EXPECT_FALSE(service->emergencyRestore());
    EXPECT_TRUE(logs.contains(oslog::Level::fault,
                              "EMERGENCY restore: failed to open a second AppleSMC connection \u2014 cannot fail safe "
                              "from the watchdog queue"));
}

TEST_F(HelperServiceTest, EmergencyRestoreWithUnknownFanCountCoversEightFans) {
    HelperService::Options options;
    auto second = std::make_shared<FakeSMCTransport>();  // reads no fans at all
    options.openBridge = openerFor(second);
    start(makeMachine(), options);
    EXPECT_TRUE(service->emergencyRestore());
    // Each mode write starts with the key's information, even where the key is missing.
    for (int fan = 0; fan < 8; ++fan)
        EXPECT_EQ(second->requestCount(SMCCommand::keyInfo, "F" + std::to_string(fan) + "Md"), 1u) << fan;
    EXPECT_EQ(second->requestCount(SMCCommand::keyInfo, "F8Md"), 0u);
}

TEST_F(HelperServiceTest, ExitRestoreEscalatesWhenTheHardwareQueueIsStuck) {
    HelperService::Options options;
    options.exitRestoreWait = 100ms;
    std::shared_ptr<FakeSMCTransport> second = makeMachine();
    options.openBridge = openerFor(second);
    auto& smc = start(makeMachine(), options);
    ASSERT_EQ(setTarget(0, 3000).error, std::nullopt);
    gate.install(smc, "F0Tg");
    service->setTargetRPM(ClientId{1}, 0, 3500, [](double, std::optional<HelperError>) {});
    service->restoreForExit();
    EXPECT_TRUE(logs.contains(oslog::Level::fault,
                              "exit restore: hw queue did not respond within 0.100000s \u2014 escalating to the "
                              "emergency SMC connection"));
    EXPECT_EQ(writesTo(*second), (std::vector<Write>{{"F0Md", 0}, {"F1Md", 0}, {"Ftst", 0}}));
}

}  // namespace
}  // namespace zephrane::helper
