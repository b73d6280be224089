import QtQuick
import QtQuick.Templates as T
import Zephrane.Design

// A pickable tile around any small content (a colour dot, a backdrop
// swatch): at least 24 x 24 points of content, 2.5 points of padding, a
// ring in the accent colour over the padding while `isSelected`, and the
// hover highlight over the content. The whole padded tile takes clicks;
// `clicked` is its action, also on Space or Return while focused. Screen
// readers hear one button with the label and hint, selected when chosen.
T.AbstractButton {
    id: control

    property bool isSelected: false
    property string accessibilityLabel
    property string accessibilityHint
    // The tile's content; centred in its frame.
    default property alias content: holder.data
    readonly property var metrics: Rules.selectableSwatchMetrics()
    readonly property Item contentChild: holder.children.length > 0 ? holder.children[0] : null
    readonly property size tileSize: Rules.selectableSwatchTileSize(contentChild ? contentChild.width : 0,
                                                                    contentChild ? contentChild.height : 0)

    implicitWidth: tileSize.width
    implicitHeight: tileSize.height
    padding: metrics.padding
    focusPolicy: Qt.TabFocus
    hoverEnabled: true

    Accessible.role: Accessible.Button
    Accessible.name: accessibilityLabel
    Accessible.description: accessibilityHint
    Accessible.selectable: true
    Accessible.selected: isSelected
    Accessible.onPressAction: control.clicked()
    Keys.onReturnPressed: control.clicked()
    Keys.onEnterPressed: control.clicked()

    onContentChildChanged: {
        if (contentChild) {
            contentChild.x = Qt.binding(() => (holder.width - contentChild.width) / 2)
            contentChild.y = Qt.binding(() => (holder.height - contentChild.height) / 2)
        }
    }

    contentItem: Item {
        Item {
            id: holder
            anchors.fill: parent
        }
        HoverHighlight {
            anchors.fill: parent
            radius: control.metrics.contentCornerRadius
            style: Rules.Lighten
            hovering: control.hovered
        }
        // Over the padding: its outer edge follows the padded tile.
        Rectangle {
            objectName: "selectableSwatchRing"
            x: -control.leftPadding
            y: -control.topPadding
            width: control.width
            height: control.height
            radius: control.metrics.ringCornerRadius
            color: "transparent"
            border.color: Theme.accentColor
            border.width: control.metrics.ringWidth
            opacity: control.isSelected ? 1 : 0
            visible: opacity > 0
            Behavior on opacity {
                MotionAnimation { spring: Theme.Snappy }
            }
        }
        FocusRing {
            anchors.fill: undefined
            x: -control.leftPadding
            y: -control.topPadding
            width: control.width
            height: control.height
            radius: control.metrics.ringCornerRadius
            focused: control.activeFocus
        }
    }
}
