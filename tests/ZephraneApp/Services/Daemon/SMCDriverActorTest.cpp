// The daemon link against a fake daemon, a fake SMC and a clock the test
// moves: handshake and heartbeat, time-outs and their races, the checks made
// before a fan write, connection loss, registration and the read connection.
#include "ZephraneApp/Services/Daemon/SMCDriverActor.hpp"

#include <atomic>
#include <filesystem>
#include <thread>

#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <qcoro/qcorotask.h>

#include "ZephraneApp/Concurrency/ContinuationGuard.hpp"
#include "platform/oslog/OSLog.hpp"
#include "shared/HelperConstants.hpp"
#include "shared/ZephraneXPCProtocol.hpp"
#include "smc/FakeSMCTransport.hpp"
#include "smc/SMCKernelBridge.hpp"
#include "tests/ZephraneApp/Services/Daemon/DriverFakes.hpp"

namespace zephrane {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using zephrane::testfakes::eventually;
using zephrane::testfakes::awaitResult;
using zephrane::testfakes::FakeDaemon;
using zephrane::testfakes::FakeDaemonConnection;
using zephrane::testfakes::ManualTimers;
using zephrane::testfakes::ScriptedServiceManager;
namespace protocol = ZephraneXPCProtocol;
using State = SMCDriverActor::HelperState;
using Status = servicemanagement::Status;

const std::string kTimedOutText = "The operation couldn\u2019t be completed. (SMCDriverActor.DriverError error 1.)";

std::shared_ptr<SMCKernelBridge> twoFanBridge(FakeSMCTransport** raw = nullptr) {
    auto transport = std::make_unique<FakeSMCTransport>();
    transport->setValue("FNum", SMCDataType::ui8(), 2);
    for (int fan = 0; fan < 2; ++fan) {
        const std::string f = "F" + std::to_string(fan);
        transport->setValue(f + "Mn", SMCDataType::flt(), 1200);
        transport->setValue(f + "Mx", SMCDataType::flt(), 6000);
        transport->setValue(f + "Ac", SMCDataType::flt(), 1500);
        transport->setValue(f + "Tg", SMCDataType::flt(), 0);
        transport->setValue(f + "Md", SMCDataType::ui8(), 0);
    }
    if (raw) *raw = transport.get();
    return std::make_shared<SMCKernelBridge>(std::move(transport));
}

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override { oslog::setOutput(oslog::Output::none); }
    void TearDown() override {
        driver_.reset();
        oslog::setOutput(oslog::Output::standardError);
    }

    SMCDriverActor& make() { return make(twoFanBridge(&smc_)); }
    SMCDriverActor& make(std::shared_ptr<SMCKernelBridge> bridge) {
        SMCDriverActor::Dependencies deps;
        deps.bridgeFactory = [this, bridge]() mutable {
            ++bridgeOpens_;
            if (!reopenWith_.empty() && bridgeOpens_ > 1) {
                auto next = reopenWith_.front();
                reopenWith_.erase(reopenWith_.begin());
                return next;
            }
            return bridgeOpens_ == 1 ? bridge : std::shared_ptr<SMCKernelBridge>();
        };
        deps.connectionFactory = daemon_.factory();
        deps.serviceManager = services_;
        deps.timers = timers_.factory();
        deps.registerAtExit = [this](void (*)()) { ++atExitRegistrations_; };
        driver_ = std::make_unique<SMCDriverActor>(std::move(deps));
        return *driver_;
    }

    // The n-th message of the latest connection, once it has been sent.
    FakeDaemonConnection::Message awaitMessage(std::size_t index) {
        EXPECT_TRUE(eventually([&] {
            auto c = daemon_.latest();
            return c && c->messageCount() > index;
        })) << "message " << index << " never sent";
        return daemon_.latest()->message(index);
    }

    // The time-out or pause armed for the actor, once armed.
    void awaitTimer(std::chrono::nanoseconds delay) {
        EXPECT_TRUE(eventually([&] {
            auto delays = timers_.pendingDelays();
            return std::find(delays.begin(), delays.end(), delay) != delays.end();
        })) << "no timer of " << delay.count() << " ns armed";
    }

