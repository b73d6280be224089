// The summon shortcut recorder: key events to the Mac's key codes by their
// physical position, and the recorder's state machine on the scripted face,
// read back as the commands it performed.
#include "ZephraneApp/Settings/ShortcutRecorder.hpp"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include "ZephraneApp/Face/ScriptedEngineFace.hpp"
#include "ZephraneApp/Settings/ShortcutKeyMap.hpp"

namespace zephrane::settingsview {
namespace {

// X key codes of a few places on the keyboard.
constexpr quint32 kXEscape = 9;
constexpr quint32 kXDigit1 = 10;
constexpr quint32 kXQ = 24;
constexpr quint32 kXF = 41;
constexpr quint32 kXTab = 23;

TEST(ShortcutKeyMap, AKeyIsKnownByItsPlaceWhateverTheLayoutMakesOfIt) {
    struct Case {
        const char* edge;
        int qtKey;
        quint32 scanCode;
        std::optional<std::uint32_t> keyCode;
    };
    const Case cases[] = {
        {"Shift-1 is the 1 key", Qt::Key_Exclam, kXDigit1, 18},
        {"a layout's letter at the F place", Qt::Key_U, kXF, 3},
        {"Escape", Qt::Key_Escape, kXEscape, 53},
        {"Tab", Qt::Key_Tab, kXTab, 48},
        {"F12", Qt::Key_F12, 96, 111},
        {"the ISO key beside Shift", Qt::Key_Less, 94, 10},
        {"without a place, Qt's key on the US layout", Qt::Key_F, 0, 3},
        {"without a place, a shifted digit", Qt::Key_At, 0, 19},
        {"without a place, Shift-Tab", Qt::Key_Backtab, 0, 48},
        {"a place the Mac has not, Qt's key decides", Qt::Key_Q, 200, 12},
        {"a key the Mac has not", Qt::Key_MediaPlay, 0, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(eventKeyCode(c.qtKey, c.scanCode), c.keyCode) << c.edge;
}

TEST(ShortcutKeyMap, ModifiersFollowTheShellsRule) {
    using G = GlobalShortcut;
    EXPECT_EQ(modifierFlags(Qt::ControlModifier), G::commandFlag);
    EXPECT_EQ(modifierFlags(Qt::MetaModifier), G::controlFlag);
    EXPECT_EQ(modifierFlags(Qt::AltModifier), G::optionFlag);
    EXPECT_EQ(modifierFlags(Qt::ShiftModifier | Qt::KeypadModifier), G::shiftFlag);
    EXPECT_EQ(modifierFlags(Qt::AltModifier | Qt::ShiftModifier), G::optionFlag | G::shiftFlag);
    EXPECT_TRUE(isModifierKey(Qt::Key_Shift));
    EXPECT_TRUE(isModifierKey(Qt::Key_Super_L));
    EXPECT_FALSE(isModifierKey(Qt::Key_F));
}

class RecorderTest : public ::testing::Test {
protected:
    RecorderTest() {
        recorder.setPreferences(&face.preferences());
        face.clearCommands();
    }
    std::vector<std::string> commands() const {
        std::vector<std::string> described;
        for (const face::FaceCommand& c : face.commands()) described.push_back(face::describe(c));
        return described;
    }
    bool press(int key, int modifiers, quint32 scanCode = 0) { return recorder.keyPressed(key, modifiers, scanCode); }

    face::ScriptedEngineFace face;
    ShortcutRecorder recorder;
};

TEST_F(RecorderTest, IdleItShowsTheChordAndTakesNoKeys) {
    EXPECT_EQ(recorder.buttonTitle(), "\u2325\u21e7F");
    EXPECT_TRUE(recorder.showsClear());
    EXPECT_FALSE(press(Qt::Key_F, Qt::AltModifier));
    EXPECT_TRUE(commands().empty());
}

TEST_F(RecorderTest, ShiftAloneIsRejectedAndRecordingGoesOnUntilAValidChord) {
    recorder.startRecording();
    EXPECT_TRUE(press(Qt::Key_Shift, Qt::ShiftModifier)) << "a modifier alone is taken, and nothing else";
    EXPECT_EQ(recorder.message(), ShortcutRecorder::NoMessage);
    EXPECT_TRUE(press(Qt::Key_F, Qt::ShiftModifier, kXF));
    EXPECT_TRUE(recorder.recording());
    EXPECT_EQ(recorder.messageText(), "Include \u2318, \u2325, or \u2303 in the shortcut.");
    EXPECT_TRUE(press(Qt::Key_Tab, 0, kXTab)) << "Tab is not a way out";
    EXPECT_TRUE(recorder.recording());
    EXPECT_TRUE(press(Qt::Key_F, Qt::AltModifier | Qt::ShiftModifier, kXF));
    EXPECT_FALSE(recorder.recording());
    EXPECT_EQ(recorder.message(), ShortcutRecorder::NoMessage);
    EXPECT_EQ(commands(), std::vector<std::string>{"SetSummonShortcut(\u2325\u21e7F)"})
        << "the chord set already is stored and registered again";
}

TEST_F(RecorderTest, EscapeCancelsWhateverIsHeldAndIsNeverRecorded) {
    for (const int modifiers : {0, int(Qt::ControlModifier), int(Qt::AltModifier | Qt::ShiftModifier)}) {
        recorder.startRecording();
        EXPECT_TRUE(press(Qt::Key_Escape, modifiers, kXEscape));
        EXPECT_FALSE(recorder.recording());
    }
    EXPECT_TRUE(commands().empty());
}

TEST_F(RecorderTest, CommandQIsRecordedAndShiftedDigitsRecordTheirKey) {
    QSignalSpy changed(&recorder, &ShortcutRecorder::shortcutChanged);
    recorder.startRecording();
    press(Qt::Key_Q, Qt::ControlModifier, kXQ);
    EXPECT_EQ(recorder.buttonTitle(), "\u2318Q");
    recorder.startRecording();
    press(Qt::Key_Exclam, Qt::MetaModifier | Qt::ShiftModifier, kXDigit1);
    EXPECT_EQ(recorder.buttonTitle(), "\u2303\u21e71");
    EXPECT_EQ(changed.count(), 2);
}

TEST_F(RecorderTest, FocusLostCancelsAndClearingEndsRecordingAndRemovesTheChord) {
    recorder.startRecording();
    recorder.focusLost();
    EXPECT_FALSE(recorder.recording());
    recorder.startRecording();
    press(Qt::Key_F, Qt::ShiftModifier, kXF);
    recorder.clear();
    EXPECT_FALSE(recorder.recording());
    EXPECT_EQ(recorder.message(), ShortcutRecorder::NoMessage);
    EXPECT_FALSE(recorder.showsClear());
    EXPECT_EQ(recorder.buttonTitle(), "Record Shortcut\u2026");
    EXPECT_EQ(commands(), std::vector<std::string>{"SetSummonShortcut(none)"});
}

TEST_F(RecorderTest, TheConflictNoteShowsUnlessARejectionDoes) {
    auto state = face.preferences().state();
    state.summonShortcutConflict = true;
    face.preferences().publish(state);
    EXPECT_EQ(recorder.message(), ShortcutRecorder::Conflict);
    EXPECT_EQ(recorder.messageText(), "This shortcut is already used elsewhere and couldn't be registered.");
    recorder.startRecording();
    press(Qt::Key_G, 0);
    EXPECT_EQ(recorder.message(), ShortcutRecorder::Rejection);
    recorder.startRecording();
    EXPECT_EQ(recorder.message(), ShortcutRecorder::Conflict) << "recording again clears the old complaint";
    recorder.clear();
    state = face.preferences().state();
    state.summonShortcutConflict = false;  // the shell after unregistering
    face.preferences().publish(state);
    EXPECT_EQ(recorder.message(), ShortcutRecorder::NoMessage);
}

}  // namespace
}  // namespace zephrane::settingsview
