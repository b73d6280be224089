import QtQuick
import QtQuick.Layouts
import Zephrane.Design
import Zephrane.Settings

// "Summon panel": the chord's button, or while recording the key catcher
// and its prompt; the clear button while a chord is set; under them the
// message line (the rejection, else the conflict note).
FormRow {
    id: row

    property ShortcutRecorder recorder

    ColumnLayout {
        Layout.fillWidth: true
        spacing: 4

        RowLayout {
            Layout.fillWidth: true
            spacing: 8

            Text {
                Layout.fillWidth: true
                text: "Summon panel"
                font: Theme.fontBody
                color: Theme.primary
                Accessible.ignored: true
            }
            FormButton {
                objectName: "recordShortcutButton"
                visible: !row.recorder.recording
                text: row.recorder.buttonTitle
                accessibleDescription: "Summon panel"
                onClicked: row.recorder.startRecording()
            }
            Loader {
                active: row.recorder.recording
                visible: active
                sourceComponent: RowLayout {
                    spacing: 8
                    // Takes the keyboard as soon as it shows; every key is
                    // the recorder's, also those the window would take as
                    // its own shortcuts (they are claimed before they act).
                    Item {
                        id: catcher
                        objectName: "shortcutCatcher"
                        implicitWidth: 1
                        implicitHeight: 1
                        Accessible.role: Accessible.EditableText
                        Accessible.name: "Summon panel"
                        Accessible.description: row.recorder.prompt
                        Keys.onShortcutOverride: event => { event.accepted = row.recorder.recording }
                        Keys.onPressed: event => {
                            event.accepted = row.recorder.keyPressed(event.key, event.modifiers, event.nativeScanCode)
                        }
                        // Focus taken by another control in this window ends
                        // recording; the window losing the keyboard does not.
                        onActiveFocusChanged: {
                            if (!activeFocus && Window.active) row.recorder.focusLost()
                        }
                        Component.onCompleted: forceActiveFocus()
                    }
                    Text {
                        text: row.recorder.prompt
                        font: Theme.fontCalloutMedium
                        color: Theme.secondary
                        Accessible.ignored: true
                    }
                }
            }
            IconChipButton {
                objectName: "clearShortcutButton"
                visible: row.recorder.showsClear
                style: IconChipButton.Bare
                systemImage: "xmark.circle.fill"
                help: row.recorder.clearLabel
                accessibilityLabel: row.recorder.clearLabel
                onClicked: row.recorder.clear()
            }
        }
        Text {
            objectName: "shortcutMessage"
            Layout.fillWidth: true
            visible: row.recorder.message !== ShortcutRecorder.NoMessage
            text: row.recorder.messageText
            font: Theme.fontCallout
            color: row.recorder.message === ShortcutRecorder.Conflict ? Theme.warningColor : Theme.secondary
            wrapMode: Text.Wrap
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
    }
}