    // A handshake on a fresh connection, answered with `uptime`.
    State connectWithUptime(double uptime) {
        const std::size_t before = daemon_.connectionCount();
        auto task = driver_->handshake();
        EXPECT_TRUE(eventually([&] { return daemon_.connectionCount() > before && daemon_.latest()->messageCount() > 0; }));
        daemon_.latest()->message(0).onReply({xpc::Value(uptime)});
        return awaitResult(std::move(task));
    }

    // The n-th message with this selector on the latest connection.
    FakeDaemonConnection::Message awaitSelector(std::string_view selector, std::size_t nth = 0) {
        EXPECT_TRUE(eventually([&] {
            auto c = daemon_.latest();
            return c && c->count(selector) > nth;
        })) << selector << " #" << nth << " never sent";
        auto c = daemon_.latest();
        std::size_t seen = 0;
        for (std::size_t i = 0; i < c->messageCount(); ++i) {
            auto m = c->message(i);
            if (m.selector == selector && seen++ == nth) return m;
        }
        return {};
    }

    // Runs an operation to its end, moving the clock on while it waits, so
    // that a silent daemon times out.
    template <typename T>
    T drive(QCoro::Task<T> task) {
        std::optional<T> result;
        auto capture = [](QCoro::Task<T> t, std::optional<T>& out) -> QCoro::Task<void> { out = co_await std::move(t); };
        auto running = capture(std::move(task), result);
        // The clock moves only after the actor has had a moment of real
        // time to act on the last step, so a slow build cannot see a reply
        // overtaken by its own time-out.
        QElapsedTimer sinceStep;
        sinceStep.start();
        EXPECT_TRUE(eventually(
            [&] {
                if (!result && sinceStep.elapsed() >= 15) {
                    timers_.advance(100ms);
                    sinceStep.restart();
                }
                return result.has_value();
            },
            std::chrono::seconds(60)));
        return *result;
    }

    void answerHeartbeats(double uptime) {
        daemon_.setAutoAnswer([uptime](const FakeDaemonConnection::Message& m) {
            if (m.selector == protocol::heartbeat.selector) m.onReply({xpc::Value(uptime)});
            else if (m.selector == protocol::restoreAutomaticControl.selector) m.onReply({xpc::Value()});
        });
    }

    // Connected, with the fan reader made and heartbeats answered.
    void connectAnswering() {
        answerHeartbeats(1);
        ASSERT_EQ(awaitResult(driver_->connect()), State::connected());
    }

    FakeDaemon daemon_;
    ManualTimers timers_;
    std::shared_ptr<ScriptedServiceManager> services_ = std::make_shared<ScriptedServiceManager>();
    FakeSMCTransport* smc_ = nullptr;
    int bridgeOpens_ = 0;
    std::vector<std::shared_ptr<SMCKernelBridge>> reopenWith_;
    int atExitRegistrations_ = 0;
    oslog::CaptureSink log_;
    std::unique_ptr<SMCDriverActor> driver_;
};

// --- the resume-once guard -------------------------------------------------

struct CountingTimer final : CancellableTimer {
    std::atomic<int> cancels{0};
    void cancel() override { ++cancels; }
};

TEST(ContinuationGuard, ManyRacersResumeExactlyOnceAndTheFirstClaimCallsOffTheTimeout) {
    for (int round = 0; round < 200; ++round) {
        ContinuationGuard<int> guard;
        auto timer = std::make_shared<CountingTimer>();
        guard.installTimeout(timer);
        std::atomic<int> winners{0};
        std::vector<std::thread> racers;
        for (int i = 0; i < 4; ++i)
            racers.emplace_back([&, i] {
                if (guard.tryClaim()) {
                    ++winners;
                    guard.resume(i);
                }
            });
        for (auto& t : racers) t.join();
        ASSERT_EQ(winners, 1);
        ASSERT_EQ(timer->cancels, 1);
        ASSERT_TRUE(guard.future().isFinished());
    }
}

TEST(ContinuationGuard, ATimeoutInstalledAfterTheClaimIsCancelledAtOnce) {
    ContinuationGuard<void> guard;
    ASSERT_TRUE(guard.tryClaim());  // a zero time-out won before it was installed
    auto timer = std::make_shared<CountingTimer>();
    guard.installTimeout(timer);
    EXPECT_EQ(timer->cancels, 1);
    EXPECT_FALSE(guard.tryClaim());
}

// --- handshake and heartbeat ---------------------------------------------------

