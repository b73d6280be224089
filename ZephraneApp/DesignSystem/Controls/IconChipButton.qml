import QtQuick
import QtQuick.Controls as Controls
import QtQuick.Templates as T
import Zephrane.Design

// The small square icon button of rows and headers: one symbol in a 26 x 26
// point target, on a soft rounded chip or bare, lightening under the
// pointer. With `hoverReveal` it stays dim until the pointer or the
// keyboard comes to it. Activates on click, or with Space or Return while
// focused; `clicked` is its action.
T.AbstractButton {
    id: control

    enum Style { Chip, Bare }

    property string systemImage
    property int style: IconChipButton.Chip
    property bool hoverReveal: false
    property string help
    property string accessibilityLabel
    readonly property var metrics: Rules.iconChipMetrics()

    implicitWidth: metrics.side
    implicitHeight: metrics.side
    padding: 0
    focusPolicy: Qt.TabFocus
    hoverEnabled: true
    opacity: Rules.iconChipOpacity(hoverReveal, hovered, activeFocus)
    Behavior on opacity {
        MotionAnimation { spring: Theme.Snappy }
    }

    // Clicks count inside the rounded outline only.
    containmentMask: QtObject {
        function contains(point: point): bool {
            return Rules.iconChipContains(control.width, control.height, point.x, point.y)
        }
    }

    Accessible.role: Accessible.Button
    Accessible.name: accessibilityLabel
    Accessible.onPressAction: control.clicked()
    Keys.onReturnPressed: control.clicked()
    Keys.onEnterPressed: control.clicked()

    Controls.ToolTip.text: help
    Controls.ToolTip.visible: hovered && Rules.hasText(help)
    Controls.ToolTip.delay: 800

    background: Item {
        Rectangle {
            objectName: "iconChipFill"
            anchors.fill: parent
            radius: control.metrics.cornerRadius
            color: Rules.iconChipFill(control.style === IconChipButton.Bare, Theme.dark)
            visible: control.style !== IconChipButton.Bare
        }
        HoverHighlight {
            anchors.fill: parent
            radius: control.metrics.cornerRadius
            style: Rules.Lighten
            hovering: control.hovered
        }
        FocusRing {
            radius: control.metrics.cornerRadius
            focused: control.activeFocus
        }
    }
    contentItem: Item {
        SymbolIcon {
            anchors.centerIn: parent
            name: control.systemImage
            color: Theme.secondary
            size: Theme.symbolSize(Theme.fontCalloutMedium)
            Accessible.ignored: true
        }
    }
}
