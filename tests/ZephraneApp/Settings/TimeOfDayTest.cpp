// The quiet hours' minutes of the day and their picker: minute arithmetic
// both ways, on the days the clocks change too; a field stepped or typed.
#include "ZephraneApp/Settings/TimeOfDay.hpp"

#include <QDateTime>
#include <QSignalSpy>
#include <QTimeZone>

#include <gtest/gtest.h>

#include "ZephraneApp/Settings/TimeOfDayPicker.hpp"

namespace zephrane::settingsview {
namespace {

TEST(TimeOfDay, AStoredMinuteIsItsHourAndMinuteAndBack) {
    struct Case {
        const char* edge;
        int minutes;
        TimeOfDay time;
        const char* text;
    };
    const Case cases[] = {
        {"midnight", 0, {0, 0}, "00:00"},
        {"the default start", 1320, {22, 0}, "22:00"},
        {"the default end", 480, {8, 0}, "08:00"},
        {"half past seven", 450, {7, 30}, "07:30"},
        {"the day's last minute", 1439, {23, 59}, "23:59"},
        {"a day past wraps", 1440, {0, 0}, "00:00"},
        {"before midnight wraps back", -1, {23, 59}, "23:59"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(timeOfDay(c.minutes), c.time) << c.edge;
        EXPECT_EQ(timeText(c.minutes), c.text) << c.edge;
        if (c.minutes >= 0 && c.minutes < kMinutesPerDay) {
            EXPECT_EQ(minutesOfDay(c.time), c.minutes) << c.edge;
        }
    }
    EXPECT_EQ(minutesOfDay({7, 30}), 450) << "picking 07:30 stores 450";
}

// The fault this guards against read the stored minute as "the start of
// today plus so many minutes": on the day the clocks go forward that is
// an hour late, on the day they go back an hour early.
TEST(TimeOfDay, OnTheDaysTheClocksChangeEveryMinuteIsStillItsOwnWallTime) {
    const QTimeZone berlin("Europe/Berlin");
    ASSERT_TRUE(berlin.isValid()) << "the time zone database lacks Europe/Berlin";
    for (const QDate day : {QDate(2024, 3, 31), QDate(2024, 10, 27)}) {
        const QDateTime midnight(day, QTime(0, 0), berlin);
        // The fixture really is a day with a change.
        ASSERT_NE(midnight.addSecs(1320 * 60).time(), QTime(22, 0)) << day.toString().toStdString();
        for (int minutes = 0; minutes < kMinutesPerDay; ++minutes) {
            const TimeOfDay shown = timeOfDay(minutes);
            ASSERT_EQ(shown.hour * 60 + shown.minute, minutes);
            // Picked on that day as a wall time, it stores the same minute.
            const QDateTime picked(day, QTime(shown.hour, shown.minute), berlin);
            if (picked.time() == QTime(shown.hour, shown.minute)) {
                ASSERT_EQ(minutesOfDay({picked.time().hour(), picked.time().minute()}), minutes);
            }
        }
    }
}

TEST(TimeOfDay, AFieldStepsWithinItselfAsAClocksFieldDoes) {
    EXPECT_EQ(steppedHour(1320, 1), 1380);
    EXPECT_EQ(steppedHour(23 * 60 + 15, 1), 15) << "past 23 to 0, minutes kept";
    EXPECT_EQ(steppedHour(15, -1), 23 * 60 + 15);
    EXPECT_EQ(steppedMinute(22 * 60 + 59, 1), 22 * 60) << "past 59 to 0 of the same hour";
    EXPECT_EQ(steppedMinute(22 * 60, -1), 22 * 60 + 59);
    EXPECT_EQ(steppedHour(0, 49), 60) << "whole days drop out";
}

class PickerTest : public ::testing::Test {
protected:
    PickerTest() {
        picker.setMinutes(1320);
        // The binding: what is picked is what the engine then holds.
        QObject::connect(&picker, &TimeOfDayPicker::picked, &picker, &TimeOfDayPicker::setMinutes);
    }
    TimeOfDayPicker picker;
    QSignalSpy picks{&picker, &TimeOfDayPicker::picked};
};

TEST_F(PickerTest, ShowsItsFieldsAndTellsEachPick) {
    EXPECT_EQ(picker.hourText(), "22");
    EXPECT_EQ(picker.minuteText(), "00");
    picker.step(TimeOfDayPicker::Minute, -1);
    EXPECT_EQ(picker.text(), "22:59");
    picker.step(TimeOfDayPicker::Hour, 2);
    EXPECT_EQ(picker.text(), "00:59");
    ASSERT_EQ(picks.count(), 2);
    EXPECT_EQ(picks.at(1).at(0).toInt(), 59);
}

TEST_F(PickerTest, TypedDigitsFillAFieldWhileTheyMakeAValidValue) {
    picker.typeKey(TimeOfDayPicker::Hour, Qt::Key_0);
    picker.typeKey(TimeOfDayPicker::Hour, Qt::Key_7);
    EXPECT_EQ(picker.hourText(), "07");
    picker.typeKey(TimeOfDayPicker::Minute, Qt::Key_3);
    picker.typeKey(TimeOfDayPicker::Minute, Qt::Key_0);
    EXPECT_EQ(picker.minutes(), 450) << "07:30";
    // 2 then 5 makes no hour: the 5 starts over.
    picker.typeKey(TimeOfDayPicker::Hour, Qt::Key_2);
    picker.typeKey(TimeOfDayPicker::Hour, Qt::Key_5);
    EXPECT_EQ(picker.hourText(), "05");
    picker.endTyping();
    picker.typeKey(TimeOfDayPicker::Hour, Qt::Key_1);
    EXPECT_EQ(picker.hourText(), "01") << "typing starts over once ended";
    EXPECT_FALSE(picker.typeKey(TimeOfDayPicker::Hour, Qt::Key_A));
    EXPECT_TRUE(picker.typeKey(TimeOfDayPicker::Hour, Qt::Key_Up));
    EXPECT_EQ(picker.hourText(), "02");
}

TEST_F(PickerTest, TheSameTimeTellsNoPick) {
    picker.typeKey(TimeOfDayPicker::Minute, Qt::Key_0);
    picker.step(TimeOfDayPicker::Hour, 24);
    EXPECT_EQ(picks.count(), 0);
}

}  // namespace
}  // namespace zephrane::settingsview