TEST_F(DriverTest, HandshakeConnectsAndBeatsEveryIntervalLoggingOnlyASmallerUptime) {
    make();
    ASSERT_EQ(connectWithUptime(100), State::connected());
    EXPECT_TRUE(log_.contains(oslog::Level::info, "helper handshake OK (XPC)"));
    auto conn = daemon_.latest();

    // The first beat comes one interval after the handshake.
    awaitTimer(2500ms);
    EXPECT_EQ(conn->count(protocol::heartbeat.selector), 1u);
    timers_.advance(2500ms);
    awaitMessage(1).onReply({xpc::Value(100.0)});  // equal: no restart
    awaitTimer(2500ms);
    timers_.advance(2500ms);
    awaitMessage(2).onReply({xpc::Value(3.0)});  // smaller: the daemon restarted
    ASSERT_TRUE(eventually([&] {
        return log_.contains(oslog::Level::info,
                             "helper daemon restarted (uptime reset) \u2014 manual state must be re-engaged");
    }));
    const auto lines = log_.records("com.zephrane.app", "driver");
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const auto& r) { return r.message.find("uptime reset") != std::string::npos; }),
              1);
    EXPECT_EQ(awaitResult(driver_->snapshot()).lastKnownUptime, 3.0);
}

TEST_F(DriverTest, AFailedBeatIsLoggedAndTheLoopGoesOn) {
    make();
    ASSERT_EQ(connectWithUptime(10), State::connected());
    awaitTimer(2500ms);
    timers_.advance(2500ms);
    awaitMessage(1).onError(xpc::Error{"com.zephrane.Fanwarden", 1003, "boom"});
    ASSERT_TRUE(eventually([&] {
        return log_.contains(oslog::Level::error,
                             "heartbeat failed: Error Domain=com.zephrane.Fanwarden Code=1003 \"boom\" "
                             "UserInfo={NSLocalizedDescription=boom}");
    }));
    awaitTimer(2500ms);
    timers_.advance(2500ms);
    awaitMessage(2);  // still beating
}

TEST_F(DriverTest, HandshakeTimeOutTearsDownAndReportsTheLoss) {
    make();
    int losses = 0;
    awaitResult(driver_->setConnectionLossHandler([&] { ++losses; }));
    auto task = driver_->handshake();
    awaitMessage(0);
    awaitTimer(2s);
    timers_.advance(2s);
    const State state = awaitResult(std::move(task));
    EXPECT_EQ(state, State::unavailable("helper handshake failed: " + kTimedOutText));
    EXPECT_TRUE(log_.contains(oslog::Level::error, "helper handshake failed: timedOut"));
    EXPECT_TRUE(daemon_.latest()->invalidated());
    EXPECT_EQ(losses, 1);
    const auto snapshot = awaitResult(driver_->snapshot());
    EXPECT_FALSE(snapshot.hasConnection);
    EXPECT_FALSE(snapshot.heartbeatRunning);
    // The late reply finds the guard claimed and changes nothing.
    daemon_.latest()->message(0).onReply({xpc::Value(5.0)});
    EXPECT_FALSE(awaitResult(driver_->snapshot()).lastKnownUptime);
}

TEST_F(DriverTest, ATimeOutOnAReplacedConnectionLeavesTheNewLinkAlone) {
    make();
    int losses = 0;
    awaitResult(driver_->setConnectionLossHandler([&] { ++losses; }));
    auto version = driver_->helperVersion();  // 4 s time-out on connection 1
    awaitMessage(0);
    awaitResult(driver_->tearDownConnection());
    ASSERT_EQ(connectWithUptime(50), State::connected());  // connection 2
    ASSERT_EQ(daemon_.connectionCount(), 2u);

    timers_.advance(4s);
    EXPECT_THROW(awaitResult(std::move(version)), SMCDriverActor::DriverError);
    const auto snapshot = awaitResult(driver_->snapshot());
    EXPECT_TRUE(snapshot.hasConnection);
    EXPECT_TRUE(snapshot.heartbeatRunning);
    EXPECT_FALSE(daemon_.connection(1)->invalidated());
    EXPECT_EQ(losses, 0);
}

TEST_F(DriverTest, AZeroTimeOutStillSendsButFailsAndIgnoresTheLateReply) {
    make();
    // The version call's time-out fires before its reply: the message has
    // gone out, the call fails with a time-out.
    auto version = driver_->helperVersion();
    const auto message = awaitMessage(0);
    timers_.advance(4s);
    EXPECT_THROW(awaitResult(std::move(version)), SMCDriverActor::DriverError);
    message.onReply({xpc::Value("1.2.2")});  // ignored, no crash
}

