import QtQuick
import QtQuick.Templates as T
import Zephrane.Design

// The form's slider: a thin track filled with the accent up to the knob.
// Dragging moves it freely unless it snaps to its step; the arrow keys
// move it by `stepSize`. Screen readers hear a slider named after its row,
// with the row's value text as its description.
T.Slider {
    id: control

    property string accessibleName
    property string valueText

    implicitWidth: 180
    implicitHeight: 20
    padding: 0
    focusPolicy: Qt.StrongFocus
    hoverEnabled: true
    opacity: Rules.enabledOpacity(enabled)

    Accessible.name: accessibleName
    Accessible.description: valueText

    background: Item {
        Rectangle {
            y: (parent.height - height) / 2
            width: parent.width
            height: 4
            radius: 2
            color: Theme.separatorStroke
        }
        Rectangle {
            y: (parent.height - height) / 2
            width: control.handle.x + control.handle.width / 2
            height: 4
            radius: 2
            color: Theme.accentColor
        }
    }
    handle: Rectangle {
        x: control.visualPosition * (control.availableWidth - width)
        y: (control.availableHeight - height) / 2
        width: 18
        height: 18
        radius: 9
        color: "white"
        border.color: Theme.separatorStroke
        border.width: 1
        HoverHighlight {
            anchors.fill: parent
            radius: parent.radius
            hovering: control.hovered
        }
        FocusRing {
            anchors.margins: -2
            radius: 11
            focused: control.activeFocus
        }
    }
}
