// The "Summon panel" row: the button that starts recording, the key catcher
// that records the next chord, the clear button and the message line, as a
// state machine over the face's preferences. Idle or recording; while
// recording every key press is the recorder's (also those the window would
// take as its own shortcuts):
//
//   Escape (whatever is held)       cancel: idle, no message
//   a chord with ⌘, ⌥ or ⌃          stored (even when it is the chord set
//                                    already, so it is registered again):
//                                    idle, no message
//   any other key                    the complaint; still recording
//   a modifier alone, or a key the   nothing
//   Mac has no code for
//
// Focus moving elsewhere cancels; the clear button ends recording and
// clears the chord, which the engine stores as cleared.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Face/PreferencesFace.hpp"

namespace zephrane::settingsview {

class ShortcutRecorder : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(zephrane::face::PreferencesFace* preferences READ preferences WRITE setPreferences NOTIFY
                   preferencesChanged)
    Q_PROPERTY(bool recording READ recording NOTIFY recordingChanged)
    Q_PROPERTY(QString buttonTitle READ buttonTitle NOTIFY shortcutChanged)
    Q_PROPERTY(bool showsClear READ showsClear NOTIFY shortcutChanged)
    Q_PROPERTY(QString messageText READ messageText NOTIFY messageChanged)
    Q_PROPERTY(Message message READ message NOTIFY messageChanged)
    Q_PROPERTY(QString prompt READ prompt CONSTANT)
    Q_PROPERTY(QString clearLabel READ clearLabel CONSTANT)

public:
    // What the message line shows: nothing, the complaint about the last
    // rejected chord (secondary), or the conflict note (orange).
    enum Message { NoMessage, Rejection, Conflict };
    Q_ENUM(Message)

    static constexpr std::string_view kRejection = "Include \u2318, \u2325, or \u2303 in the shortcut.";
    static constexpr std::string_view kConflict = "This shortcut is already used elsewhere and couldn't be registered.";

    explicit ShortcutRecorder(QObject* parent = nullptr);

    face::PreferencesFace* preferences() const { return preferences_; }
    void setPreferences(face::PreferencesFace* preferences);

    bool recording() const { return recording_; }
    QString buttonTitle() const;
    bool showsClear() const;
    QString messageText() const;
    Message message() const;
    QString prompt() const { return QStringLiteral("Press keys\u2026"); }
    QString clearLabel() const { return QStringLiteral("Clear summon shortcut"); }

    Q_INVOKABLE void startRecording();
    // One key press: Qt's key and modifiers and the event's native key code
    // (0 when it has none). True when the recorder took it, which it does
    // for every key while recording.
    Q_INVOKABLE bool keyPressed(int key, int modifiers, quint32 nativeScanCode);
    // The catcher lost the keyboard to another control.
    Q_INVOKABLE void focusLost();
    Q_INVOKABLE void clear();

signals:
    void preferencesChanged();
    void recordingChanged();
    void shortcutChanged();
    void messageChanged();

private:
    void setRecording(bool recording);
    void setRejected(bool rejected);

    QPointer<face::PreferencesFace> preferences_;
    bool recording_ = false;
    bool rejected_ = false;
};

}  // namespace zephrane::settingsview