TEST_F(DriverTest, ConnectionLossCallsBackOnlyForALinkThatWasUp) {
    make();
    int losses = 0;
    awaitResult(driver_->setConnectionLossHandler([&] { ++losses; }));

    // Never handshaken: cleared silently.
    auto version = driver_->helperVersion();
    awaitMessage(0);
    daemon_.latest()->invalidate();
    ASSERT_TRUE(eventually([&] { return !awaitResult(driver_->snapshot()).hasConnection; }));
    EXPECT_EQ(losses, 0);
    EXPECT_TRUE(log_.contains(oslog::Level::info, "helper XPC connection invalidated"));
    daemon_.connection(0)->message(0).onError(xpc::invalidError("gone"));
    EXPECT_THROW(awaitResult(std::move(version)), CallError);

    // Up, then interrupted: one callback, heartbeat stopped.
    ASSERT_EQ(connectWithUptime(7), State::connected());
    daemon_.latest()->interrupt();
    ASSERT_TRUE(eventually([&] { return losses == 1; }));
    EXPECT_TRUE(log_.contains(oslog::Level::info, "helper XPC connection interrupted"));
    const auto snapshot = awaitResult(driver_->snapshot());
    EXPECT_FALSE(snapshot.hasConnection);
    EXPECT_FALSE(snapshot.heartbeatRunning);

    // A handler of an old connection firing later changes nothing.
    ASSERT_EQ(connectWithUptime(8), State::connected());
    daemon_.connection(1)->interrupt();
    daemon_.connection(0)->invalidate();
    QCoreApplication::processEvents();
    EXPECT_TRUE(awaitResult(driver_->snapshot()).hasConnection);
    EXPECT_EQ(losses, 1);
}

// The loss handler crosses onto the driver's thread by value: the driver
// keeps exactly one copy of what it holds, calls it, and releases it when it
// goes. A copy owned twice (or not at all) shows in the count of its holders.
TEST_F(DriverTest, TheLossHandlerIsKeptOnceAndReleasedWithTheDriver) {
    make();
    auto held = std::make_shared<std::atomic<int>>(0);
    awaitResult(driver_->setConnectionLossHandler([held] { ++*held; }));
    ASSERT_TRUE(eventually([&] { return held.use_count() == 2; })) << held.use_count() << " holders";

    ASSERT_EQ(connectWithUptime(7), State::connected());
    daemon_.latest()->interrupt();
    ASSERT_TRUE(eventually([&] { return held->load() == 1; }));
    EXPECT_EQ(held.use_count(), 2) << "calling it keeps the one copy";

    driver_.reset();
    EXPECT_TRUE(eventually([&] { return held.use_count() == 1; })) << "the driver's copy goes with it";
}

TEST_F(DriverTest, AProxyThatDoesNotSpeakTheContractFailsWithNoProxy) {
    make();
    daemon_.setSpeaksContract(false);
    EXPECT_EQ(awaitResult(driver_->handshake()),
              State::unavailable(
                  "helper handshake failed: The operation couldn\u2019t be completed. (SMCDriverActor.DriverError error 0.)"));
    EXPECT_TRUE(log_.contains(oslog::Level::error, "helper handshake failed: noProxy"));
    // Not a time-out: the connection stays.
    EXPECT_TRUE(awaitResult(driver_->snapshot()).hasConnection);
}

// --- fan targets -------------------------------------------------------------

struct RejectedTarget {
    const char* name;
    int fan;
    double rpm;
    std::int64_t code;
    std::string text;
};

TEST_F(DriverTest, ChecksBeforeSendingRefuseWithoutTouchingTheDaemon) {
    make();
    connectAnswering();
    const std::size_t messagesBefore = daemon_.latest()->count(protocol::setTargetRPM.selector);

    const RejectedTarget cases[] = {
        {"negative index", -1, 2000, 1002, "fan index -1 out of range"},
        {"index at the count", 2, 2000, 1002, "fan index 2 out of range"},
        {"negative speed", 0, -100, 1001, "rejected: "},
        {"not a number", 1, std::nan(""), 1001, "rejected: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            awaitResult(driver_->setTargetRPM(c.fan, c.rpm));
            ADD_FAILURE() << "accepted";
        } catch (const CallError& e) {
            EXPECT_EQ(e.error().domain, "com.zephrane.driver");
            EXPECT_EQ(e.error().code, c.code);
            EXPECT_THAT(e.error().description, ::testing::StartsWith(c.text));
            if (c.code == 1002) {
                EXPECT_EQ(e.error().description, c.text);
            }
        }
    }
    EXPECT_EQ(daemon_.latest()->count(protocol::setTargetRPM.selector), messagesBefore);
}

