// Fan targets: the daemon-link gate, the manual and profile steps, the ramp
// and the skip rule, every outcome of a write, and the restore of automatic
// control.
#include <cstdint>
#include <functional>
#include <limits>

#include <gtest/gtest.h>

#include "EngineHarness.hpp"

namespace zephrane::enginetest {
namespace {

const std::string kNoProxyText =
    "The operation couldn\u2019t be completed. (SMCDriverActor.DriverError error 0.)";

void connectDaemon(ZephraneEngine& engine) {
    engine.applyHelperState(HelperState::connected(), engine.bumpHelperStateGeneration());
}

void tick(ZephraneEngine& engine) {
    auto task = engine.tickOnce();
    ASSERT_TRUE(task.isReady());
}

std::vector<std::pair<int, double>> written(const FakeDriver& driver) {
    std::vector<std::pair<int, double>> requests;
    for (const auto& w : driver.writes) requests.emplace_back(w.fan, w.rpm);
    return requests;
}

// An engine on `profile` with the daemon connected and two fans of
// 1200...5000 rpm, spooling instantly unless a test says otherwise.
struct Rig {
    explicit Rig(OptionalProfile profile = FanProfile::appleAuto()) : engine(h.make(std::move(profile))) {
        connectDaemon(engine);
        engine.setSpoolRate(ZephraneEngine::spoolRateInstant);
        h.driver->bounds = {{0, {1200, 5000}}, {1, {1200, 5000}}};
        h.driver->connects.clear();
    }
    void poll(std::vector<FanStatus> fans, double celsius = 50) {
        h.poller().results = {pollOf(std::move(fans), {temperatureSensor("TC0P", "CPU Proximity", celsius)})};
    }
    EngineHarness h;
    ZephraneEngine& engine;
};

TEST(FanTargets, WithoutTheDaemonNothingIsWrittenAndARefreshIsAskedForAtMostEveryTwoSeconds) {
    Rig rig(FanProfile::maxThermalBlast());
    rig.engine.applyHelperState(HelperState::enabled(), rig.engine.bumpHelperStateGeneration());
    rig.h.driver->connectAnswer = HelperState::enabled();
    rig.poll({fan(0, 2000)});
    for (int i = 0; i < 25; ++i) {
        tick(rig.engine);
        rig.h.clock->advance(100ms);
    }
    EXPECT_TRUE(rig.h.driver->writes.empty());
    EXPECT_EQ(rig.h.driver->connects.size(), 2u) << "at 0 and 2 s";
}

TEST(FanTargets, ARefreshStillOutIsNotAskedForAgain) {
    Rig rig;
    rig.h.driver->connectAnswer = hold;
    rig.engine.requestTickHelperRefresh();
    rig.h.clock->advance(5s);
    rig.engine.requestTickHelperRefresh();
    ASSERT_EQ(rig.h.driver->connects.size(), 1u);
    EXPECT_TRUE(rig.engine.isTickRefreshInFlight());
    rig.h.driver->connects[0]->resolve(HelperState::requiresApproval());
    EXPECT_FALSE(rig.engine.isTickRefreshInFlight());
    EXPECT_EQ(rig.engine.helperState(), HelperState::requiresApproval());
    rig.engine.requestTickHelperRefresh();
    EXPECT_EQ(rig.h.driver->connects.size(), 2u);
}

TEST(FanTargets, AnOlderRefreshAnsweringLateIsDropped) {
    Rig rig;
    rig.h.driver->connectAnswer = hold;
    rig.engine.requestTickHelperRefresh();
    const auto newer = rig.engine.bumpHelperStateGeneration();
    EXPECT_TRUE(rig.engine.applyHelperState(HelperState::enabled(), newer));
    rig.h.driver->connects[0]->resolve(HelperState::connected());
    EXPECT_EQ(rig.engine.helperState(), HelperState::enabled());
    EXPECT_FALSE(rig.engine.isTickRefreshInFlight()) << "cleared whether applied or not";
}

TEST(FanTargets, ManualTargetsAreSentAsTheyAre) {
    Rig rig;
    rig.poll({fan(0, 2000), fan(1, 2100)});
    rig.engine.setManualFanTargets({{0, 2500}, {1, 99999}});
    tick(rig.engine);
    EXPECT_EQ(written(*rig.h.driver), (std::vector<std::pair<int, double>>{{0, 2500}, {1, 5000}}))
        << "the ramp keeps the goal within the fan's range; the driver clamps the rest";
    EXPECT_TRUE(rig.engine.isControlling());
    EXPECT_EQ(rig.engine.rampedTargets(), (RPMTable{{0, 2500}, {1, 5000}}));
}

TEST(FanTargets, EveryOutcomeOfAWrite) {
    struct Case {
        const char* edge;
        std::deque<Answer<double>> answers;
        std::vector<std::pair<int, double>> sent;
        OptionalText error;
        bool controlling;
        std::size_t refreshes;
    };
    const auto rejected = daemonError(1001, "rejected: rpm 3000 is above the fan's maximum 2500");
    const Case cases[] = {
        {"both written", {3000.0, 3000.0}, {{0, 3000}, {1, 3000}}, std::nullopt, true, 0},
        {"the first rejected, the second still written",
         {rejected, 3000.0},
         {{0, 3000}, {1, 3000}},
         "write failed: rejected: rpm 3000 is above the fan's maximum 2500",
         true,
         1},
        {"no proxy for the first, then the second", {noProxy(), 3000.0}, {{0, 3000}, {1, 3000}},
         "write failed: " + kNoProxyText, true, 1},
        {"the first timed out: the second is dropped", {timedOut()}, {{0, 3000}},
         "write failed: fan-control helper timed out", false, 1},
        {"the second timed out", {3000.0, timedOut()}, {{0, 3000}, {1, 3000}},
         "write failed: fan-control helper timed out", true, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        Rig rig;
        rig.poll({fan(0, 2000), fan(1, 2000)});
        rig.engine.setManualFanTargets({{0, 3000}, {1, 3000}});
        rig.h.driver->writeScript = c.answers;
        tick(rig.engine);
        EXPECT_EQ(written(*rig.h.driver), c.sent);
        EXPECT_EQ(rig.engine.lastError(), c.error);
        EXPECT_EQ(rig.engine.isControlling(), c.controlling);
        EXPECT_EQ(rig.h.driver->connects.size(), c.refreshes);
    }
}

TEST(FanTargets, AFailedWriteKeepsTheRampWhereItWas) {
    Rig rig;
    rig.engine.setSpoolRate(900);
    rig.poll({fan(0, 1200)});
    rig.engine.setManualFanTargets({{0, 3000}});
    rig.h.driver->writeScript = {daemonError(1003, "hardware write failed")};
    tick(rig.engine);
    EXPECT_EQ(rig.engine.rampedTargets().at(0), 1290);
    rig.h.clock->advance(100ms);
    tick(rig.engine);
    EXPECT_EQ(rig.h.driver->writes.back().rpm, 1380) << "ramps on from the value it asked for";
}

// A fan that drops out of the table (the daemon then refuses its index, or
// does not answer) is still where its ramp last put it: the next step goes
// on from there, not from the goal.
TEST(FanTargets, AFailedWriteForAFanGoneFromTheTableKeepsItsRampPosition) {
    const struct {
        const char* failure;
        std::function<std::exception_ptr()> error;
    } cases[] = {
        {"refused", [] { return daemonError(1002, "fan index 1 is out of range"); }},
        {"timed out", [] { return timedOut(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failure);
        Rig rig;
        rig.engine.setSpoolRate(900);
        rig.poll({fan(0, 2000), fan(1, 2000)});
        rig.engine.setManualFanTargets({{1, 3000}});
        tick(rig.engine);
        ASSERT_EQ(rig.engine.rampedTargets().at(1), 2090);

        rig.poll({fan(0, 2000)});
        rig.h.driver->writeAnswer = [&c](int, double) -> Answer<double> { return c.error(); };
        for (int i = 0; i < 2; ++i) {
            rig.h.clock->advance(100ms);
            tick(rig.engine);
        }
        EXPECT_EQ(written(*rig.h.driver), (std::vector<std::pair<int, double>>{{1, 2090}, {1, 2180}, {1, 2270}}));
        EXPECT_EQ(rig.engine.rampedTargets(), (RPMTable{{1, 2270}}));
    }
}

// While its fan is out of the table nothing bounds a ramp: toward Max's
// largest integer (or the smallest) it runs on at the spool rate, tick after
// tick. Once the fan is back with its range, the ramp starts from within
// that range, not from wherever it ran off to.
TEST(FanTargets, ARampKeptWhileItsFanWasGoneIsHeldToItsRangeOnceItIsBack) {
    const struct {
        const char* edge;
        double target;
        double firstWrite;
        double back;
    } cases[] = {
        {"the largest integer", static_cast<double>(std::numeric_limits<std::int64_t>::max()), 2090, 5000},
        {"the smallest integer", static_cast<double>(std::numeric_limits<std::int64_t>::min()), 1910, 1200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        Rig rig;
        rig.engine.setSpoolRate(900);
        rig.poll({fan(0, 2000), fan(1, 2000)});
        rig.engine.setManualFanTargets({{1, c.target}});
        tick(rig.engine);
        ASSERT_EQ(rig.h.driver->writes.back().rpm, c.firstWrite);

        rig.poll({fan(0, 2000)});
        rig.h.driver->writeAnswer = [](int, double) -> Answer<double> {
            return daemonError(1002, "fan index 1 is out of range");
        };
        for (int i = 0; i < 100; ++i) {
            rig.h.clock->advance(100ms);
            tick(rig.engine);
        }
        ASSERT_EQ(rig.engine.rampedTargets().count(1), 1u);
        ASSERT_FALSE(rig.engine.rampedTargets().at(1) >= 1200 && rig.engine.rampedTargets().at(1) <= 5000)
            << "ran beyond the range meanwhile";

        rig.h.driver->writeAnswer = nullptr;
        rig.poll({fan(0, 2000), fan(1, 2000)});
        rig.h.clock->advance(100ms);
        tick(rig.engine);
        EXPECT_EQ(rig.h.driver->writes.back().fan, 1);
        EXPECT_EQ(rig.h.driver->writes.back().rpm, c.back);
        EXPECT_EQ(rig.engine.rampedTargets().at(1), c.back);
    }
}

TEST(FanTargets, TheLinkLostWhileAWriteIsOutStopsTheRestOfThePass) {
    Rig rig;
    rig.poll({fan(0, 2000), fan(1, 2000)});
    rig.engine.setManualFanTargets({{0, 3000}, {1, 3000}});
    rig.h.driver->writeAnswer = [](int, double) -> Answer<double> { return hold; };
    auto ticking = rig.engine.tickOnce();
    ASSERT_EQ(rig.h.driver->pendingWrites().size(), 1u);

    rig.engine.applyHelperState(HelperState::unavailable("helper handshake failed: gone"),
                                rig.engine.bumpHelperStateGeneration());
    rig.h.driver->writes[0].reply->resolve(3000);
    EXPECT_TRUE(ticking.isReady());
    EXPECT_EQ(rig.h.driver->writes.size(), 1u) << "the second fan is not written";
    EXPECT_FALSE(rig.engine.lastError()) << "a lost link is no write failure";
}

TEST(FanTargets, ACleanPassClearsAnEarlierWriteOrRestoreFailure) {
    struct Case {
        const char* edge;
        std::function<void(Rig&)> fail;
        std::string message;
    };
    const Case cases[] = {
        {"a failed write",
         [](Rig& rig) {
             rig.h.driver->writeScript = {noProxy()};
             tick(rig.engine);
         },
         "write failed: " + kNoProxyText},
        {"a timed-out write",
         [](Rig& rig) {
             rig.h.driver->writeScript = {timedOut()};
             tick(rig.engine);
         },
         "write failed: fan-control helper timed out"},
        {"a failed restore",
         [](Rig& rig) {
             rig.h.driver->restoreAnswer = noProxy();
             auto restoring = rig.engine.restoreAutomaticControl();
             ASSERT_TRUE(restoring.isReady());
         },
         "restore failed: " + kNoProxyText},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        Rig rig;
        rig.poll({fan(0, 2000)});
        rig.engine.setManualFanTargets({{0, 3000}});
        c.fail(rig);
        EXPECT_EQ(rig.engine.lastError(), c.message);
        rig.h.clock->advance(3s);
        tick(rig.engine);
        EXPECT_FALSE(rig.engine.lastError());
    }
}

// A restore that succeeds hands the fans back: a failure message from before
// no longer describes anything.
TEST(FanTargets, ASuccessfulRestoreClearsAStaleFailureMessage) {
    Rig rig;
    rig.poll({fan(0, 2000)});
    rig.engine.setManualFanTargets({{0, 3000}});
    rig.h.driver->writeScript = {timedOut()};
    tick(rig.engine);
    ASSERT_EQ(rig.engine.lastError(), "write failed: fan-control helper timed out");
    rig.h.driver->restoreAnswer = noProxy();
    auto failing = rig.engine.restoreAutomaticControl();
    ASSERT_TRUE(failing.isReady());
    EXPECT_EQ(rig.engine.lastError(), "restore failed: " + kNoProxyText);

    rig.h.driver->restoreAnswer = Nothing{};
    auto restoring = rig.engine.restoreAutomaticControl();
    ASSERT_TRUE(restoring.isReady());
    EXPECT_FALSE(rig.engine.lastError());
}

TEST(FanTargets, AutomaticControlRestoresWhileTheEngineHoldsTheFansAndRetriesAFailedRestore) {
    Rig rig(FanProfile::maxThermalBlast());
    rig.poll({fan(0, 2000, 1200, 5000, 2000, true)});
    tick(rig.engine);
    ASSERT_TRUE(rig.engine.isControlling());

    rig.h.driver->restoreAnswer = timedOut();
    rig.engine.selectProfile(FanProfile::appleAuto());
    EXPECT_EQ(rig.h.driver->restores.size(), 1u) << "choosing automatic control hands the fans back";
    EXPECT_TRUE(rig.engine.isControlling()) << "the restore failed";
    EXPECT_EQ(rig.engine.lastError(),
              "restore failed: The operation couldn\u2019t be completed. (SMCDriverActor.DriverError error 1.)");
    const auto writes = rig.h.driver->writes.size();

    rig.h.driver->restoreAnswer = Nothing{};
    tick(rig.engine);
    EXPECT_EQ(rig.h.driver->restores.size(), 2u) << "the next tick tries again";
    EXPECT_FALSE(rig.engine.isControlling());
    EXPECT_TRUE(rig.engine.rampedTargets().empty());

    rig.poll({fan(0, 2000)});
    tick(rig.engine);
    EXPECT_EQ(rig.h.driver->restores.size(), 2u) << "nothing left to hand back";
    EXPECT_EQ(rig.h.driver->writes.size(), writes) << "automatic control writes nothing";
}

TEST(FanTargets, AFanLeftInManualModeIsHandedBackOnTheFirstConnectedTick) {
    Rig rig;
    rig.poll({fan(0, 2000, 1200, 5000, 4000, true)});
    tick(rig.engine);
    EXPECT_EQ(rig.h.driver->restores.size(), 1u);
    EXPECT_TRUE(rig.h.driver->writes.empty());
}

// With no daemon and no fan under the engine's hand there is nothing to
// hand back; a restore would only fail and show an error.
TEST(FanTargets, ChoosingAutomaticControlWithNoDaemonAndNothingHeldSendsNoRestore) {
    struct Case {
        const char* edge;
        HelperState state;
        bool controlling;
        std::size_t restores;
        bool error;
    };
    const Case cases[] = {
        {"no daemon, nothing held", HelperState::notRegistered(), false, 0, false},
        {"daemon unavailable, nothing held", HelperState::unavailable("cannot open AppleSMC"), false, 0, false},
        {"daemon connected, nothing held", HelperState::connected(), false, 1, false},
        {"daemon gone while the engine held the fans", HelperState::enabled(), true, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        Rig rig(FanProfile::maxThermalBlast());
        if (c.controlling) {
            rig.poll({fan(0, 2000)});
            tick(rig.engine);
            ASSERT_TRUE(rig.engine.isControlling());
            rig.h.driver->restoreAnswer = noProxy();
        }
        rig.engine.applyHelperState(c.state, rig.engine.bumpHelperStateGeneration());
        rig.engine.selectProfile(FanProfile::appleAuto());
        EXPECT_EQ(rig.h.driver->restores.size(), c.restores);
        EXPECT_EQ(rig.engine.lastError().has_value(), c.error);
    }
}

TEST(FanTargets, TheRampStepsAtTheSpoolRateFromWhereTheFanIs) {
    struct Case {
        const char* edge;
        double spoolRate;
        std::vector<FanStatus> published;
        std::optional<double> rampedBefore;
        double target;
        double next;
    };
    const Case cases[] = {
        {"instant at 9000", 9000, {fan(0, 1200)}, std::nullopt, 3000, 3000},
        {"900 rpm/s from the published speed", 900, {fan(0, 1200)}, std::nullopt, 3000, 1290},
        {"down at 900 rpm/s", 900, {fan(0, 4000)}, std::nullopt, 3000, 3910},
        {"from the last ramped value", 900, {fan(0, 1200)}, 2000.0, 3000, 2090},
        {"a fan not published starts at its target", 900, {}, std::nullopt, 3000, 3000},
        {"a goal beyond the range stops at the maximum", 9000, {fan(0, 1200)}, std::nullopt, 7000, 5000},
        {"a goal below the range stops at the minimum", 9000, {fan(0, 2000)}, std::nullopt, 0, 1200},
        {"a speed that could not be read ramps nothing", 900, {fan(0, std::numeric_limits<double>::quiet_NaN())},
         std::nullopt, 3000, 3000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        Rig rig;
        rig.engine.setSpoolRate(c.spoolRate);
        rig.engine.publishFansIfChanged(pollOf(c.published, {}, false));
        if (c.rampedBefore) {
            rig.engine.setSpoolRate(ZephraneEngine::spoolRateInstant);
            rig.engine.rampTarget(0, *c.rampedBefore);
            rig.engine.setSpoolRate(c.spoolRate);
        }
        EXPECT_EQ(rig.engine.rampTarget(0, c.target), c.next);
        EXPECT_EQ(rig.engine.rampedTargets().at(0), c.next);
    }
}

TEST(FanTargets, WhileTheEngineHoldsTheFansAWriteTheHardwareAlreadyHasIsSkipped) {
    Rig rig;
    rig.engine.setManualFanTargets({{0, 3000}});
    rig.poll({fan(0, 2000, 1200, 5000, 2000, false)});
    tick(rig.engine);
    tick(rig.engine);
    EXPECT_EQ(rig.h.driver->writes.size(), 2u) << "not in manual mode yet: written each tick";

    rig.poll({fan(0, 2900, 1200, 5000, 3000.5, true)});
    tick(rig.engine);
    EXPECT_EQ(rig.h.driver->writes.size(), 2u) << "the fan has it, within 1 rpm";
    rig.poll({fan(0, 2900, 1200, 5000, 2998, true)});
    tick(rig.engine);
    EXPECT_EQ(rig.h.driver->writes.size(), 3u);
}

TEST(FanTargets, BeforeTheFirstSuccessfulWriteTheSameTargetIsSentEveryTick) {
    Rig rig;
    rig.engine.setManualFanTargets({{0, 3000}});
    rig.poll({fan(0, 3000, 1200, 5000, 3000, true)});
    rig.h.driver->writeScript = {noProxy(), noProxy(), noProxy()};
    for (int i = 0; i < 3; ++i) tick(rig.engine);
    EXPECT_EQ(rig.h.driver->writes.size(), 3u);
}

// The largest constant speed ramps to the fan's maximum and stays there: no
// conversion overflows, and once the fan has it nothing more is sent.
TEST(FanTargets, TheLargestConstantSpeedSettlesAtTheMaximum) {
    for (const auto& profile : {FanProfile::maxThermalBlast(),
                                FanProfile{Uuid::random(), "Lowest", ControlMode::constantRPM,
                                           std::numeric_limits<std::int64_t>::min(), "max", {}}}) {
        SCOPED_TRACE(profile.name);
        Rig rig(profile);
        rig.engine.setSpoolRate(900);
        const bool up = profile.constantTargetRPM > 0;
        double hardwareTarget = up ? 1200 : 5000;
        for (int i = 0; i < 60; ++i) {
            rig.poll({fan(0, hardwareTarget, 1200, 5000, hardwareTarget, i > 0)});
            tick(rig.engine);
            hardwareTarget = rig.engine.rampedTargets().at(0);
            rig.h.clock->advance(100ms);
        }
        EXPECT_EQ(hardwareTarget, up ? 5000 : 1200);
        const auto sent = rig.h.driver->writes.size();
        for (int i = 0; i < 10; ++i) tick(rig.engine);
        EXPECT_EQ(rig.h.driver->writes.size(), sent);
        for (const auto& w : rig.h.driver->writes) EXPECT_TRUE(w.rpm >= 1200 && w.rpm <= 5000) << w.rpm;
    }
}

TEST(FanTargets, AFanReportingItsBoundsOutOfOrderIsSkippedAndTheOtherFanWritten) {
    for (const auto& profile : {FanProfile::nimbraStandard(), FanProfile::maxThermalBlast()}) {
        SCOPED_TRACE(profile.name);
        Rig rig(profile);
        rig.poll({fan(0, 2000, 5000, 1200), fan(1, 2000)}, 70);
        tick(rig.engine);
        ASSERT_EQ(rig.h.driver->writes.size(), 1u);
        EXPECT_EQ(rig.h.driver->writes[0].fan, 1);
        EXPECT_FALSE(rig.engine.lastError());
        rig.engine.setManualFanTargets({{0, 3000}, {1, 3000}});
        tick(rig.engine);
        EXPECT_EQ(rig.h.driver->writes.back().fan, 1);
    }
}

TEST(FanTargets, ACurveProfileWithTooFewPointsRunsOnTheDefaultCurve) {
    struct Case {
        double celsius;
        double rpm;  // on a 1200...5000 rpm fan
    };
    const Case cases[] = {{40, 1200 + 0.2 * 3800}, {65, 1200 + 0.6 * 3800}, {90, 5000}, {20, 1200 + 0.2 * 3800}};
    for (std::size_t points : {0u, 1u}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(points) + " points at " + std::to_string(c.celsius));
            FanProfile sparse{Uuid::random(), "Sparse", ControlMode::adaptiveCurve, 0, "max", {}};
            if (points == 1) sparse.curvePoints.push_back(CurvePoint{Uuid::random(), 60, 0.9});
            Rig rig(sparse);
            rig.engine.rebuildControlPipeline();
            rig.poll({fan(0, 2000)}, c.celsius);
            tick(rig.engine);
            ASSERT_EQ(rig.h.driver->writes.size(), 1u);
            EXPECT_DOUBLE_EQ(rig.h.driver->writes[0].rpm, c.rpm);
        }
    }
}

TEST(FanTargets, TheDeadbandHoldsATargetAgainstSmallMoves) {
    Rig rig(FanProfile::nimbraStandard());
    rig.engine.setAcousticAlpha(1.0);  // no smoothing, so each step shows
    // 55 °C gives 0.35 of 1200...5000 = 2530 rpm; the curve climbs 76 rpm
    // per °C above 55 and 66.5 below.
    const auto targetAt = [&](double celsius) {
        rig.poll({fan(0, 2000)}, celsius);
        tick(rig.engine);
        return rig.h.driver->writes.back().rpm;
    };
    const double start = targetAt(55);
    EXPECT_DOUBLE_EQ(start, 2530);
    EXPECT_DOUBLE_EQ(targetAt(55.6), start) << "up 45.6 rpm: held";
    const double raised = targetAt(55.7);
    EXPECT_NEAR(raised, 2583.2, 1e-9) << "up 53.2 rpm: committed";
    EXPECT_DOUBLE_EQ(targetAt(53.7), raised) << "down 139.7 rpm: held";
    EXPECT_NEAR(targetAt(53.0), 2397, 1e-9) << "down 186.2 rpm: committed";
}

TEST(FanTargets, ACustomModesSpeedShapesTheCurve) {
    struct Case {
        const char* edge;
        ModeSpeed speed;
        double celsius;
        double fraction;
    };
    const Case cases[] = {
        {"fixed ignores the temperature", ModeSpeed::fixed(0.7), 30, 0.7},
        {"fixed, hot", ModeSpeed::fixed(0.7), 95, 0.7},
        {"a floor lifts a cool curve", ModeSpeed::floor(0.25), 30, 0.25},
        {"a floor leaves a hotter curve alone", ModeSpeed::floor(0.25), 70, 0.65},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        Rig rig(FanProfile::nimbraStandard());
        const CustomMode mode(Uuid::random(), "Mode", "flame.fill", c.speed, ModeSensor::source(ControlSource::hottest),
                              std::nullopt, false);
        rig.engine.setCustomModes({mode});
        rig.engine.setActiveCustomModeID(mode.id());
        rig.engine.rebuildControlPipeline();
        rig.poll({fan(0, 2000)}, c.celsius);
        tick(rig.engine);
        ASSERT_EQ(rig.h.driver->writes.size(), 1u);
        EXPECT_NEAR(rig.h.driver->writes[0].rpm, 1200 + c.fraction * 3800, 1e-6);
    }
}

}  // namespace
}  // namespace zephrane::enginetest
