// Overheating, the per-category alert rules and auto-boost, also against
// quiet hours and the user's own choices.
#include "DriveRulesRig.hpp"

namespace zephrane::enginetest {
namespace {

SMCSensor cpuAt(double celsius) { return temperatureSensor("TC0P", "CPU Proximity", celsius); }
SMCSensor gpuAt(double celsius) {
    return temperatureSensor("TG0P", "GPU Proximity", celsius, SensorCategory::gpu);
}

void boostOn(DriveRig& rig, SensorCategory category, double threshold = 95) {
    rig.e().setAlertRule(category, true, threshold, true);
}

TEST(AlertRules, TheDefaultRulesNeitherNotifyNorBoost) {
    DriveRig rig;
    rig.pollSensors({cpuAt(120), gpuAt(120)});
    rig.second();
    EXPECT_TRUE(rig.h.services->alerts->rules.empty());
    EXPECT_FALSE(rig.e().isAutoBoostEngaged());
}

TEST(AlertRules, ABoostingRuleNotifiesHoldsMaxAndGivesThePresetBack) {
    DriveRig rig;
    rig.e().selectPreset(FanPreset::auto_);
    rig.boostOnCpu(95.0);
    ASSERT_EQ(rig.h.services->alerts->rules.size(), 1u);
    const auto& update = rig.h.services->alerts->rules.front();
    EXPECT_EQ(update.key, "group.cpu");
    EXPECT_TRUE(update.isTriggered);
    EXPECT_EQ(update.title, "Brumalune: CPU Hot");
    EXPECT_EQ(update.message, "CPU Proximity is running hot at 95°C");
    EXPECT_TRUE(rig.e().isAutoBoostEngaged());
    EXPECT_EQ(rig.e().activePreset(), FanPreset::max);
    EXPECT_EQ(rig.e().autoBoostHolders(), std::set<SensorCategory>{SensorCategory::cpu});

    rig.second();  // still hot: nothing new
    EXPECT_EQ(rig.e().presetBeforeAutoBoost(), FanPreset::auto_);

    rig.poll(94.9);
    rig.second();
    EXPECT_FALSE(rig.e().isAutoBoostEngaged());
    EXPECT_EQ(rig.e().activePreset(), FanPreset::auto_);
    EXPECT_FALSE(rig.h.services->alerts->rules.back().isTriggered);
}

TEST(AlertRules, TheBoostLastsUntilItsLastHolderCools) {
    DriveRig rig;
    rig.e().selectPreset(FanPreset::quiet);
    boostOn(rig, SensorCategory::cpu);
    boostOn(rig, SensorCategory::gpu);
    rig.pollSensors({cpuAt(96), gpuAt(96)});
    rig.second();
    EXPECT_EQ(rig.e().autoBoostHolders(), (std::set<SensorCategory>{SensorCategory::cpu, SensorCategory::gpu}));
    rig.pollSensors({cpuAt(60), gpuAt(96)});
    rig.second();
    EXPECT_TRUE(rig.e().isAutoBoostEngaged());
    rig.pollSensors({cpuAt(60), gpuAt(60)});
    rig.second();
    EXPECT_FALSE(rig.e().isAutoBoostEngaged());
    EXPECT_EQ(rig.e().activePreset(), FanPreset::quiet);
}

TEST(AlertRules, TurningARuleOffOrItsBoostOffReleasesItsHold) {
    const struct {
        const char* change;
        std::optional<bool> enabled, autoBoost;
    } cases[] = {{"disabled", false, std::nullopt}, {"boost off", std::nullopt, false}};
    for (const auto& c : cases) {
        DriveRig rig;
        rig.e().selectPreset(FanPreset::auto_);
        rig.boostOnCpu();
        ASSERT_TRUE(rig.e().isAutoBoostEngaged()) << c.change;
        rig.e().setAlertRule(SensorCategory::cpu, c.enabled, std::nullopt, c.autoBoost);
        rig.second();
        EXPECT_FALSE(rig.e().isAutoBoostEngaged()) << c.change;
        EXPECT_EQ(rig.e().activePreset(), FanPreset::auto_) << c.change;
    }
}

// With the SMC gone the category has no sensor at all: it cannot count as
// hot, or its hold would keep the fans at full speed with nothing to end it.
TEST(AlertRules, AHolderWhoseSensorsAreGoneLetsGo) {
    DriveRig rig;
    rig.e().selectPreset(FanPreset::quiet);
    rig.boostOnCpu();
    ASSERT_TRUE(rig.e().isAutoBoostEngaged());
    rig.pollSensors({});
    rig.second();
    EXPECT_FALSE(rig.e().isAutoBoostEngaged());
    EXPECT_EQ(rig.e().activePreset(), FanPreset::quiet);

    rig.poll(96);  // back and still hot: a new rise
    rig.second();
    EXPECT_TRUE(rig.e().isAutoBoostEngaged());
}

TEST(AlertRules, AUsersPresetEndsTheBoostWhichMayEngageAgainRememberingIt) {
    DriveRig rig;
    rig.e().selectPreset(FanPreset::auto_);
    rig.boostOnCpu();
    rig.e().selectPreset(FanPreset::quiet);
    EXPECT_FALSE(rig.e().isAutoBoostEngaged());
    EXPECT_TRUE(rig.e().ruleTriggerState().empty());
    EXPECT_EQ(rig.e().presetBeforeAutoBoost(), std::nullopt) << "nothing to give back";

    rig.second();
    EXPECT_TRUE(rig.e().isAutoBoostEngaged()) << "still hot: a rise again";
    EXPECT_EQ(rig.e().presetBeforeAutoBoost(), FanPreset::quiet);
}

TEST(AlertRules, ACapEditDuringTheBoostKeepsIt) {
    DriveRig rig;
    rig.boostOnCpu();
    ASSERT_EQ(rig.e().activePreset(), FanPreset::max);
    rig.e().setPresetCap(FanPreset::max, 0.5, 0.5);
    rig.e().resetPresetPowerCaps();
    EXPECT_TRUE(rig.e().isAutoBoostEngaged());
    EXPECT_EQ(rig.e().activeProfile(), FanProfile::maxThermalBlast());
}

TEST(AlertRules, WithoutFansARuleNotifiesButDoesNotBoostUntilItRisesAgain) {
    DriveRig rig(FanProfile::appleAuto(), /*readFans=*/false);
    boostOn(rig, SensorCategory::cpu);
    rig.h.poller().results = {pollOf({}, {cpuAt(96)})};
    rig.tick();
    EXPECT_EQ(rig.h.services->alerts->rules.size(), 1u);
    EXPECT_FALSE(rig.e().isAutoBoostEngaged());
    EXPECT_TRUE(rig.e().autoBoostHolders().empty());
    EXPECT_EQ(rig.e().ruleTriggerState().at(SensorCategory::cpu), true);

    rig.poll(96);  // fans now, the rule still up: no new rise
    rig.second();
    EXPECT_FALSE(rig.e().isAutoBoostEngaged());
}

// A tick that reads no sensor of the category passes the rule by: a rule
// that rose with no fans to boost stays risen, and does not boost when the
// fans and its sensor come back still hot.
TEST(AlertRules, ARiseWithoutFansOutlastsATickWithoutTheSensor) {
    DriveRig rig(FanProfile::appleAuto(), /*readFans=*/false);
    boostOn(rig, SensorCategory::cpu);
    rig.h.poller().results = {pollOf({}, {cpuAt(96)})};
    rig.tick();
    ASSERT_FALSE(rig.e().isAutoBoostEngaged());

    rig.h.poller().results = {pollOf({}, {})};
    rig.second();
    EXPECT_EQ(rig.e().ruleTriggerState(), (std::map<SensorCategory, bool>{{SensorCategory::cpu, true}}));

    rig.poll(96);
    rig.second();
    EXPECT_FALSE(rig.e().isAutoBoostEngaged());
    EXPECT_TRUE(rig.e().autoBoostHolders().empty());
}

TEST(AutoBoostAndQuietHours, TheBoostOutranksTheWindowAndGivesBackWhatIsStillDue) {
    // Released inside the window: quiet again, quiet hours keep their memory.
    DriveRig inside = quietHoursRig();
    inside.e().selectPreset(FanPreset::auto_);
    inside.tickAt(22, 0);
    ASSERT_EQ(inside.e().activePreset(), FanPreset::quiet);
    boostOn(inside, SensorCategory::cpu);
    inside.poll(96);
    inside.tickAt(23, 0);
    ASSERT_TRUE(inside.e().isAutoBoostEngaged());
    EXPECT_TRUE(inside.e().autoBoostPreemptedQuietHours());
    EXPECT_TRUE(inside.e().quietHoursDriver().hasMemory) << "the boost is no override";
    inside.poll(60);
    inside.tickAt(23, 1);
    EXPECT_EQ(inside.e().activePreset(), FanPreset::quiet);
    EXPECT_TRUE(inside.e().quietHoursDriver().hasMemory);
    inside.tickAt(8, 0);
    EXPECT_EQ(inside.e().activePreset(), FanPreset::auto_);

    // The window ends during the boost: neither quiet nor the preset from
    // before the window, but the system's control.
    DriveRig ended = quietHoursRig();
    ended.e().selectPreset(FanPreset::auto_);
    ended.tickAt(22, 0);
    boostOn(ended, SensorCategory::cpu);
    ended.poll(96);
    ended.tickAt(7, 0);
    ASSERT_TRUE(ended.e().isAutoBoostEngaged());
    ended.tickAt(8, 0);
    EXPECT_EQ(ended.e().activePreset(), FanPreset::max) << "no give-back while the boost holds";
    ended.poll(60);
    ended.tickAt(8, 1);
    EXPECT_FALSE(ended.e().isAutoBoostEngaged());
    EXPECT_EQ(ended.e().activePreset(), std::nullopt);
    EXPECT_EQ(ended.e().activeProfile(), FanProfile::appleAuto());
    EXPECT_EQ(ended.e().quietHoursDriver(), QuietDriverState{});
}

TEST(Overheat, FollowsTheHottestSensorAndAThresholdChangeAtOnce) {
    DriveRig rig;
    rig.pollSensors({cpuAt(80), gpuAt(88)});
    rig.second();
    EXPECT_EQ(rig.e().lastMaxTempSample(), 88);
    EXPECT_FALSE(rig.e().isOverheating());
    EXPECT_EQ(rig.h.services->alerts->updates.back().name, "GPU Proximity");

    rig.e().setOverheatThreshold(85);
    EXPECT_TRUE(rig.e().isOverheating()) << "before the next tick";

    rig.pollSensors({});
    rig.second();
    EXPECT_EQ(rig.e().lastMaxTempSample(), 0);
    EXPECT_FALSE(rig.e().isOverheating());
    EXPECT_EQ(rig.h.services->alerts->updates.back().name, "Unknown sensor");
}

}  // namespace
}  // namespace zephrane::enginetest
