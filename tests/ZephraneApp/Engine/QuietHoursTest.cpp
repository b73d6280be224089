// Quiet hours and meeting quiet: the daily window, and the quiet driver that
// takes the quiet preset and gives the earlier choice back.
#include "DriveRulesRig.hpp"

namespace zephrane::enginetest {
namespace {

TEST(QuietHours, TheWindowMayCrossMidnightAndIsEmptyWhenItsEndsMeet) {
    const struct {
        int start, end, minute;
        bool inside;
    } cases[] = {
        {1320, 480, 1320, true},  {1320, 480, 479, true},  {1320, 480, 480, false}, {1320, 480, 1319, false},
        {1320, 480, 0, true},     {480, 1320, 480, true},  {480, 1320, 1320, false}, {480, 1320, 479, false},
        {600, 600, 600, false},   {600, 600, 0, false},    {0, 1439, 1438, true},    {0, 1439, 1439, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ZephraneEngine::isInQuietWindow(c.minute, c.start, c.end), c.inside)
            << c.start << "..." << c.end << " at " << c.minute;
}

TEST(QuietHours, TheWindowHoldsQuietAndGivesThePresetBack) {
    DriveRig rig = quietHoursRig();
    rig.e().selectPreset(FanPreset::auto_);
    rig.tickAt(21, 59);
    EXPECT_EQ(rig.e().activePreset(), FanPreset::auto_);
    rig.tickAt(22, 0);
    EXPECT_EQ(rig.e().activePreset(), FanPreset::quiet);
    EXPECT_TRUE(rig.e().quietHoursDriver().hasMemory);
    rig.tickAt(7, 59);
    EXPECT_EQ(rig.e().activePreset(), FanPreset::quiet);
    rig.tickAt(8, 0);
    EXPECT_EQ(rig.e().activePreset(), FanPreset::auto_);
    EXPECT_EQ(rig.e().quietHoursDriver(), (QuietDriverState{false, std::nullopt, std::nullopt, false, false}));
}

TEST(QuietHours, ACustomModeIsGivenBackAsItsProfileOnly) {
    DriveRig rig = quietHoursRig();
    rig.e().addCustomMode(CustomMode(Uuid::random(), "Gaming", "fan", ModeSpeed::floor(0.3),
                                     ModeSensor::source(ControlSource::hottest), std::nullopt, false));
    rig.e().selectCustomMode(rig.e().customModes()[0].id());
    rig.tickAt(23, 0);
    ASSERT_EQ(rig.e().activePreset(), FanPreset::quiet);
    rig.tickAt(8, 0);
    EXPECT_EQ(rig.e().activePreset(), std::nullopt);
    EXPECT_EQ(rig.e().activeCustomModeID(), std::nullopt);
    EXPECT_EQ(rig.e().activeProfile(), FanProfile::nimbraStandard());
}

TEST(QuietHours, AUsersOtherPresetInsideTheWindowIsKeptThenAndTheNextNight) {
    DriveRig rig = quietHoursRig();
    rig.e().selectPreset(FanPreset::auto_);
    rig.tickAt(22, 0);
    rig.e().selectPreset(FanPreset::max);
    rig.tickAt(22, 1);
    rig.tickAt(22, 2);
    EXPECT_TRUE(rig.e().quietHoursDriver().overridden);
    rig.tickAt(8, 0);
    EXPECT_EQ(rig.e().activePreset(), FanPreset::max) << "nothing given back";
    rig.tickAt(22, 0);
    EXPECT_EQ(rig.e().activePreset(), FanPreset::max) << "the next window keeps its hands off";

    // Quiet inside a window, kept to its end, ends the override.
    rig.e().selectPreset(FanPreset::quiet);
    rig.tickAt(22, 1);
    rig.tickAt(8, 0);
    EXPECT_EQ(rig.e().activePreset(), FanPreset::quiet);
    rig.e().selectPreset(FanPreset::auto_);
    rig.tickAt(12, 0);
    rig.tickAt(22, 0);
    EXPECT_EQ(rig.e().activePreset(), FanPreset::quiet);
    EXPECT_EQ(rig.e().quietHoursDriver().priorPreset, FanPreset::auto_);
}

TEST(QuietHours, AlreadyOnQuietNothingIsTakenOrGivenBack) {
    DriveRig rig = quietHoursRig();
    rig.e().selectPreset(FanPreset::quiet);
    rig.tickAt(22, 0);
    EXPECT_FALSE(rig.e().quietHoursDriver().hasMemory);
    rig.tickAt(8, 0);
    EXPECT_EQ(rig.e().activePreset(), FanPreset::quiet);
}

TEST(QuietHours, ManualControlDefersTheTakeOverUntilItEnds) {
    DriveRig rig = quietHoursRig();
    rig.e().setFanTarget(0, 3000);
    rig.tickAt(22, 0);
    EXPECT_TRUE(rig.e().isManualControl());
    EXPECT_EQ(rig.e().activePreset(), std::nullopt);
    rig.e().selectProfile(FanProfile::nimbraStandard());
    rig.tickAt(22, 1);
    EXPECT_EQ(rig.e().activePreset(), FanPreset::quiet);
    rig.tickAt(8, 0);
    EXPECT_EQ(rig.e().activeProfile(), FanProfile::nimbraStandard());
}

// Meeting quiet is asked every ten seconds.
void tenSeconds(DriveRig& rig) {
    for (int i = 0; i < 10; ++i) rig.second();
}

TEST(MeetingQuiet, HoldsQuietWhileTheMicrophoneIsInUseAndWhileTheFeatureIsOn) {
    DriveRig rig;
    rig.e().setMeetingQuietEnabled(true);
    rig.e().selectPreset(FanPreset::auto_);
    rig.h.services->microphone->inUse = true;
    tenSeconds(rig);
    EXPECT_EQ(rig.e().activePreset(), FanPreset::quiet);
    EXPECT_TRUE(rig.e().meetingQuietActive());

    rig.h.services->microphone->inUse = false;
    tenSeconds(rig);
    EXPECT_EQ(rig.e().activePreset(), FanPreset::auto_);
    EXPECT_FALSE(rig.e().meetingQuietActive());

    rig.h.services->microphone->inUse = true;
    tenSeconds(rig);
    ASSERT_TRUE(rig.e().meetingQuietActive());
    rig.e().setMeetingQuietEnabled(false);
    tenSeconds(rig);
    EXPECT_EQ(rig.e().activePreset(), FanPreset::auto_) << "turned off: counts as no meeting";
    EXPECT_FALSE(rig.e().meetingQuietActive());
}

TEST(MeetingQuiet, GivingBackReArmsQuietHoursThatHeldWithoutMemory) {
    DriveRig rig = quietHoursRig();
    rig.e().setMeetingQuietEnabled(true);
    rig.e().selectPreset(FanPreset::auto_);
    rig.h.services->microphone->inUse = true;
    tenSeconds(rig);  // the meeting takes quiet first, at noon
    ASSERT_EQ(rig.e().activePreset(), FanPreset::quiet);
    rig.tickAt(22, 0);  // the window finds quiet already: held without memory
    ASSERT_FALSE(rig.e().quietHoursDriver().hasMemory);
    ASSERT_EQ(rig.e().quietHoursDriver().wasActive, true);

    rig.h.services->microphone->inUse = false;
    for (int i = 0; i < 10; ++i) rig.tickAt(22, 1);
    EXPECT_TRUE(rig.e().quietHoursDriver().hasMemory) << "quiet hours took the given-back preset as theirs";
    EXPECT_EQ(rig.e().quietHoursDriver().priorPreset, FanPreset::auto_);
    EXPECT_EQ(rig.e().activePreset(), FanPreset::quiet);
    rig.tickAt(8, 0);
    EXPECT_EQ(rig.e().activePreset(), FanPreset::auto_);
}

}  // namespace
}  // namespace zephrane::enginetest
