import QtQuick
import QtQuick.Templates as T
import Zephrane.Design

// A bordered form button; `textColor` marks one that destroys something.
// It activates on click, or with Space or Return while focused.
T.AbstractButton {
    id: control

    property color textColor: Theme.primary
    property string accessibleDescription

    implicitWidth: label.implicitWidth + 24
    implicitHeight: 24
    focusPolicy: Qt.StrongFocus
    hoverEnabled: true
    opacity: Rules.enabledOpacity(enabled)
    scale: Rules.pressScale(down)
    Behavior on scale {
        MotionAnimation {}
    }

    Accessible.role: Accessible.Button
    Accessible.name: text
    Accessible.description: accessibleDescription
    Accessible.onPressAction: control.clicked()
    Keys.onReturnPressed: control.clicked()
    Keys.onEnterPressed: control.clicked()

    background: Rectangle {
        radius: 6
        color: Theme.pushButtonFill(false, Theme.dark)
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
        color: control.textColor
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        Accessible.ignored: true
    }
}
