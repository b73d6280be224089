import QtQuick
import Zephrane.Design
import Zephrane.MainWindow

// A dashboard card's plate: floating glass with corner radius 20, its one
// card 28 points in. The card fills the room inside (anchors.fill: parent);
// the plate asks for the card's own size plus the padding.
Item {
    id: root

    default property alias content: holder.data
    readonly property real padding: 28
    readonly property Item card: holder.children.length > 0 ? holder.children[0] : null

    implicitWidth: (card ? card.implicitWidth : 0) + 2 * padding
    implicitHeight: (card ? card.implicitHeight : 0) + 2 * padding

    GlassPlate {
        anchors.fill: parent
        radius: 20
        elevation: Theme.Medium
    }
    Item {
        id: holder
        anchors.fill: parent
        anchors.margins: root.padding
    }
}
