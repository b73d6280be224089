import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Zephrane.Design
import Zephrane.Settings

// A labelled time picker, hour and minute, over a stored minute of the day:
// two fields in a box and a stepper beside it. A field takes the keyboard
// (Tab, or a click): the arrow keys step it and digits type it; the stepper
// steps the field used last (the hour to begin with). `picked` tells the
// minute of the day chosen.
FormRow {
    id: row

    property string label
    property int minutes: 0
    property int lastField: TimeOfDayPicker.Hour
    readonly property alias picker: picker
    signal picked(int minutes)

    TimeOfDayPicker {
        id: picker
        minutes: row.minutes
        onPicked: minutes => row.picked(minutes)
    }

    component TimeField: Rectangle {
        id: field

        required property int part
        required property string text
        required property string accessibleName

        implicitWidth: digits.implicitWidth + 4
        implicitHeight: digits.implicitHeight + 2
        radius: 3
        color: activeFocus ? Theme.accentColor : "transparent"
        activeFocusOnTab: true

        Accessible.role: Accessible.SpinBox
        Accessible.name: accessibleName
        Accessible.description: picker.text
        Accessible.focusable: true

        Keys.onPressed: event => {
            event.accepted = picker.typeKey(field.part, event.key)
        }
        onActiveFocusChanged: {
            if (activeFocus) row.lastField = part
            picker.endTyping()
        }

        Text {
            id: digits
            anchors.centerIn: parent
            text: field.text
            font: Theme.fontCallout
            color: field.activeFocus ? Theme.onAccent : Theme.primary
        }
        TapHandler {
            onTapped: field.forceActiveFocus(Qt.MouseFocusReason)
        }
    }

    component StepButton: T.AbstractButton {
        id: stepButton

        required property int delta

        implicitWidth: 16
        implicitHeight: 11
        focusPolicy: Qt.NoFocus
        Accessible.ignored: true
        onClicked: picker.step(row.lastField, delta)

        contentItem: SymbolIcon {
            name: "chevron.right"
            rotation: stepButton.delta > 0 ? -90 : 90
            color: Theme.secondary
            size: 11
        }
    }

    Text {
        Layout.fillWidth: true
        text: row.label
        font: Theme.fontBody
        color: Theme.primary
        opacity: Rules.enabledOpacity(row.enabled)
        Accessible.ignored: true
    }
    Rectangle {
        implicitWidth: fields.implicitWidth + 12
        implicitHeight: 24
        radius: 5
        color: Theme.pushButtonFill(false, Theme.dark)
        border.color: Theme.separatorStroke
        border.width: 0.5
        opacity: Rules.enabledOpacity(row.enabled)

        Row {
            id: fields
            anchors.centerIn: parent
            TimeField {
                objectName: "hourField"
                part: TimeOfDayPicker.Hour
                text: picker.hourText
                accessibleName: row.label + " hour"
            }
            Text {
                text: ":"
                font: Theme.fontCallout
                color: Theme.primary
                Accessible.ignored: true
            }
            TimeField {
                objectName: "minuteField"
                part: TimeOfDayPicker.Minute
                text: picker.minuteText
                accessibleName: row.label + " minute"
            }
        }
    }
    Column {
        opacity: Rules.enabledOpacity(row.enabled)
        StepButton { delta: 1 }
        StepButton { delta: -1 }
    }
}
