import QtQuick
import QtQuick.Controls as Controls
import QtQuick.Templates as T
import Zephrane.Design

// The app's standard text button: a title, optionally followed by a small
// symbol, on a rounded glass plate 32 points tall that lightens under the
// pointer, shows the focus ring and dims when disabled. Activates on click,
// or with Space or Return while focused.
T.AbstractButton {
    id: control

    property string trailingSystemImage
    property string help
    property string accessibilityHint

    implicitWidth: row.implicitWidth + 24
    implicitHeight: 32
    leftPadding: 12
    rightPadding: 12
    focusPolicy: Qt.TabFocus
    hoverEnabled: true
    opacity: Rules.enabledOpacity(enabled)

    Accessible.role: Accessible.Button
    Accessible.name: text
    Accessible.description: accessibilityHint
    Accessible.onPressAction: control.clicked()
    Keys.onReturnPressed: control.clicked()
    Keys.onEnterPressed: control.clicked()

    Controls.ToolTip.text: help
    Controls.ToolTip.visible: hovered && Rules.hasText(help)
    Controls.ToolTip.delay: 800

    background: Item {
        GlassSurface {
            anchors.fill: parent
            radius: 10
            interactive: true
        }
        HoverHighlight {
            anchors.fill: parent
            radius: 10
            style: Rules.Lighten
            hovering: control.hovered
        }
        FocusRing {
            radius: 10
            focused: control.activeFocus
        }
    }
    contentItem: Item {
        implicitWidth: row.implicitWidth
        implicitHeight: row.implicitHeight
        Row {
            id: row
            anchors.centerIn: parent
            spacing: 4
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: control.text
                font: Theme.fontCalloutMedium
                color: Theme.primary
                Accessible.ignored: true
            }
            SymbolIcon {
                anchors.verticalCenter: parent.verticalCenter
                visible: Rules.hasText(control.trailingSystemImage)
                name: control.trailingSystemImage
                color: Theme.primary
                size: Theme.symbolSize(Theme.fontCaption2Semibold)
            }
        }
    }
}