TEST_F(DriverTest, WithoutAFanReaderOrCachedCountEveryTargetIsOutOfRange) {
    make();  // connect() never ran: no fan reader
    try {
        awaitResult(driver_->setTargetRPM(0, 2000));
        FAIL() << "accepted";
    } catch (const CallError& e) {
        EXPECT_EQ(e.error().code, 1002);
        EXPECT_EQ(e.error().description, "fan index 0 out of range");
    }
    EXPECT_EQ(daemon_.connectionCount(), 0u);
}

TEST_F(DriverTest, AFanCountOfZeroIsNotCachedAndIsReadAgainEachTime) {
    make();
    smc_->setValue("FNum", SMCDataType::ui8(), 0);
    smc_->removeKey("F0Ac");
    smc_->removeKey("F1Ac");
    connectAnswering();
    for (int i = 0; i < 2; ++i) EXPECT_THROW(awaitResult(driver_->setTargetRPM(0, 2000)), CallError);
    EXPECT_FALSE(awaitResult(driver_->snapshot()).cachedFanCount);
    EXPECT_GE(smc_->requestCount(SMCCommand::readValue, "FNum"), 2u);
}

TEST_F(DriverTest, AnAcceptedTargetGoesOutAsRequestedAndReturnsWhatTheDaemonWrote) {
    make();
    connectAnswering();

    auto write = driver_->setTargetRPM(1, 4321.5);
    auto message = awaitSelector(protocol::setTargetRPM.selector);
    EXPECT_EQ(message.selector, protocol::setTargetRPM.selector);
    EXPECT_THAT(message.arguments, ElementsAre(xpc::Value(std::int64_t{1}), xpc::Value(4321.5)));
    message.onReply({xpc::Value(4321.0), xpc::Value()});
    EXPECT_EQ(awaitResult(std::move(write)), 4321.0);

    const auto snapshot = awaitResult(driver_->snapshot());
    EXPECT_EQ(snapshot.cachedFanCount, 2);
    EXPECT_EQ(snapshot.boundsCache.at(1), std::make_pair(1200.0, 6000.0));

    // The daemon's own refusal arrives as the reply's error.
    auto refused = driver_->setTargetRPM(0, 3000);
    awaitSelector(protocol::setTargetRPM.selector, 1).onReply({xpc::Value(0.0), xpc::Value(xpc::Error{"com.zephrane.Fanwarden", 1003, "write failed"})});
    try {
        awaitResult(std::move(refused));
        FAIL() << "accepted";
    } catch (const CallError& e) {
        EXPECT_EQ(e.error(), (xpc::Error{"com.zephrane.Fanwarden", 1003, "write failed"}));
    }
}

TEST_F(DriverTest, ImplausibleOrUnreadableBoundsAreNotCached) {
    make();
    connectAnswering();

    // (0, 0) is returned, not cached, and the policy refuses with its reason.
    smc_->setValue("F0Mn", SMCDataType::flt(), 0);
    smc_->setValue("F0Mx", SMCDataType::flt(), 0);
    EXPECT_THROW(awaitResult(driver_->setTargetRPM(0, 2000)), CallError);
    EXPECT_EQ(awaitResult(driver_->snapshot()).boundsCache.count(0), 0u);

    // Unreadable: the request goes out unchecked.
    smc_->removeKey("F0Mx");
    auto write = driver_->setTargetRPM(0, 99999);
    awaitSelector(protocol::setTargetRPM.selector).onReply({xpc::Value(5000.0), xpc::Value()});
    EXPECT_EQ(awaitResult(std::move(write)), 5000.0);
}

