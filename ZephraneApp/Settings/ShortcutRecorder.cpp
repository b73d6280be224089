#include "ZephraneApp/Settings/ShortcutRecorder.hpp"

#include "ZephraneApp/Model/GlobalShortcut.hpp"
#include "ZephraneApp/Settings/ShortcutKeyMap.hpp"

namespace zephrane::settingsview {
namespace {

QString text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

ShortcutRecorder::ShortcutRecorder(QObject* parent) : QObject(parent) {}

void ShortcutRecorder::setPreferences(face::PreferencesFace* preferences) {
    if (preferences_ == preferences) return;
    if (preferences_) disconnect(preferences_, nullptr, this, nullptr);
    preferences_ = preferences;
    if (preferences_) {
        connect(preferences_, &face::PreferencesFace::summonShortcutChanged, this, &ShortcutRecorder::shortcutChanged);
        connect(preferences_, &face::PreferencesFace::summonShortcutConflictChanged, this,
                &ShortcutRecorder::messageChanged);
    }
    emit preferencesChanged();
    emit shortcutChanged();
    emit messageChanged();
}

QString ShortcutRecorder::buttonTitle() const {
    if (!showsClear()) return QStringLiteral("Record Shortcut\u2026");
    return preferences_->summonShortcutText();
}

bool ShortcutRecorder::showsClear() const { return preferences_ && preferences_->hasSummonShortcut(); }

ShortcutRecorder::Message ShortcutRecorder::message() const {
    if (rejected_) return Rejection;
    if (preferences_ && preferences_->summonShortcutConflictValue()) return Conflict;
    return NoMessage;
}

QString ShortcutRecorder::messageText() const {
    switch (message()) {
        case Rejection: return text(kRejection);
        case Conflict: return text(kConflict);
        case NoMessage: break;
    }
    return {};
}

void ShortcutRecorder::startRecording() {
    setRejected(false);
    setRecording(true);
}

bool ShortcutRecorder::keyPressed(int key, int modifiers, quint32 nativeScanCode) {
    if (!recording_) return false;
    if (isModifierKey(key)) return true;
    const std::optional<std::uint32_t> keyCode = eventKeyCode(key, nativeScanCode);
    // A key the Mac has no code for cannot be stored; it is passed over.
    if (!keyCode) return true;
    if (*keyCode == GlobalShortcut::escapeKeyCode) {
        setRecording(false);
        setRejected(false);
        return true;
    }
    const std::optional<GlobalShortcut> chord = GlobalShortcut::from(*keyCode, modifierFlags(modifiers));
    if (!chord) {
        setRejected(true);
        return true;
    }
    if (preferences_) preferences_->setSummonShortcut(*chord);
    setRecording(false);
    setRejected(false);
    return true;
}

void ShortcutRecorder::focusLost() {
    if (!recording_) return;
    setRecording(false);
    setRejected(false);
}

void ShortcutRecorder::clear() {
    setRecording(false);
    setRejected(false);
    if (preferences_) preferences_->setSummonShortcut(std::nullopt);
}

void ShortcutRecorder::setRecording(bool recording) {
    if (recording_ == recording) return;
    recording_ = recording;
    emit recordingChanged();
}

void ShortcutRecorder::setRejected(bool rejected) {
    if (rejected_ == rejected) return;
    rejected_ = rejected;
    emit messageChanged();
}

}  // namespace zephrane::settingsview
