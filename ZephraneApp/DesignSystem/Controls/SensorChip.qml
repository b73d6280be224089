import QtQuick
import Zephrane.Design

// A sensor's 26-point tile: its symbol on a soft tint, with the accent's
// outline while `isActive`. Hidden from screen readers.
Item {
    id: root

    property string symbol
    property color tint: Theme.secondary
    property bool isActive: false

    implicitWidth: 26
    implicitHeight: 26
    Accessible.ignored: true

    Rectangle {
        anchors.fill: parent
        radius: 7
        color: Rules.chipTile(root.tint)
    }
    SymbolIcon {
        anchors.centerIn: parent
        name: root.symbol
        color: root.tint
        size: Theme.symbolSize(Theme.fontCalloutMedium)
    }
    Rectangle {
        anchors.fill: parent
        radius: 7
        color: "transparent"
        visible: root.isActive
        border.color: Theme.accentColor
        border.width: 1.5
    }
}
