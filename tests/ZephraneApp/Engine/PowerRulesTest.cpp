// The once-a-second power reading: the lid's extra floor, the published
// power figures, the active preset's AC and battery caps, and the automatic
// move to the quiet built-in profile on battery.
#include "DriveRulesRig.hpp"

namespace zephrane::enginetest {
namespace {

using Curve = std::vector<std::pair<double, double>>;

const Curve kQuietOnAC{{40, 0}, {60, 0.25}, {75, 0.5}, {90, 0.55}};
const Curve kQuietOnBattery{{40, 0}, {60, 0.25}, {75, 0.35}, {90, 0.35}};

TEST(PowerRules, AClosedLidRaisesTheCurvesFloor) {
    DriveRig rig;
    rig.e().setAcousticAlpha(1.0);
    rig.e().selectPreset(FanPreset::auto_);
    rig.poll(30);  // below the curve's first point: the floor alone decides
    rig.second();
    EXPECT_EQ(rig.lastWrites(), (std::map<int, double>{{0, kMinRPM}, {1, kMinRPM}}));

    rig.setLid(true);
    rig.second();
    EXPECT_TRUE(rig.e().isClamshell());
    EXPECT_EQ(rig.e().clamshellBoost(), 0.1);
    EXPECT_TRUE(rig.e().powerTelemetry().isClamshell) << "the reading carries the engine's lid state";
    EXPECT_DOUBLE_EQ(rig.lastWrites().at(0), rpmAt(0.1));

    rig.setLid(false);
    rig.second();
    EXPECT_EQ(rig.e().clamshellBoost(), 0.0);
    EXPECT_DOUBLE_EQ(rig.lastWrites().at(0), kMinRPM);
}

TEST(PowerRules, APowerFigureThatLooksTheSameIsNotPublished) {
    DriveRig rig;
    rig.setPower(PowerSource::ac, 10.04);
    rig.second();
    ASSERT_DOUBLE_EQ(rig.e().displayPowerWatts(), 10.0);
    int published = 0;
    QObject::connect(&rig.e(), &ZephraneEngine::powerTelemetryChanged, [&] { ++published; });

    rig.setPower(PowerSource::ac, 10.02);
    rig.second();
    EXPECT_EQ(rig.e().rawPowerTelemetry().systemWatts, 10.02);
    EXPECT_EQ(rig.e().powerTelemetry().systemWatts, 10.04);
    EXPECT_EQ(published, 0);

    rig.setPower(PowerSource::ac, 10.26);
    rig.second();
    EXPECT_EQ(published, 1);
    EXPECT_DOUBLE_EQ(rig.e().displayPowerWatts(), 10.3);
}

TEST(PowerRules, TheActivePresetSwitchesToItsBatteryCapAndBack) {
    DriveRig rig;
    rig.e().selectPreset(FanPreset::quiet);
    rig.setPower(PowerSource::battery);
    rig.second();
    EXPECT_EQ(rig.e().activePreset(), FanPreset::quiet);
    EXPECT_EQ(curveOf(*rig.e().activeProfile()), kQuietOnBattery);
    EXPECT_EQ(rig.e().profileBeforeBattery(), std::nullopt) << "a preset is capped, not switched";

    rig.setPower(PowerSource::unknown);  // counts as AC
    rig.second();
    EXPECT_EQ(curveOf(*rig.e().activeProfile()), kQuietOnAC);
}

TEST(PowerRules, WithoutAPresetBatteryMovesToSilentStealthAndACGivesTheProfileBack) {
    DriveRig rig;
    ASSERT_EQ(rig.e().activeProfile(), FanProfile::appleAuto());
    rig.setPower(PowerSource::battery);
    rig.second();
    EXPECT_EQ(rig.e().activeProfile(), FanProfile::silentStealth());
    EXPECT_EQ(rig.e().profileBeforeBattery(), FanProfile::appleAuto());
    EXPECT_EQ(rig.e().activePreset(), std::nullopt);

    rig.second();  // still on battery: switched once only
    EXPECT_EQ(rig.e().profileBeforeBattery(), FanProfile::appleAuto());

    rig.h.driver->restores.clear();
    rig.setPower(PowerSource::ac);
    rig.second();
    EXPECT_EQ(rig.e().activeProfile(), FanProfile::appleAuto());
    EXPECT_EQ(rig.e().profileBeforeBattery(), std::nullopt);
    EXPECT_FALSE(rig.h.driver->restores.empty()) << "the fans go back to the system";
}

TEST(PowerRules, TheBatterySwitchLeavesCertainDrivesAlone) {
    const struct {
        const char* drive;
        std::function<void(DriveRig&)> enter;
    } cases[] = {
        {"Silent Stealth already", [](DriveRig& rig) { rig.e().selectProfile(FanProfile::silentStealth()); }},
        {"manual control", [](DriveRig& rig) { rig.e().setFanTarget(0, 3000); }},
        {"an engaged auto-boost",
         [](DriveRig& rig) {
             rig.e().selectProfile(FanProfile::nimbraStandard());
             rig.boostOnCpu();
             ASSERT_TRUE(rig.e().isAutoBoostEngaged());
         }},
        {"the switch turned off",
         [](DriveRig& rig) {
             rig.e().selectProfile(FanProfile::nimbraStandard());
             rig.e().setAutoSwitchOnBattery(false);
         }},
    };
    for (const auto& c : cases) {
        DriveRig rig;
        c.enter(rig);
        const OptionalProfile before = rig.e().activeProfile();
        const bool manual = rig.e().isManualControl();
        rig.setPower(PowerSource::battery);
        rig.second();
        EXPECT_EQ(rig.e().activeProfile(), before) << c.drive;
        EXPECT_EQ(rig.e().isManualControl(), manual) << c.drive;
        EXPECT_EQ(rig.e().profileBeforeBattery(), std::nullopt) << c.drive;
    }
}

TEST(PowerRules, ACustomModeIsNotReselectedAfterTheBatteryRun) {
    DriveRig rig;
    rig.e().addCustomMode(CustomMode(Uuid::random(), "Gaming", "fan", ModeSpeed::floor(0.3),
                                     ModeSensor::source(ControlSource::hottest), std::nullopt, false));
    rig.e().selectCustomMode(rig.e().customModes()[0].id());
    rig.setPower(PowerSource::battery);
    rig.second();
    EXPECT_EQ(rig.e().activeCustomModeID(), std::nullopt);
    rig.setPower(PowerSource::ac);
    rig.second();
    EXPECT_EQ(rig.e().activeProfile(), FanProfile::nimbraStandard());
    EXPECT_EQ(rig.e().activeCustomModeID(), std::nullopt);
}

// The battery switch would end a running dust cycle; it waits for the
// cycle's end instead and then saves the drive the cycle gave back.
TEST(PowerRules, TheBatterySwitchWaitsForARunningDustCycle) {
    DriveRig rig;
    rig.e().selectProfile(FanProfile::nimbraStandard());
    rig.e().startDustCycle();
    rig.setPower(PowerSource::battery);
    rig.second();
    EXPECT_TRUE(rig.e().dustCycleStartedAt().has_value());
    EXPECT_EQ(rig.e().profileBeforeBattery(), std::nullopt);
    for (int i = 0; i < 25; ++i) rig.second();
    ASSERT_FALSE(rig.e().dustCycleStartedAt().has_value());
    rig.second();
    EXPECT_EQ(rig.e().activeProfile(), FanProfile::silentStealth());
    EXPECT_EQ(rig.e().profileBeforeBattery(), FanProfile::nimbraStandard());
}

// Unplugging during an auto-boost must not count as the user's choice: the
// boost stays on, and once the heat is gone the preset from before comes
// back with the cap of the new power source, not Max for ever.
TEST(PowerRules, APowerChangeDuringAutoBoostKeepsTheBoostAndItsGiveBack) {
    DriveRig rig;
    rig.e().selectPreset(FanPreset::quiet);
    rig.boostOnCpu();
    ASSERT_TRUE(rig.e().isAutoBoostEngaged());
    ASSERT_EQ(rig.e().activePreset(), FanPreset::max);

    rig.setPower(PowerSource::battery);
    rig.second();
    EXPECT_TRUE(rig.e().isAutoBoostEngaged());
    EXPECT_EQ(rig.e().activePreset(), FanPreset::max);
    EXPECT_EQ(rig.e().presetBeforeAutoBoost(), FanPreset::quiet);

    rig.poll(60);
    rig.second();
    EXPECT_FALSE(rig.e().isAutoBoostEngaged());
    EXPECT_EQ(rig.e().activePreset(), FanPreset::quiet);
    EXPECT_EQ(curveOf(*rig.e().activeProfile()), kQuietOnBattery);
}

}  // namespace
}  // namespace zephrane::enginetest