TEST_F(DriverTest, ASetTargetTimeOutTearsDownAfterTwelveSeconds) {
    make();
    int losses = 0;
    awaitResult(driver_->setConnectionLossHandler([&] { ++losses; }));
    connectAnswering();

    auto write = driver_->setTargetRPM(0, 3000);
    awaitSelector(protocol::setTargetRPM.selector);
    awaitTimer(12s);
    timers_.advance(11999ms);
    QCoreApplication::processEvents();
    EXPECT_EQ(losses, 0);
    timers_.advance(1ms);
    try {
        awaitResult(std::move(write));
        FAIL() << "no time-out";
    } catch (const SMCDriverActor::DriverError& e) {
        EXPECT_EQ(e.kind(), SMCDriverActor::DriverError::Kind::timedOut);
    }
    EXPECT_EQ(losses, 1);
    EXPECT_TRUE(daemon_.latest()->invalidated());
}

// --- registration ------------------------------------------------------------

TEST_F(DriverTest, InstallWithAnEnabledAnsweringDaemonLeavesTheRegistrationAlone) {
    make();
    services_->status = Status::enabled;
    answerHeartbeats(1);
    EXPECT_EQ(drive(driver_->installHelper()), State::connected());
    EXPECT_EQ(services_->registerCalls, 0);
    EXPECT_EQ(services_->unregisterCalls, 0);
}

TEST_F(DriverTest, InstallRepairsAStaleRegistration) {
    make();
    services_->status = Status::enabled;
    // Silent until re-registered, then answering.
    services_->onRegister = [this] { answerHeartbeats(1); };
    EXPECT_EQ(drive(driver_->installHelper()), State::connected());
    EXPECT_TRUE(log_.contains(oslog::Level::info,
                              "helper registered but unreachable \u2014 rebuilding a stale SMAppService registration"));
    EXPECT_EQ(services_->unregisterCalls, 1);
    EXPECT_EQ(services_->registerCalls, 1);
}

struct RegisterCase {
    const char* name;
    Status before;
    std::optional<servicemanagement::Error> registerError;
    std::optional<Status> statusAfterRegister;
    State expected;
    int registerCalls;
};

