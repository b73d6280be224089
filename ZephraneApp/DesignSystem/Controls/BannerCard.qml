import QtQuick
import Zephrane.Design

// Arbitrary content on a floating glass card, padded on every side and as
// wide as it is offered, the content at its leading edge. A tint colours
// the glass at 0.35.
Item {
    id: root

    property real padding: 16
    property color tint: "transparent"
    default property alias content: holder.data

    implicitWidth: holder.childrenRect.width + 2 * padding
    implicitHeight: holder.childrenRect.height + 2 * padding

    GlassPlate {
        anchors.fill: parent
        radius: 20
        elevation: Theme.Medium
        tint: Rules.bannerTint(root.tint)
    }
    Item {
        id: holder
        anchors.fill: parent
        anchors.margins: root.padding
    }
}
