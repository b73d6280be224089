import QtQuick
import QtQuick.Templates as T
import Zephrane.Design

// The form's on/off switch: a track that fills with the accent when on and
// a knob that slides over. Space toggles it while it has the keyboard;
// screen readers hear a check box named after its row.
T.Switch {
    id: control

    implicitWidth: 36
    implicitHeight: 20
    padding: 0
    focusPolicy: Qt.StrongFocus
    hoverEnabled: true
    opacity: Rules.enabledOpacity(enabled)

    Accessible.name: text
    Keys.onReturnPressed: control.toggle()

    indicator: Rectangle {
        implicitWidth: 36
        implicitHeight: 20
        radius: height / 2
        color: control.checked ? Theme.accentColor : Theme.quaternaryFill
        border.color: Theme.separatorStroke
        border.width: 0.5
        Behavior on color {
            MotionColorAnimation { spring: Theme.Snappy }
        }

        Rectangle {
            width: parent.height - 4
            height: width
            radius: width / 2
            y: 2
            x: control.checked ? parent.width - width - 2 : 2
            color: "white"
            border.color: Theme.separatorStroke
            border.width: 0.5
            Behavior on x {
                MotionAnimation { spring: Theme.Snappy }
            }
        }
        FocusRing {
            anchors.margins: -2
            radius: parent.radius + 2
            focused: control.activeFocus
        }
    }
    contentItem: Item {}
}
