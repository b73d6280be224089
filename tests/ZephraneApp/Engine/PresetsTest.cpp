// Presets and their power caps: the profile each preset stands for, the caps
// on AC and on battery, the stored caps and the re-application of the
// active preset when its caps change.
#include <cmath>
#include <limits>

#include "DriveRulesRig.hpp"

namespace zephrane::enginetest {
namespace {

using Curve = std::vector<std::pair<double, double>>;

TEST(Presets, EachPresetStandsForOneBuiltInProfile) {
    const struct {
        FanPreset preset;
        const char* shown;
        const FanProfile& profile;
    } cases[] = {{FanPreset::quiet, "Quiet", FanProfile::silentStealth()},
                 {FanPreset::auto_, "Balanced", FanProfile::nimbraStandard()},
                 {FanPreset::max, "Max", FanProfile::maxThermalBlast()}};
    for (const auto& c : cases) {
        EXPECT_EQ(displayName(c.preset), c.shown);
        EXPECT_EQ(ZephraneEngine::baseProfile(c.preset), c.profile) << c.shown;
    }
}

TEST(Presets, TheCapsFlattenTheCurveAboveThemAndNeverTouchMax) {
    const PresetPowerCapsTable defaults = ZephraneEngine::defaultPresetPowerCaps();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* edge;
        FanPreset preset;
        PresetPowerCapsTable caps;
        bool onBattery;
        Curve expected;
    } cases[] = {
        {"quiet on AC", FanPreset::quiet, defaults, false, {{40, 0}, {60, 0.25}, {75, 0.5}, {90, 0.55}}},
        {"quiet on battery", FanPreset::quiet, defaults, true, {{40, 0}, {60, 0.25}, {75, 0.35}, {90, 0.35}}},
        {"balanced on AC is the built-in curve", FanPreset::auto_, defaults, false,
         {{35, 0}, {55, 0.35}, {70, 0.65}, {85, 1.0}}},
        {"balanced on battery", FanPreset::auto_, defaults, true, {{35, 0}, {55, 0.35}, {70, 0.65}, {85, 0.7}}},
        {"no entry for the preset: its default", FanPreset::quiet, {}, true,
         {{40, 0}, {60, 0.25}, {75, 0.35}, {90, 0.35}}},
        {"a stored cap above 1 acts as 1", FanPreset::quiet, {{FanPreset::quiet, {1.4, 1.4}}}, false,
         {{40, 0}, {60, 0.25}, {75, 0.5}, {90, 1.0}}},
        {"a cap below 0 acts as 0", FanPreset::quiet, {{FanPreset::quiet, {-0.5, -0.5}}}, false,
         {{40, 0}, {60, 0}, {75, 0}, {90, 0}}},
        {"a cap that is not a number caps nothing", FanPreset::quiet, {{FanPreset::quiet, {nan, nan}}}, true,
         {{40, 0}, {60, 0.25}, {75, 0.5}, {90, 1.0}}},
    };
    for (const auto& c : cases) {
        const FanProfile profile = ZephraneEngine::effectiveProfile(c.preset, c.caps, c.onBattery);
        const FanProfile& base = ZephraneEngine::baseProfile(c.preset);
        EXPECT_EQ(curveOf(profile), c.expected) << c.edge;
        EXPECT_EQ(profile.id, base.id) << c.edge;
        EXPECT_EQ(profile.name, base.name) << c.edge;
        EXPECT_EQ(profile.mode, ControlMode::adaptiveCurve) << c.edge;
        for (std::size_t i = 0; i < profile.curvePoints.size(); ++i)
            EXPECT_EQ(profile.curvePoints[i].id, base.curvePoints[i].id) << c.edge << ", point " << i;
    }
    const PresetPowerCapsTable low{{FanPreset::max, {0.2, 0.1}}};
    EXPECT_EQ(ZephraneEngine::effectiveProfile(FanPreset::max, low, true), FanProfile::maxThermalBlast());
    EXPECT_EQ(ZephraneEngine::effectiveProfile(FanPreset::max, low, false), FanProfile::maxThermalBlast());
}

TEST(Presets, SelectingAPresetDrivesTheFansByItsCappedCurveAtTheNextTick) {
    DriveRig rig;
    rig.poll(90);
    rig.e().selectPreset(FanPreset::quiet);
    EXPECT_EQ(rig.e().activePreset(), FanPreset::quiet);
    EXPECT_EQ(curveOf(*rig.e().activeProfile()), (Curve{{40, 0}, {60, 0.25}, {75, 0.5}, {90, 0.55}}));
    EXPECT_TRUE(rig.h.driver->writes.empty()) << "choosing writes nothing";
    ASSERT_TRUE(rig.e().pipeline().has_value());
    rig.e().setAcousticAlpha(1.0);  // no smoothing: the step lands on the curve at once
    rig.tick();
    EXPECT_EQ(rig.lastWrites(), (std::map<int, double>{{0, rpmAt(0.55)}, {1, rpmAt(0.55)}}));
}

TEST(Presets, ACapEditStoresClampedValuesAndKeepsWhatIsLeftOut) {
    DriveRig rig;
    rig.e().setPresetCap(FanPreset::quiet, 1.4, std::nullopt);
    EXPECT_EQ(rig.e().presetPowerCaps().at(FanPreset::quiet), (PresetPowerCaps{1.0, 0.35}));
    rig.e().setPresetCap(FanPreset::quiet, std::nullopt, -1.0);
    EXPECT_EQ(rig.e().presetPowerCaps().at(FanPreset::quiet), (PresetPowerCaps{1.0, 0.0}));
    rig.e().setPresetCap(FanPreset::quiet, std::numeric_limits<double>::quiet_NaN(), 0.2);
    EXPECT_EQ(rig.e().presetPowerCaps().at(FanPreset::quiet), (PresetPowerCaps{1.0, 0.2}))
        << "a value that is not a number keeps the stored cap";
    EXPECT_EQ(settings::loadPresetPowerCaps(*rig.h.settings).at(FanPreset::quiet), (PresetPowerCaps{1.0, 0.2}))
        << "written through";

    rig.e().resetPresetPowerCaps();
    EXPECT_EQ(rig.e().presetPowerCaps(), ZephraneEngine::defaultPresetPowerCaps());
    EXPECT_EQ(settings::loadPresetPowerCaps(*rig.h.settings), ZephraneEngine::defaultPresetPowerCaps());
}

TEST(Presets, ACapEditReappliesOnlyTheActivePreset) {
    DriveRig rig;
    rig.e().selectPreset(FanPreset::quiet);
    const ControlPipeline before = *rig.e().pipeline();

    rig.e().setPresetCap(FanPreset::auto_, 0.5, 0.5);
    EXPECT_EQ(curveOf(*rig.e().activeProfile()), (Curve{{40, 0}, {60, 0.25}, {75, 0.5}, {90, 0.55}}))
        << "another preset's caps are only saved";

    rig.e().setPresetCap(FanPreset::quiet, 0.3, std::nullopt);
    EXPECT_EQ(rig.e().activePreset(), FanPreset::quiet);
    EXPECT_EQ(curveOf(*rig.e().activeProfile()), (Curve{{40, 0}, {60, 0.25}, {75, 0.3}, {90, 0.3}}))
        << "re-applied at once";
}

TEST(Presets, ApplyingAProfileEndsManualControl) {
    DriveRig rig;
    rig.e().setFanTarget(0, 3000);
    ASSERT_TRUE(rig.e().isManualControl());
    rig.e().selectPreset(FanPreset::auto_);
    EXPECT_FALSE(rig.e().isManualControl());
    EXPECT_TRUE(rig.e().manualFanTargets().empty());
}

TEST(Presets, ChoosingTheSystemsControlAsksForARestore) {
    DriveRig rig;
    rig.e().selectPreset(FanPreset::max);
    rig.tick();
    ASSERT_FALSE(rig.h.driver->writes.empty());
    rig.e().selectProfile(FanProfile::appleAuto());
    EXPECT_EQ(rig.e().activePreset(), std::nullopt);
    EXPECT_EQ(rig.h.driver->restores.size(), 1u);
}

}  // namespace
}  // namespace zephrane::enginetest
