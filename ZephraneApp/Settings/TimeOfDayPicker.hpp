// The quiet hours' time picker (hour and minute) over a stored minute of
// the day: its two fields' texts, stepping a field with the arrow keys or
// the stepper, and typing a field's digits. It stores nothing of the
// engine's: a pick is told through `picked`, and the value shown is what
// the binding gives back.
#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace zephrane::settingsview {

class TimeOfDayPicker : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(int minutes READ minutes WRITE setMinutes NOTIFY minutesChanged)
    Q_PROPERTY(QString hourText READ hourText NOTIFY minutesChanged)
    Q_PROPERTY(QString minuteText READ minuteText NOTIFY minutesChanged)
    Q_PROPERTY(QString text READ text NOTIFY minutesChanged)

public:
    enum Field { Hour, Minute };
    Q_ENUM(Field)

    explicit TimeOfDayPicker(QObject* parent = nullptr);

    int minutes() const { return minutes_; }
    void setMinutes(int minutes);
    QString hourText() const;
    QString minuteText() const;
    QString text() const;

    Q_INVOKABLE void step(Field field, int delta);
    // A digit typed into a field: the field takes the last two digits typed
    // while they make a valid value, else starts over from this one.
    Q_INVOKABLE void typeDigit(Field field, int digit);
    // A Qt key typed into a field: the digits type, the arrows up and down
    // step; true when the key was the picker's.
    Q_INVOKABLE bool typeKey(Field field, int key);
    // Typing ends when the field loses focus or the other field is typed.
    Q_INVOKABLE void endTyping();

signals:
    void minutesChanged();
    // The user picked this minute of the day.
    void picked(int minutes);

private:
    void pick(int minutes);

    int minutes_ = 0;
    Field typingField_ = Hour;
    int typed_ = -1;  // the digits typed so far into typingField_; -1 none
};

}  // namespace zephrane::settingsview
