#include "ZephraneApp/Settings/TimeOfDayPicker.hpp"

#include <Qt>

#include "ZephraneApp/Settings/TimeOfDay.hpp"

namespace zephrane::settingsview {

TimeOfDayPicker::TimeOfDayPicker(QObject* parent) : QObject(parent) {}

void TimeOfDayPicker::setMinutes(int minutes) {
    const int m = minutesOfDay(timeOfDay(minutes));
    if (m == minutes_) return;
    minutes_ = m;
    emit minutesChanged();
}

QString TimeOfDayPicker::hourText() const { return QString::fromStdString(twoDigits(timeOfDay(minutes_).hour)); }
QString TimeOfDayPicker::minuteText() const { return QString::fromStdString(twoDigits(timeOfDay(minutes_).minute)); }
QString TimeOfDayPicker::text() const { return QString::fromStdString(timeText(minutes_)); }

void TimeOfDayPicker::step(Field field, int delta) {
    endTyping();
    pick(field == Hour ? steppedHour(minutes_, delta) : steppedMinute(minutes_, delta));
}

void TimeOfDayPicker::typeDigit(Field field, int digit) {
    if (digit < 0 || digit > 9) return;
    if (field != typingField_) endTyping();
    typingField_ = field;
    const int limit = field == Hour ? 24 : 60;
    const int joined = typed_ >= 0 ? (typed_ % 10) * 10 + digit : digit;
    typed_ = joined < limit ? joined : digit;
    TimeOfDay t = timeOfDay(minutes_);
    (field == Hour ? t.hour : t.minute) = typed_;
    pick(minutesOfDay(t));
}

bool TimeOfDayPicker::typeKey(Field field, int key) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        typeDigit(field, key - Qt::Key_0);
        return true;
    }
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        step(field, key == Qt::Key_Up ? 1 : -1);
        return true;
    }
    return false;
}

void TimeOfDayPicker::endTyping() { typed_ = -1; }

void TimeOfDayPicker::pick(int minutes) {
    if (minutes != minutes_) emit picked(minutes);
}

}  // namespace zephrane::settingsview
