// A plain button of the panel: its content over a hover highlight in a
// rounded outline, a focus ring, a tooltip. Activates on click, or with
// Space, Return or Enter while focused. Assistive technologies read `text`
// as its name and `accessibleValue` as its description.
import QtQuick
import QtQuick.Controls as Controls
import QtQuick.Templates as T
import Zephrane.Design

T.AbstractButton {
    id: control

    property int hoverStyle: Rules.Tonal
    property real radius: 7
    property string help
    property string accessibleValue

    implicitWidth: implicitContentWidth + leftPadding + rightPadding
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    padding: 0
    focusPolicy: Qt.TabFocus
    hoverEnabled: true

    Accessible.role: Accessible.Button
    Accessible.name: text
    Accessible.description: accessibleValue
    Accessible.onPressAction: control.clicked()
    Keys.onReturnPressed: control.clicked()
    Keys.onEnterPressed: control.clicked()

    Controls.ToolTip.text: help
    Controls.ToolTip.visible: hovered && Rules.hasText(help)
    Controls.ToolTip.delay: 800

    background: Item {
        HoverHighlight {
            anchors.fill: parent
            radius: control.radius
            style: control.hoverStyle
            hovering: control.hovered
        }
        FocusRing {
            radius: control.radius
            focused: control.activeFocus
        }
    }
}
