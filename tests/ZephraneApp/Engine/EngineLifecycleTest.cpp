// The engine object: what it holds when made, the order it makes its
// services in, start() and stop(), and going away with work still out.

#include <gtest/gtest.h>

#include "EngineHarness.hpp"

namespace zephrane::enginetest {
namespace {

namespace key = settings::key;

Journal only(const Journal& journal, std::string_view prefix) {
    Journal picked;
    for (const auto& entry : journal)
        if (entry.starts_with(prefix)) picked.push_back(entry);
    return picked;
}

TEST(EngineLifecycle, MadeWithEveryMemberAtItsInitialValueAndTheServicesInOrder) {
    EngineHarness h;
    auto& engine = h.make();

    EXPECT_EQ(only(h.takeJournal(), "make "),
              (Journal{"make alerts", "make pinned store", "make load sampler", "make heat sampler", "make poller0",
                       "make power observer", "make microphone", "make history writer"}));
    EXPECT_EQ(engine.helperState(), HelperState::notRegistered());
    EXPECT_FALSE(engine.activePreset());
    EXPECT_EQ(engine.activeProfile(), FanProfile::appleAuto());
    EXPECT_EQ(engine.dustCycleState(), DustCycleUIState{});
    EXPECT_EQ(engine.thermalTrend(), ThermalTrend::steady());
    EXPECT_TRUE(engine.mainWindowVisible());
    EXPECT_FALSE(engine.dashboardVisible());
    EXPECT_FALSE(engine.smcAvailable());
    EXPECT_TRUE(engine.fans().empty());
    EXPECT_FALSE(engine.pipeline());
    EXPECT_FALSE(engine.isControlling());
    EXPECT_FALSE(engine.isLoopRunning());
    EXPECT_EQ(engine.acousticAlpha(), 0.35);
    EXPECT_TRUE(engine.autoSwitchOnBattery());
    EXPECT_FALSE(engine.meetingDriver().wasActive.value_or(true));
    EXPECT_FALSE(engine.quietHoursDriver().wasActive.has_value());
    // The poller reads through the driver's own read connection.
    EXPECT_EQ(h.services->pollerBridges.at(0), h.driver->bridge);
    EXPECT_EQ(h.driver->handlerInstalls, 1);
    // Nothing ran: no poll, no write, no daemon call.
    EXPECT_EQ(h.poller().polls, 0);
    EXPECT_TRUE(h.driver->writes.empty());
    EXPECT_TRUE(h.driver->connects.empty());
}

// Views bind to the engine by property name: every property reads through
// the meta-object system and has a change signal.
TEST(EngineLifecycle, PinnedSensorsAndTheAlertUnitComeFromStorageAtCreation) {
    EngineHarness h;
    h.services->pinnedAtLaunch = {"TC0P", "Tg05"};
    h.settings->setBool(key::useFahrenheit, true);
    h.settings->setString(key::accentChoice, "teal");
    auto& engine = h.make();
    EXPECT_EQ(engine.pinnedSensorKeys(), (SensorKeySet{"TC0P", "Tg05"}));
    EXPECT_TRUE(h.services->alerts->useFahrenheit);
    EXPECT_EQ(engine.accentChoice(), Theme::AccentChoice::teal);
}

TEST(EngineLifecycle, AStoredCustomModeSurvivesOnlyALaunchOnTheCurveProfile) {
    const std::string stored = "6A1F0C2E-0000-4000-8000-00000000ABCD";
    struct Case {
        const char* edge;
        OptionalProfile profile;
        bool keepsMode;
    };
    const Case cases[] = {
        {"automatic control, as the app launches", FanProfile::appleAuto(), false},
        {"no profile at all", std::nullopt, false},
        {"a constant-speed profile", FanProfile::maxThermalBlast(), false},
        {"the balanced curve", FanProfile::nimbraStandard(), true},
        {"another curve profile", FanProfile::silentStealth(), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        EngineHarness h;
        h.settings->setString(key::activeCustomModeID, stored);
        auto& engine = h.make(c.profile);
        EXPECT_EQ(engine.activeCustomModeID().has_value(), c.keepsMode);
        EXPECT_EQ(h.settings->contains(key::activeCustomModeID), c.keepsMode);
    }
}

TEST(EngineLifecycle, StartTwiceStartsOneLoopOneObserverAndOneDiscovery) {
    EngineHarness h;
    auto& engine = h.make();
    engine.start();
    engine.start();
    EXPECT_TRUE(engine.isLoopRunning());
    EXPECT_EQ(h.poller().discoveries, 1);
    EXPECT_EQ(h.services->workloadObservers.size(), 1u);
    EXPECT_EQ(h.driver->connects.size(), 1u);
    EXPECT_EQ(h.poller().polls, 1) << "the first tick runs at once";
    EXPECT_EQ(h.clock->pendingSleeps(), 1u);
    // Discovery, then the daemon state, then the observer, then the loop.
    const Journal journal = h.takeJournal();
    const auto at = [&](const std::string& entry) {
        return std::find(journal.begin(), journal.end(), entry) - journal.begin();
    };
    EXPECT_LT(at("poller0.discover"), at("connect"));
    EXPECT_LT(at("connect"), at("workload.start"));
    EXPECT_LT(at("workload.start"), at("poller0.poll"));
    // The first daemon state is applied under its generation.
    EXPECT_EQ(engine.helperState(), HelperState::connected());
}

TEST(EngineLifecycle, StopEndsTheLoopAfterTheTickInProgressAndAStartAfterItRunsANewOne) {
    EngineHarness h;
    auto& engine = h.make();
    engine.start();
    h.poller().holdPolls = true;
    h.clock->advance(1s);
    ASSERT_EQ(h.poller().heldPolls.size(), 1u) << "the second tick waits for its poll";

    auto stopping = engine.stop();
    EXPECT_FALSE(stopping.isReady()) << "stop() waits for the tick in progress";
    EXPECT_FALSE(engine.isLoopRunning());
    EXPECT_FALSE(h.services->workloadObservers.at(0)->running);

    h.poller().heldPolls.at(0)->resolve(pollOf({}));
    EXPECT_TRUE(stopping.isReady()) << "the sleep after the tick returns at once and the loop ends";
    const int polls = h.poller().polls;
    h.clock->advance(10s);
    EXPECT_EQ(h.poller().polls, polls) << "no tick after stop()";

    h.poller().holdPolls = false;
    engine.start();
    EXPECT_EQ(h.poller().polls, polls + 1);
    EXPECT_EQ(h.services->workloadObservers.size(), 2u);
}

TEST(EngineLifecycle, StopWhileAsleepEndsAtOnce) {
    EngineHarness h;
    auto& engine = h.make();
    engine.start();
    ASSERT_EQ(h.clock->pendingSleeps(), 1u);
    auto stopping = engine.stop();
    EXPECT_TRUE(stopping.isReady());
    EXPECT_EQ(h.clock->pendingSleeps(), 0u);
}

TEST(EngineLifecycle, DestroyedWhileEveryKindOfCallIsOutLeavesNothingRunning) {
    // A write, a daemon refresh and an SMC reopen are all out when the
    // engine goes; each ends without touching it.
    EngineHarness h;
    h.driver->holdReopen = true;
    h.driver->writeAnswer = [](int, double) -> Answer<double> { return hold; };
    h.services->firstResults = {SensorPoller::Result{}, pollOf({fan(0, 1500)})};
    auto& engine = h.make(FanProfile::maxThermalBlast());
    engine.start();  // the first poll finds no SMC: a reopen goes out
    ASSERT_EQ(h.driver->reopens.size(), 1u);
    h.clock->advance(100ms);  // the second tick's write goes out
    ASSERT_EQ(h.driver->pendingWrites().size(), 1u);
    h.driver->connectAnswer = hold;
    engine.requestTickHelperRefresh();
    ASSERT_EQ(h.driver->connects.size(), 2u);

    EXPECT_GE(ZephraneEngine::tasksInFlight(), 3);
    h.destroyEngine();
    EXPECT_EQ(ZephraneEngine::tasksInFlight(), 0);
}

TEST(EngineLifecycle, ALossReportedFromTheDriversThreadReachesTheEngineOnItsOwnThread) {
    EngineHarness h;
    h.make();
    h.takeJournal();
    h.driver->loseConnection();
    EXPECT_TRUE(h.takeJournal().empty()) << "not on the driver's thread";
    EXPECT_TRUE(eventually([&] { return !h.journal->empty(); }));
    EXPECT_EQ(h.takeJournal(), (Journal{"handleHelperConnectionLoss", "connect", "version"}))
        << "the state is asked for; connected, the daemon's version too";

    // Once the engine is gone, a late report finds nobody and does nothing.
    h.driver->loseConnection();
    h.destroyEngine();
    QCoreApplication::processEvents();
    h.driver->loseConnection();
    QCoreApplication::processEvents();
    EXPECT_TRUE(h.takeJournal().empty());
}

TEST(EngineLifecycle, MainWindowVisibilityReachesThePollerOnlyOnAChange) {
    EngineHarness h;
    auto& engine = h.make();
    engine.setMainWindowVisible(true);
    EXPECT_TRUE(h.poller().visibilityCalls.empty()) << "already visible";
    engine.setMainWindowVisible(false);
    engine.setMainWindowVisible(false);
    engine.setMainWindowVisible(true);
    EXPECT_EQ(h.poller().visibilityCalls, (std::vector<bool>{false, true}));
}

TEST(EngineLifecycle, WithoutAnSMCTheEngineIsStillMadeAndItsPollerReadsNothing) {
    EngineHarness h;
    h.driver->bridge = nullptr;
    auto& engine = h.make();
    EXPECT_EQ(h.services->pollerBridges.at(0), nullptr);
    EXPECT_FALSE(engine.smcAvailable());
}

}  // namespace
}  // namespace zephrane::enginetest

namespace zephrane::enginetest {
namespace {

TEST(EngineLifecycle, TheControlSourceCaptionFollowsWhoDrivesTheFansAndSignalsOnlyAChange) {
    EngineHarness h;
    auto& engine = h.make();
    int changes = 0;
    QObject::connect(&engine, &ZephraneEngine::controlSourceCaptionChanged, [&changes] { ++changes; });
    EXPECT_EQ(engine.controlSourceCaption(), "macOS automatic control");
    engine.selectProfile(FanProfile::maxThermalBlast());
    EXPECT_EQ(engine.controlSourceCaption(), "Max cooling");
    engine.setManualFanTargets({{0, 3000}});
    EXPECT_EQ(engine.controlSourceCaption(), "Manual control");
    engine.setManualFanTargets({{0, 3500}});
    EXPECT_EQ(changes, 2) << "another manual target says the same";
}

}  // namespace
}  // namespace zephrane::enginetest
