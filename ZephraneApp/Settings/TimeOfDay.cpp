#include "ZephraneApp/Settings/TimeOfDay.hpp"

namespace zephrane::settingsview {
namespace {

int wrapped(int value, int modulus) { return ((value % modulus) + modulus) % modulus; }

}  // namespace

TimeOfDay timeOfDay(int minutesOfDay) {
    const int m = wrapped(minutesOfDay, kMinutesPerDay);
    return {m / 60, m % 60};
}

int minutesOfDay(TimeOfDay time) { return wrapped(time.hour * 60 + time.minute, kMinutesPerDay); }

int steppedHour(int minutes, int delta) {
    const TimeOfDay t = timeOfDay(minutes);
    return minutesOfDay({wrapped(t.hour + delta % 24, 24), t.minute});
}

int steppedMinute(int minutes, int delta) {
    const TimeOfDay t = timeOfDay(minutes);
    return minutesOfDay({t.hour, wrapped(t.minute + delta % 60, 60)});
}

std::string twoDigits(int value) {
    const int v = value < 0 ? 0 : value % 100;
    return {static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
}

std::string timeText(int minutes) {
    const TimeOfDay t = timeOfDay(minutes);
    return twoDigits(t.hour) + ":" + twoDigits(t.minute);
}

}  // namespace zephrane::settingsview