TEST_F(DriverTest, InstallResultsFollowTheStatusAndTheRegisterOutcome) {
    const servicemanagement::Error denied{"SMAppServiceErrorDomain", 1, "Operation not permitted"};
    const RegisterCase cases[] = {
        {"waiting for approval: not registered again", Status::requiresApproval, std::nullopt, std::nullopt,
         State::requiresApproval(), 0},
        {"register fails, approval then pending", Status::notRegistered, denied, Status::requiresApproval,
         State::requiresApproval(), 1},
        {"register fails otherwise", Status::notRegistered, denied, std::nullopt,
         State::unavailable("register failed: Operation not permitted"), 1},
        {"registered but the daemon stays silent", Status::notFound, std::nullopt, Status::enabled,
         State::unavailable("helper handshake failed: " + kTimedOutText), 1},
        {"repair's register fails", Status::enabled, denied, Status::notRegistered,
         State::unavailable("repair failed: Operation not permitted"), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        services_ = std::make_shared<ScriptedServiceManager>();
        services_->status = c.before;
        services_->registerError = c.registerError;
        services_->statusAfterRegister = c.statusAfterRegister;
        make();
        EXPECT_EQ(drive(driver_->installHelper()), c.expected);
        EXPECT_EQ(services_->registerCalls, c.registerCalls);
        driver_.reset();
    }
    EXPECT_TRUE(log_.contains(oslog::Level::error,
                              "SMAppService register failed: Error Domain=SMAppServiceErrorDomain Code=1 "
                              "\"Operation not permitted\""));
    EXPECT_TRUE(log_.contains(oslog::Level::error,
                              "SMAppService re-register failed: Error Domain=SMAppServiceErrorDomain Code=1 "
                              "\"Operation not permitted\""));
}

TEST_F(DriverTest, CurrentHelperStateNeverSaysEnabled) {
    const std::pair<Status, State> cases[] = {
        {Status::enabled, State::unavailable("helper handshake failed: " + kTimedOutText)},
        {Status::requiresApproval, State::requiresApproval()},
        {Status::notRegistered, State::notRegistered()},
        {Status::notFound, State::notRegistered()},
    };
    make();
    for (const auto& [status, expected] : cases) {
        services_->status = status;
        EXPECT_EQ(drive(driver_->currentHelperState()), expected);
    }
}

TEST_F(DriverTest, UninstallOfAnUnreachableDaemonStillUnregisters) {
    make();
    services_->status = Status::enabled;
    const State state = drive(driver_->uninstallHelper());
    EXPECT_EQ(state, State::notRegistered());
    EXPECT_EQ(services_->unregisterCalls, 1);
    EXPECT_GE(daemon_.connection(0)->count(protocol::restoreAutomaticControl.selector), 1u);
}

TEST_F(DriverTest, UninstallHandsTheFansBackBeforeUnregistering) {
    make();
    services_->status = Status::enabled;
    answerHeartbeats(1);
    services_->unregisterError = servicemanagement::Error{"SMAppServiceErrorDomain", 2, "busy"};
    drive(driver_->uninstallHelper());
    EXPECT_EQ(daemon_.connection(0)->message(0).selector, protocol::restoreAutomaticControl.selector);
    EXPECT_TRUE(log_.contains(oslog::Level::error,
                              "SMAppService unregister failed: Error Domain=SMAppServiceErrorDomain Code=2 \"busy\""));
}

// --- read connection ---------------------------------------------------------

TEST_F(DriverTest, WithoutAppleSMCTheActorStartsEmptyAndConnectSaysSo) {
    make(nullptr);
    EXPECT_EQ(driver_->sharedBridge(), nullptr);
    EXPECT_TRUE(log_.contains(oslog::Level::error,
                              "SMC unavailable at launch \u2014 initial AppleSMC open failed (see the prior log line, "
                              "if any, for the IOKit reason); the tick-driven reopen will retry on a debounce while "
                              "unavailable"));
    EXPECT_EQ(awaitResult(driver_->connect()), State::unavailable("cannot open AppleSMC"));
    EXPECT_EQ(awaitResult(driver_->connect()), State::unavailable("cannot open AppleSMC"));
    EXPECT_EQ(atExitRegistrations_, 1);
    EXPECT_EQ(daemon_.connectionCount(), 0u);

    EXPECT_EQ(awaitResult(driver_->reopenReadBridgeIfNeeded()), nullptr);
    EXPECT_TRUE(log_.contains(oslog::Level::info, "SMC bridge reopen attempt failed \u2014 still unavailable, will retry"));

    reopenWith_.push_back(twoFanBridge());
    auto reopened = awaitResult(driver_->reopenReadBridgeIfNeeded());
    EXPECT_EQ(reopened, reopenWith_.empty() ? reopened : nullptr);
    ASSERT_NE(reopened, nullptr);
    EXPECT_TRUE(log_.contains(oslog::Level::info,
                              "SMC read connection reopened \u2014 a competing fan-control app likely released AppleSMC"));
    EXPECT_EQ(driver_->sharedBridge(), nullptr);
    const auto snapshot = awaitResult(driver_->snapshot());
    EXPECT_TRUE(snapshot.hasFanReader);
    EXPECT_TRUE(snapshot.boundsCache.empty());
    EXPECT_FALSE(snapshot.cachedFanCount);
}

TEST_F(DriverTest, AReopenWhileConnectedReturnsTheSameBridgeSilently) {
    make();
    EXPECT_TRUE(log_.contains(oslog::Level::info, "SMC read connection opened at launch (direct, in-process, unprivileged)"));
    log_.clear();
    EXPECT_EQ(awaitResult(driver_->reopenReadBridgeIfNeeded()), driver_->sharedBridge());
    EXPECT_TRUE(log_.records("com.zephrane.app", "smc").empty());
    EXPECT_EQ(bridgeOpens_, 1);
}

// The SMC went away (on Linux, the simulator restarted): the connection it
// left is lost for good and counts as none, so the next reopen makes a new
// one, or says it could not.
TEST_F(DriverTest, ALostReadConnectionIsReplacedByTheNextReopen) {
    make();
    smc_->loseConnection();
    FakeSMCTransport* next = nullptr;
    reopenWith_.push_back(twoFanBridge(&next));
    log_.clear();
    const auto reopened = awaitResult(driver_->reopenReadBridgeIfNeeded());
    ASSERT_NE(reopened, nullptr);
    EXPECT_NE(reopened, driver_->sharedBridge()) << "the launch-time connection stays what it was";
    EXPECT_TRUE(log_.contains(oslog::Level::info, "SMC read connection lost \u2014 reopened"));
    EXPECT_EQ(awaitResult(driver_->reopenReadBridgeIfNeeded()), reopened) << "a live one is kept";

    next->loseConnection();
    EXPECT_EQ(awaitResult(driver_->reopenReadBridgeIfNeeded()), nullptr);
    EXPECT_TRUE(log_.contains(oslog::Level::info, "SMC read connection lost \u2014 reopen attempt failed, will retry"));
    EXPECT_EQ(awaitResult(driver_->connect()), State::unavailable("cannot open AppleSMC"));
}

// --- exit restore --------------------------------------------------------------

TEST_F(DriverTest, TheExitRestoreSendsOnTheCurrentConnectionOnly) {
    make();
    SMCDriverActor::exitRestore();  // nothing to send on: returns at once
    ASSERT_EQ(connectWithUptime(9), State::connected());
    SMCDriverActor::exitRestore();
    EXPECT_THAT(daemon_.latest()->sentWhileExiting(), ElementsAre(std::string(protocol::restoreAutomaticControl.selector)));
    awaitResult(driver_->tearDownConnection());
    SMCDriverActor::exitRestore();
    EXPECT_EQ(daemon_.latest()->sentWhileExiting().size(), 1u);
}

// --- stopping ------------------------------------------------------------------

// Destroying the driver ends every wait at once, with the clock standing
// still: a write and a version call out with the daemon and the heartbeat's
// pause. Their callers get ActorStopped and nothing more is sent; that no
// time-out or pause is left armed shows each wait was ended, not given up
// on.
TEST_F(DriverTest, DestroyingTheDriverEndsEveryWaitAndFailsItsCallers) {
    make();
    connectAnswering();
    daemon_.latest()->setAutoAnswer(nullptr);
    auto write = testfakes::start(driver_->setTargetRPM(0, 3000));
    awaitSelector(protocol::setTargetRPM.selector);
    auto version = testfakes::start(driver_->helperVersion());
    awaitSelector(protocol::helperVersion.selector);
    ASSERT_TRUE(awaitResult(driver_->snapshot()).heartbeatRunning);
    const std::size_t sent = daemon_.latest()->messageCount();

    driver_.reset();
    ASSERT_TRUE(eventually([&] { return write->done && version->done; }));
    EXPECT_TRUE(write->threw<ActorStopped>());
    EXPECT_TRUE(version->threw<ActorStopped>());
    EXPECT_EQ(timers_.pending(), 0u);
    EXPECT_EQ(daemon_.latest()->messageCount(), sent);
}

// The daemon link's XPC connection owns the thread its socket runs on and
// joins it when the last reference goes, even with a call's error still to
// be delivered: no thread of the app outlives its owner.
TEST(DaemonConnectionTest, TheConnectionJoinsItsThreadWhenItGoes) {
    auto taskCount = [] {
        std::size_t count = 0;
        for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task")) ++count;
        return count;
    };
    QTemporaryDir nowhere;
    ASSERT_TRUE(nowhere.isValid());
    qputenv("ZEPHRANE_XPC_DIR", nowhere.path().toUtf8());
    const std::size_t before = taskCount();
    {
        std::shared_ptr<DaemonConnection> connection = xpcDaemonConnectionFactory()();
        EXPECT_EQ(taskCount(), before + 1);
        std::atomic<bool> failed{false};
        connection->resume();
        connection->send(protocol::helperVersion.selector, {}, [](xpc::Values) {},
                         [&failed](const xpc::Error&) { failed = true; });
        EXPECT_TRUE(eventually([&] { return failed.load(); })) << "no daemon: the call fails";
    }
    EXPECT_EQ(taskCount(), before);
    qunsetenv("ZEPHRANE_XPC_DIR");
}

// The manager completes an unregister on its own thread, after the daemon
// has stopped (seconds): the driver does not wait for it to stop, and a
// late completion finds nobody waiting.
TEST_F(DriverTest, AnUnregisterStillOutDoesNotHoldUpTheDriversEnd) {
    make();
    services_->status = Status::enabled;
    services_->withholdUnregister = true;
    answerHeartbeats(1);
    auto uninstall = testfakes::start(driver_->uninstallHelper());
    ASSERT_TRUE(eventually([&] { return services_->withheldCount() == 1; }));

    driver_.reset();
    ASSERT_TRUE(eventually([&] { return uninstall->done; }));
    EXPECT_TRUE(uninstall->threw<ActorStopped>());
    services_->completeWithheld();
}

}  // namespace
}  // namespace zephrane
