// The quiet hours' times of day, as the engine stores them: whole minutes
// since midnight, 0 to 1439. The pickers turn them into hours and minutes by
// minute arithmetic alone, never through a date: "midnight plus 1320
// minutes" is 23:00 on a day the clocks go forward, while the stored 1320
// means 22:00 on every day, which is also how the engine reads the clock.
#pragma once

#include <string>

namespace zephrane::settingsview {

inline constexpr int kMinutesPerDay = 24 * 60;

struct TimeOfDay {
    int hour = 0;    // 0...23
    int minute = 0;  // 0...59
    friend bool operator==(const TimeOfDay&, const TimeOfDay&) = default;
};

// Values outside the day wrap around it (-1 is 23:59, 1440 is 00:00).
TimeOfDay timeOfDay(int minutesOfDay);
// hour × 60 + minute, wrapped into the day.
int minutesOfDay(TimeOfDay time);

// The time with one field stepped, wrapping within that field as a clock's
// field does: 23 + 1 hour is 0 with the minutes kept, 59 + 1 minute is 0
// of the same hour.
int steppedHour(int minutesOfDay, int delta);
int steppedMinute(int minutesOfDay, int delta);

// A field's two digits ("07"), and the time as "22:00".
std::string twoDigits(int value);
std::string timeText(int minutesOfDay);

}  // namespace zephrane::settingsview
