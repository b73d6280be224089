// The engine's dust cycle: its writes and countdown, the drive it gives back
// at its end, its aborts, and the state the dashboard's card shows.
#include "DriveRulesRig.hpp"

namespace zephrane::enginetest {
namespace {

using namespace std::chrono_literals;

using State = DustCycleUIState;

State running(int seconds) { return {State::Running{seconds}}; }
const State kIdle{State::Idle{}};
const State kCompleted{State::Completed{}};
const State kAborted{State::Aborted{}};

// Ticks every `step` until `elapsed` has passed since now.
void tickFor(DriveRig& rig, std::chrono::milliseconds elapsed, std::chrono::milliseconds step = 1000ms) {
    for (auto passed = 0ms; passed < elapsed; passed += step) {
        rig.h.clock->advance(step);
        rig.tick();
    }
}

TEST(DustCycle, RunsThePatternOnEveryFanThenGivesThePresetBack) {
    DriveRig rig;
    rig.e().selectPreset(FanPreset::auto_);
    rig.e().startDustCycle();
    EXPECT_EQ(rig.e().dustCycleState(), running(25));
    EXPECT_EQ(rig.e().activePreset(), FanPreset::auto_) << "the drive itself stays as it was";

    rig.tick();
    EXPECT_EQ(rig.lastWrites(), (std::map<int, double>{{0, rpmAt(0.8)}, {1, rpmAt(0.8)}}));
    rig.h.clock->advance(3900ms);
    rig.tick();
    EXPECT_EQ(rig.e().dustCycleState(), running(22));
    EXPECT_EQ(rig.lastWrites(), (std::map<int, double>{{0, rpmAt(0.3)}, {1, rpmAt(0.3)}}));
    rig.h.clock->advance(24s - 3900ms);
    rig.tick();
    EXPECT_EQ(rig.e().dustCycleState(), running(1));

    rig.h.clock->advance(1s);
    rig.h.driver->writes.clear();
    rig.tick();
    EXPECT_EQ(rig.e().dustCycleState(), kCompleted);
    EXPECT_FALSE(rig.e().dustCycleStartedAt().has_value());
    EXPECT_EQ(rig.e().activePreset(), FanPreset::auto_);
    EXPECT_TRUE(rig.e().pipeline().has_value()) << "rebuilt";
    EXPECT_TRUE(rig.h.driver->writes.empty()) << "the curve takes over at the next tick";

    rig.h.clock->advance(1400ms);
    EXPECT_EQ(rig.e().dustCycleState(), kCompleted);
    rig.h.clock->advance(100ms);
    EXPECT_EQ(rig.e().dustCycleState(), kIdle);
}

TEST(DustCycle, AbortsAtItsTemperatureOrWithoutTheDaemon) {
    const struct {
        const char* cause;
        std::function<void(DriveRig&)> happen;
    } cases[] = {
        {"85 degrees", [](DriveRig& rig) { rig.poll(85); }},
        {"no daemon",
         [](DriveRig& rig) {
             rig.e().applyHelperState(HelperState::enabled(), rig.e().bumpHelperStateGeneration());
         }},
    };
    for (const auto& c : cases) {
        DriveRig rig;
        rig.e().selectPreset(FanPreset::quiet);
        rig.e().startDustCycle();
        tickFor(rig, 5s);
        ASSERT_EQ(rig.e().dustCycleState(), running(20)) << c.cause;
        c.happen(rig);
        rig.h.clock->advance(1s);
        rig.tick();
        EXPECT_EQ(rig.e().dustCycleState(), kAborted) << c.cause;
        EXPECT_FALSE(rig.e().dustCycleStartedAt().has_value()) << c.cause;
        EXPECT_EQ(rig.e().activePreset(), FanPreset::quiet) << c.cause;
        rig.h.clock->advance(1500ms);
        EXPECT_EQ(rig.e().dustCycleState(), kIdle) << c.cause;
    }
}

TEST(DustCycle, ACustomModeEndsOnItsProfileWithoutTheMode) {
    DriveRig rig;
    rig.e().addCustomMode(CustomMode(Uuid::random(), "Gaming", "fan", ModeSpeed::floor(0.3),
                                     ModeSensor::source(ControlSource::hottest), std::nullopt, false));
    rig.e().selectCustomMode(rig.e().customModes()[0].id());
    rig.e().startDustCycle();
    rig.tick();
    rig.e().cancelDustCycle();
    rig.e().cancelDustCycle();  // a second cancel changes nothing
    EXPECT_EQ(rig.e().activeProfile(), FanProfile::nimbraStandard());
    EXPECT_EQ(rig.e().activeCustomModeID(), std::nullopt);
    rig.h.clock->advance(1500ms);
    EXPECT_EQ(rig.e().dustCycleState(), kIdle);
}

TEST(DustCycle, DoesNotStartDuringManualControlAutoBoostOrAnotherCycle) {
    DriveRig manual;
    manual.e().setFanTarget(0, 3000);
    manual.e().startDustCycle();
    EXPECT_FALSE(manual.e().dustCycleStartedAt().has_value());

    DriveRig boosted;
    boosted.boostOnCpu();
    ASSERT_TRUE(boosted.e().isAutoBoostEngaged());
    boosted.e().startDustCycle();
    EXPECT_FALSE(boosted.e().dustCycleStartedAt().has_value());

    DriveRig twice;
    twice.e().startDustCycle();
    const auto startedAt = twice.e().dustCycleStartedAt();
    twice.h.clock->advance(2s);
    twice.e().startDustCycle();
    EXPECT_EQ(twice.e().dustCycleStartedAt(), startedAt);
}

// A drive the user (or a quiet or boost hand-off) picks while the cycle runs
// is the drive from then on: the cycle's end must not put back the one from
// before the cycle over it.
TEST(DustCycle, ANewDriveDuringTheCycleEndsItAndStays) {
    const struct {
        const char* drive;
        std::function<void(DriveRig&)> choose;
        std::function<void(DriveRig&)> expect;
    } cases[] = {
        {"a preset", [](DriveRig& rig) { rig.e().selectPreset(FanPreset::max); },
         [](DriveRig& rig) { EXPECT_EQ(rig.e().activePreset(), FanPreset::max); }},
        {"a built-in profile", [](DriveRig& rig) { rig.e().selectProfile(FanProfile::silentStealth()); },
         [](DriveRig& rig) { EXPECT_EQ(rig.e().activeProfile(), FanProfile::silentStealth()); }},
        {"Manual Lock", [](DriveRig& rig) { rig.e().setConstantRPM(4000); },
         [](DriveRig& rig) { EXPECT_EQ(rig.e().activeProfile()->name, "Manual Lock"); }},
        {"a manual target", [](DriveRig& rig) { rig.e().setFanTarget(1, 4500); },
         [](DriveRig& rig) { EXPECT_EQ(rig.e().manualTarget(1), 4500); }},
        {"the auto-boost's hand-off",
         [](DriveRig& rig) {
             rig.e().setAlertRule(SensorCategory::cpu, true, 80, true);
             rig.poll(82);  // hot, yet below the cycle's own limit
         },
         [](DriveRig& rig) {
             EXPECT_TRUE(rig.e().isAutoBoostEngaged());
             EXPECT_EQ(rig.e().activePreset(), FanPreset::max);
         }},
    };
    for (const auto& c : cases) {
        DriveRig rig;
        rig.e().selectPreset(FanPreset::quiet);
        rig.e().startDustCycle();
        tickFor(rig, 3s);
        c.choose(rig);
        tickFor(rig, 30s);
        EXPECT_FALSE(rig.e().dustCycleStartedAt().has_value()) << c.drive;
        EXPECT_EQ(rig.e().dustCycleState(), kIdle) << c.drive;
        c.expect(rig);
    }
}

// The result of one cycle is shown for its full moment even when an earlier
// cycle's reset comes due meanwhile, and a running countdown is never reset.
TEST(DustCycle, AResetClearsOnlyTheResultOfItsOwnCycle) {
    DriveRig rig;
    rig.e().startDustCycle();
    rig.tick();
    rig.e().cancelDustCycle();  // its reset is due 1.5 s from here

    rig.h.clock->advance(500ms);
    rig.e().startDustCycle();
    rig.h.clock->advance(500ms);
    rig.poll(90);
    rig.tick();  // the second cycle aborts at once
    ASSERT_EQ(rig.e().dustCycleState(), kAborted);
    rig.h.clock->advance(500ms);  // the first cycle's reset comes due
    EXPECT_EQ(rig.e().dustCycleState(), kAborted);
    rig.h.clock->advance(1000ms);
    EXPECT_EQ(rig.e().dustCycleState(), kIdle);

    rig.poll(50);
    rig.e().startDustCycle();
    rig.tick();
    rig.e().cancelDustCycle();
    rig.h.clock->advance(500ms);
    rig.e().startDustCycle();
    rig.h.clock->advance(1500ms);
    EXPECT_EQ(rig.e().dustCycleState(), running(25)) << "the new cycle's countdown stays";
}

TEST(DustCycle, APendingResetDoesNotOutliveTheEngine) {
    DriveRig rig;
    rig.e().startDustCycle();
    rig.e().cancelDustCycle();
    rig.h.destroyEngine();
    EXPECT_EQ(ZephraneEngine::tasksInFlight(), 0);
}

}  // namespace
}  // namespace zephrane::enginetest
