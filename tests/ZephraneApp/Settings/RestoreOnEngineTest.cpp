// "Restore Defaults" on the real engine (on its harness's fakes): every
// setting the form shows changed, then restored through the face; each is
// back at its default in the engine and in the settings it stores, and
// what the restore leaves alone stays as it was.
#include <gtest/gtest.h>

#include "ZephraneApp/Face/AlertsFace.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/ZephraneEngineFace.hpp"
#include "ZephraneApp/Settings/RestoreDefaults.hpp"
#include "tests/ZephraneApp/Engine/EngineHarness.hpp"

namespace zephrane::enginetest {
namespace {

using face::PreferencesFace;

TEST(RestoreOnEngine, EverySettingReturnsToItsDefaultAndTheRestStays) {
    EngineHarness h;
    ZephraneEngine& engine = h.make();
    face::ZephraneEngineFace face(engine);
    PreferencesFace& p = face.preferences();
    p.setAcousticAlpha(0.8);
    p.setSpoolRate(9000);
    p.setAutoSwitchOnBattery(false);
    p.setOverheatThreshold(70);
    p.setUseFahrenheit(true);
    p.setPreciseTemperatures(false);
    p.setAccentChoice(PreferencesFace::Violet);
    p.setWindowBackdrop(WindowBackdrop::aurora);
    p.setPresetCap(FanPreset::quiet, 0.2, 0.1);
    face.alerts().setAlertRule(SensorCategory::gpu, true, 70, true);
    p.setQuietHoursEnabled(true);
    p.setQuietHoursStart(60);
    p.setQuietHoursEnd(120);
    p.setPreSpoolEnabled(true);
    p.setMeetingQuietEnabled(true);
    p.setControlSource(PreferencesFace::GpuAverage);
    p.setShowDockIcon(false);
    p.setFanHealthWarningsEnabled(false);
    p.setMenuBarReadout(PreferencesFace::Both);
    p.setMenuBarTempSource(PreferencesFace::GpuAverageTemp);
    p.setMenuBarIconAnimated(false);
    p.clearSummonShortcut();
    p.setHasCompletedFirstRunSetup(true);
    p.setShowAllSensors(true);
    ASSERT_NE(p.state(), PreferencesFace::defaults());

    settingsview::restoreDefaults(face);

    PreferencesFace::State expected = PreferencesFace::defaults();
    expected.hasCompletedFirstRunSetup = true;  // not the restore's
    expected.showAllSensors = true;
    EXPECT_EQ(p.state(), expected);
    EXPECT_EQ(engine.alertRules(), face::AlertsFace::defaultAlertRules());
    EXPECT_EQ(h.settings->boolValue(settings::key::showDockIcon), true);
    EXPECT_EQ(h.settings->integerValue(settings::key::quietHoursStart), 1320);
    EXPECT_EQ(h.settings->boolValue(settings::key::summonShortcutCleared), false);
    EXPECT_EQ(h.settings->dataValue(settings::key::summonShortcut), QByteArray(R"({"keyCode":3,"carbonModifiers":2560})"));

    // Again, with everything at its default already: nothing changes.
    settingsview::restoreDefaults(face);
    EXPECT_EQ(p.state(), expected);
}

}  // namespace
}  // namespace zephrane::enginetest
