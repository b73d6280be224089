import QtQuick
import QtQuick.Templates as T
import Zephrane.Design

// A standard push button: filled with the accent when `prominent`, a quiet
// fill otherwise. It presses like every control of the app and activates
// with Space or Return while focused.
T.AbstractButton {
    id: control

    property bool prominent: false

    implicitWidth: label.implicitWidth + 24
    implicitHeight: 24
    focusPolicy: Qt.TabFocus
    hoverEnabled: true
    opacity: Rules.enabledOpacity(enabled)
    scale: Rules.pressScale(down)
    Behavior on scale {
        MotionAnimation {}
    }

    Accessible.role: Accessible.Button
    Accessible.name: text
    Accessible.onPressAction: control.clicked()
    Keys.onReturnPressed: control.clicked()
    Keys.onEnterPressed: control.clicked()

    background: Rectangle {
        radius: 6
        color: Theme.pushButtonFill(control.prominent, Theme.dark)
        border.color: Theme.separatorStroke
        border.width: 0.5
        HoverHighlight {
            anchors.fill: parent
            radius: 6
            hovering: control.hovered
        }
        FocusRing {
            radius: 6
            focused: control.activeFocus
        }
    }
    contentItem: Text {
        id: label
        text: control.text
        font: Theme.fontCallout
        color: Theme.pushButtonText(control.prominent, Theme.dark)
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        Accessible.ignored: true
    }
}
