// Fan health: what the engine feeds the monitor on each tick, the warnings it
// publishes and the notifications it sends, named the way every screen names
// the fans.
#include <limits>

#include <gtest/gtest.h>

#include "EngineHarness.hpp"

namespace zephrane::enginetest {
namespace {

using Warning = FanHealthMonitor::Warning;
using Rule = FakeAlerts::Rule;

// An engine driving every fan at full speed (the Max profile) through a
// connected daemon, spooling instantly; the test sets what the fans report.
struct Rig {
    explicit Rig(OptionalProfile profile = FanProfile::maxThermalBlast()) : engine(h.make(std::move(profile))) {
        engine.applyHelperState(HelperState::connected(), engine.bumpHelperStateGeneration());
        engine.setSpoolRate(ZephraneEngine::spoolRateInstant);
    }
    void report(std::vector<FanStatus> fans) { h.poller().results = {pollOf(std::move(fans))}; }
    // Ticks once a second for `seconds` seconds.
    void run(int seconds) {
        for (int i = 0; i < seconds; ++i) {
            ASSERT_TRUE(engine.tickOnce().isReady());
            h.clock->advance(1s);
        }
    }
    std::vector<Rule> rules() const { return h.services->alerts->rules; }
    EngineHarness h;
    ZephraneEngine& engine;
};

TEST(FanHealth, AStalledFanIsWarnedAboutOnceAndTheWarningClearsWhenItTurnsAgain) {
    Rig rig;
    rig.h.driver->bounds = {{0, {1200, 5000}}, {1, {1200, 5000}}};
    rig.report({fan(0, 0), fan(1, 5000)});
    rig.run(19);
    EXPECT_TRUE(rig.engine.fanHealthWarnings().empty()) << "not yet 20 s";
    rig.run(5);
    EXPECT_EQ(rig.engine.fanHealthWarnings(), (FanWarningTable{{0, Warning::stalled}}));
    EXPECT_EQ(rig.rules(), (std::vector<Rule>{{"fanhealth.0", true, "Brumalune: Fan May Have Failed",
                                               "Left Fan is commanded to 5 000 RPM but isn't spinning."}}));

    rig.report({fan(0, 4900), fan(1, 5000)});
    rig.run(1);
    EXPECT_TRUE(rig.engine.fanHealthWarnings().empty());
    ASSERT_EQ(rig.rules().size(), 2u);
    EXPECT_EQ(rig.rules()[1].key, "fanhealth.0");
    EXPECT_FALSE(rig.rules()[1].isTriggered) << "forgotten without a notification, so a new failure notifies";
}

TEST(FanHealth, AFanWellBelowItsCommandIsReportedObstructedWithBothSpeeds) {
    struct Case {
        const char* edge;
        std::vector<FanStatus> fans;
        int slowFan;
        std::string name;
    };
    const Case cases[] = {
        {"one fan", {fan(0, 3000.7)}, 0, "Fan"},
        {"two fans", {fan(1, 3000.7), fan(0, 5000)}, 1, "Right Fan"},
        {"three fans", {fan(0, 5000), fan(1, 5000), fan(2, 3000.7)}, 2, "Fan 3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        Rig rig;
        for (const auto& f : c.fans) rig.h.driver->bounds[static_cast<int>(f.id)] = {1200, 5000};
        rig.report(c.fans);
        rig.run(95);
        EXPECT_EQ(rig.engine.fanHealthWarnings(), (FanWarningTable{{c.slowFan, Warning::underperforming}}));
        EXPECT_EQ(rig.rules(),
                  (std::vector<Rule>{{"fanhealth." + std::to_string(c.slowFan), true,
                                      "Brumalune: Fan May Be Obstructed",
                                      c.name + " only reaches 3 000 of 5 000 RPM. Dust or an obstruction may be "
                                               "limiting it."}}));
    }
}

TEST(FanHealth, NothingIsJudgedWhileTheEngineDoesNotCommandTheFans) {
    struct Case {
        const char* edge;
        std::function<void(Rig&)> setUp;
    };
    const Case cases[] = {
        {"automatic control", [](Rig&) {}},
        {"warnings turned off", [](Rig& rig) { rig.engine.setFanHealthWarningsEnabled(false); }},
        {"speed reading invalid", [](Rig& rig) {
             FanStatus stopped = fan(0, 0);
             stopped.currentRPMValid = false;
             rig.report({stopped});
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        Rig rig(std::string_view(c.edge) == "automatic control" ? FanProfile::appleAuto() : FanProfile::maxThermalBlast());
        rig.h.driver->bounds = {{0, {1200, 5000}}};
        rig.report({fan(0, 0)});
        c.setUp(rig);
        rig.run(30);
        EXPECT_TRUE(rig.engine.fanHealthWarnings().empty());
        EXPECT_TRUE(rig.rules().empty());
    }
}

TEST(FanHealth, TurningWarningsOffDropsEveryWarningAndTheMonitorsHistory) {
    Rig rig;
    rig.h.driver->bounds = {{0, {1200, 5000}}};
    rig.report({fan(0, 0)});
    rig.run(25);
    ASSERT_FALSE(rig.engine.fanHealthWarnings().empty());
    rig.engine.setFanHealthWarningsEnabled(false);
    EXPECT_TRUE(rig.engine.fanHealthWarnings().empty());
    rig.engine.setFanHealthWarningsEnabled(true);
    rig.run(19);
    EXPECT_TRUE(rig.engine.fanHealthWarnings().empty()) << "judged from scratch";
    rig.run(2);
    EXPECT_FALSE(rig.engine.fanHealthWarnings().empty());
}

TEST(FanHealth, AManualTargetIsNamedInTheMessageAsAWholeGroupedNumber) {
    Rig rig(FanProfile::appleAuto());
    rig.h.driver->bounds = {{0, {1000, 5000}}};
    rig.report({fan(0, 0, 1000, 5000)});
    rig.engine.setManualFanTargets({{0, 1234.9}});
    rig.run(25);
    ASSERT_FALSE(rig.rules().empty());
    EXPECT_EQ(rig.rules()[0].message, "Fan is commanded to 1 234 RPM but isn't spinning.");
}

// The Max profile asks for the largest 64-bit integer; a fan whose maximum
// cannot be read keeps that in its ramp after a failed write. A fan turning
// at full speed must not be called obstructed for falling short of it.
TEST(FanHealth, AFailedWriteAtFullSpeedRaisesNoObstructedWarning) {
    Rig rig;
    const double unreadable = std::numeric_limits<double>::infinity();
    rig.report({fan(0, 5000, 1200, unreadable)});
    rig.h.driver->writeScript = {5000.0};
    rig.h.driver->writeAnswer = [](int, double) -> Answer<double> {
        return daemonError(3, "rejected: above the fan's maximum");
    };
    rig.run(120);
    ASSERT_TRUE(rig.engine.isControlling());
    ASSERT_GT(rig.engine.rampedTargets().at(0), 1e18) << "what the failed writes left";
    EXPECT_TRUE(rig.engine.fanHealthWarnings().empty());
    EXPECT_TRUE(rig.rules().empty());
}

TEST(FanHealth, EveryRPMFigureInANotificationSaturates) {
    struct Case {
        double rpm;
        std::string text;
    };
    const Case cases[] = {
        {1234.9, "1 234"},
        {0, "0"},
        {9.3e18, "9 223 372 036 854 775 807"},
        {std::numeric_limits<double>::infinity(), "9 223 372 036 854 775 807"},
        {-std::numeric_limits<double>::infinity(), "-9 223 372 036 854 775 808"},
        {std::numeric_limits<double>::quiet_NaN(), "--"},
    };
    for (const auto& c : cases) EXPECT_EQ(ZephraneEngine::notificationRPMText(c.rpm), c.text) << c.rpm;
}

}  // namespace
}  // namespace zephrane::enginetest
