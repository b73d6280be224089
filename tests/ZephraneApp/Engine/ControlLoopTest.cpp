// The control loop: the order of one tick's steps, the once-a-second,
// 10 s and heat deadlines on the continuous clock, the per-tick evaluation
// of the readings, and the sleep that ends every tick.
#include <gtest/gtest.h>

#include "EngineHarness.hpp"

namespace zephrane::enginetest {
namespace {

void connectDaemon(ZephraneEngine& engine) {
    engine.applyHelperState(HelperState::connected(), engine.bumpHelperStateGeneration());
}

void tick(ZephraneEngine& engine) {
    auto task = engine.tickOnce();
    ASSERT_TRUE(task.isReady()) << "a tick over answering fakes runs to its end at once";
}

int count(const Journal& journal, const std::string& entry) {
    return static_cast<int>(std::count(journal.begin(), journal.end(), entry));
}

TEST(ControlLoop, OneTickRunsItsStepsInOrder) {
    EngineHarness h;
    h.services->firstResults = {pollOf({fan(0, 1500), fan(1, 1600)},
                                       {temperatureSensor("TC0P", "CPU Proximity", 60),
                                        temperatureSensor("TG0P", "GPU Proximity", 55, SensorCategory::gpu)})};
    auto& engine = h.make(FanProfile::maxThermalBlast());
    engine.setMeetingQuietEnabled(true);
    connectDaemon(engine);
    h.driver->bounds = {{0, {1200, 5000}}, {1, {1200, 5000}}};
    h.takeJournal();

    tick(engine);
    EXPECT_EQ(h.takeJournal(),
              (Journal{"poller0.poll", "power", "setClamshell false", "updatePowerTelemetry", "evaluateQuietHours",
                       "mic", "evaluateMeetingQuiet false", "load", "heat", "write 0 1590", "write 1 1690",
                       "alerts.update", "evaluateAlertRules 2", "evaluateFanHealth 2", "refreshMenuBarLabel"}));
}

TEST(ControlLoop, TheFirstTickRunsEveryBlockAndLaterTicksOnlyWhatIsDue) {
    EngineHarness h;
    h.services->firstResults = {pollOf({fan(0, 1500)})};
    auto& engine = h.make();
    engine.setMeetingQuietEnabled(true);
    engine.setDashboardVisible(true);
    h.takeJournal();

    tick(engine);
    Journal journal = h.takeJournal();
    EXPECT_EQ(count(journal, "power"), 1);
    EXPECT_EQ(count(journal, "mic"), 1);
    EXPECT_EQ(count(journal, "heat"), 1);

    // Ticks every 0.1 s for ten seconds: the second block once a second,
    // the microphone once more at 10 s, the heat (dashboard shown) at 8 s.
    for (int i = 0; i < 100; ++i) {
        h.clock->advance(100ms);
        tick(engine);
    }
    journal = h.takeJournal();
    EXPECT_EQ(count(journal, "power"), 10);
    EXPECT_EQ(count(journal, "load"), 10);
    EXPECT_EQ(count(journal, "evaluateQuietHours"), 10);
    EXPECT_EQ(count(journal, "mic"), 1);
    EXPECT_EQ(count(journal, "heat"), 1);
    EXPECT_EQ(count(journal, "refreshMenuBarLabel"), 100) << "the label on every tick";
}

TEST(ControlLoop, ADeadlineIsReArmedFromTheTickThatRanIt) {
    EngineHarness h;
    auto& engine = h.make();
    tick(engine);  // t = 0: deadline at 1 s
    h.takeJournal();
    h.clock->advance(1500ms);
    tick(engine);  // t = 1.5: runs, next at 2.5 (not 2.0)
    h.clock->advance(600ms);
    tick(engine);  // t = 2.1
    h.clock->advance(300ms);
    tick(engine);  // t = 2.4
    EXPECT_EQ(count(h.takeJournal(), "power"), 1);
    h.clock->advance(100ms);
    tick(engine);  // t = 2.5
    EXPECT_EQ(count(h.takeJournal(), "power"), 1);
}

TEST(ControlLoop, WithMeetingQuietOffTheMeetingCheckStillRunsButNeverProbes) {
    EngineHarness h;
    auto& engine = h.make();
    h.takeJournal();
    for (int second = 0; second <= 20; ++second) {
        tick(engine);
        h.clock->advance(1s);
    }
    const Journal journal = h.takeJournal();
    EXPECT_EQ(count(journal, "evaluateMeetingQuiet false"), 3) << "at 0, 10 and 20 s";
    EXPECT_EQ(count(journal, "mic"), 0);
}

TEST(ControlLoop, HeatIsSampledEvery8SecondsWhileTheDashboardShowsElseEvery60) {
    EngineHarness h;
    auto& engine = h.make();
    engine.setDashboardVisible(true);
    tick(engine);  // t = 0, next at 8
    engine.setMainWindowVisible(false);
    std::vector<int> sampledAt;
    for (int second = 1; second <= 70; ++second) {
        h.clock->advance(1s);
        const auto before = h.services->heat->sampledAt.size();
        tick(engine);
        if (h.services->heat->sampledAt.size() > before) sampledAt.push_back(second);
    }
    // Hiding the window kept the deadline already armed; the next is 60 s on.
    EXPECT_EQ(sampledAt, (std::vector<int>{8, 68}));
}

TEST(ControlLoop, TheHeatRankingsArePublishedOnlyWhenTheyChange) {
    EngineHarness h;
    auto& engine = h.make();
    h.services->heat->next.live = {HeatSource{"cc1plus", 0.8, 12, 42}};
    h.services->heat->next.today = {HeatSource{"cc1plus", 1.0, 300, 42}};
    int live = 0, today = 0;
    QObject::connect(&engine, &ZephraneEngine::heatSourcesChanged, [&] { ++live; });
    QObject::connect(&engine, &ZephraneEngine::dailyHeatSourcesChanged, [&] { ++today; });
    tick(engine);
    h.clock->advance(60s);
    tick(engine);
    EXPECT_EQ(engine.heatSources(), h.services->heat->next.live);
    EXPECT_EQ(engine.dailyHeatSources(), h.services->heat->next.today);
    EXPECT_EQ(live, 1);
    EXPECT_EQ(today, 1);
}

TEST(ControlLoop, TheSleepFollowsWhoHasTheFans) {
    EngineHarness h;
    auto& engine = h.make();
    const auto plan = [&](std::vector<FanStatus> fans) { return engine.sleepPlan(fans); };
    EXPECT_EQ(plan({fan(0, 1500)}), ZephraneEngine::slowSleep) << "the system's automatic control";
    EXPECT_EQ(ZephraneEngine::slowSleep, (ZephraneEngine::SleepPlan{1s, 100ms}));
    EXPECT_EQ(ZephraneEngine::fastSleep, (ZephraneEngine::SleepPlan{100ms, 0ms}));
    EXPECT_EQ(plan({fan(0, 1500, 1200, 5000, 3000, true)}), ZephraneEngine::fastSleep)
        << "a fan left in manual mode, even under automatic control";
    engine.setManualFanTargets({{0, 2000}});
    EXPECT_EQ(plan({}), ZephraneEngine::fastSleep) << "manual targets";
    engine.setManualFanTargets({});
    engine.selectProfile(FanProfile::silentStealth());
    EXPECT_EQ(plan({}), ZephraneEngine::fastSleep) << "a curve profile";
    engine.selectProfile(FanProfile::maxThermalBlast());
    EXPECT_EQ(plan({}), ZephraneEngine::fastSleep) << "a constant-speed profile";

    EngineHarness none;
    EXPECT_EQ(none.make(std::nullopt).sleepPlan({}), ZephraneEngine::slowSleep) << "no profile at all";
}

TEST(ControlLoop, TheLoopSleepsAfterEveryTickAndNeverSpins) {
    struct Case {
        const char* edge;
        std::deque<std::variant<SensorPoller::Result, std::exception_ptr>> polls;
    };
    const Case cases[] = {
        {"polls that answer at once", {pollOf({fan(0, 1500)})}},
        {"polls that fail", {stopped()}},
        {"no SMC at all", {SensorPoller::Result{}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        EngineHarness h;
        h.services->firstResults = c.polls;
        for (int i = 0; i < 5; ++i) h.services->firstResults.push_back(c.polls.front());
        auto& engine = h.make();
        engine.start();
        EXPECT_EQ(h.poller().polls, 1);
        ASSERT_EQ(h.clock->pendingSleeps(), 1u);
        EXPECT_EQ(h.clock->sleeps.back().deadline - h.clock->sleeps.back().requestedAt, 1s);
        EXPECT_EQ(h.clock->sleeps.back().tolerance, 100ms);
        h.clock->advance(999ms);
        EXPECT_EQ(h.poller().polls, 1);
        h.clock->advance(1ms);
        EXPECT_EQ(h.poller().polls, 2);
        h.clock->advance(3s);
        EXPECT_EQ(h.poller().polls, 5);
    }
}

TEST(ControlLoop, WhileTheAppDrivesTheFansTheLoopTicksTenTimesASecond) {
    EngineHarness h;
    h.services->firstResults = {pollOf({fan(0, 1500)})};
    auto& engine = h.make(FanProfile::nimbraStandard());
    engine.start();
    h.clock->advance(1s);
    EXPECT_EQ(h.poller().polls, 11);
    EXPECT_EQ(h.clock->sleeps.back().tolerance, 0ms);
}

TEST(ControlLoop, TheReadingsOfARefreshedTickAreRecordedAndJudged) {
    EngineHarness h;
    auto& engine = h.make();
    engine.setOverheatThreshold(85);
    h.poller().results = {pollOf({fan(0, 2500, 1200, 5000), fan(1, 4000, 1200, 5000)},
                                 {temperatureSensor("TC0P", "CPU Proximity", 70),
                                  temperatureSensor("TC1C", "TC1C", 95),  // unnamed: not a candidate
                                  temperatureSensor("TG0P", "GPU Proximity", 86, SensorCategory::gpu),
                                  temperatureSensor("TG1P", "GPU Cluster", 86, SensorCategory::gpu)})};
    tick(engine);

    const auto history = engine.telemetry().history();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].maxTemp, 86);
    EXPECT_EQ(history[0].fanRPM, 4000);
    EXPECT_EQ(history[0].systemWatts, engine.rawPowerTelemetry().systemWatts);
    EXPECT_DOUBLE_EQ(history[0].fanWatts, PowerTelemetry::fanWatts(2500, 5000) + PowerTelemetry::fanWatts(4000, 5000));
    EXPECT_EQ(history[0].timestamp, h.clock->wall);
    EXPECT_EQ(engine.lastMaxTempSample(), 86);
    EXPECT_TRUE(engine.isOverheating());
    ASSERT_EQ(h.services->alerts->updates.size(), 1u);
    EXPECT_TRUE(h.services->alerts->updates[0].isOverheating);
    EXPECT_EQ(h.services->alerts->updates[0].name, "GPU Proximity") << "the first of the hottest";
    EXPECT_EQ(h.services->alerts->updates[0].temp, 86);
    EXPECT_EQ(count(h.takeJournal(), "evaluateAlertRules 3"), 1) << "only the named sensors";
}

TEST(ControlLoop, WithNoNamedSensorTheHottestComesFromTheWholeListAndWithNoneAtAllItIsUnknown) {
    struct Case {
        const char* edge;
        SensorList sensors;
        double maxTemp;
        std::string name;
        int ruleSensors;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {"every sensor unnamed", {temperatureSensor("TC0P", "TC0P", 50), temperatureSensor("TC1P", "TC1P", 65)}, 65,
         "TC1P", 0},
        {"no sensor at all", {}, 0, "Unknown sensor", 0},
        {"a reading that is not a number", {temperatureSensor("TC0P", "CPU", nan)}, nan, "CPU", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        EngineHarness h;
        auto& engine = h.make();
        h.poller().results = {pollOf({}, c.sensors)};
        tick(engine);
        ASSERT_EQ(h.services->alerts->updates.size(), 1u);
        const auto& update = h.services->alerts->updates[0];
        EXPECT_FALSE(update.isOverheating);
        EXPECT_FALSE(engine.isOverheating());
        EXPECT_EQ(update.name, c.name);
        if (std::isnan(c.maxTemp))
            EXPECT_TRUE(std::isnan(update.temp));
        else
            EXPECT_EQ(update.temp, c.maxTemp);
        EXPECT_EQ(count(h.takeJournal(), "evaluateAlertRules " + std::to_string(c.ruleSensors)), 1);
    }
}

TEST(ControlLoop, ATickWithoutFreshSensorsJudgesOnlyTheFansAndRecordsNothing) {
    EngineHarness h;
    auto& engine = h.make();
    h.poller().results = {pollOf({fan(0, 1500)}, {temperatureSensor("TC0P", "CPU", 60)}, false)};
    h.takeJournal();
    tick(engine);
    const Journal journal = h.takeJournal();
    EXPECT_TRUE(engine.telemetry().history().empty());
    EXPECT_TRUE(h.services->alerts->updates.empty());
    EXPECT_EQ(count(journal, "evaluateFanHealth 1"), 1);
    EXPECT_EQ(count(journal, "refreshMenuBarLabel"), 1);
}

TEST(ControlLoop, AFailedPollEndsTheTickWithoutPublishingOrJudging) {
    EngineHarness h;
    auto& engine = h.make();
    h.poller().results = {pollOf({fan(0, 1500)}), stopped()};
    tick(engine);
    const auto fans = engine.fans();
    h.takeJournal();
    tick(engine);
    EXPECT_EQ(h.takeJournal(), (Journal{"poller0.poll"}));
    EXPECT_EQ(engine.fans(), fans);
}

}  // namespace
}  // namespace zephrane::enginetest
