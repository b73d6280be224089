import QtQuick
import QtQuick.Layouts
import Zephrane.Design

// A row of a form section: its content laid out left to right, padded, with
// a hairline above it unless it is the section's first row.
Item {
    id: root

    default property alias content: layout.data
    property real verticalPadding: 6
    // False for a row inside another row: no hairline above it.
    property bool separated: true
    property alias spacing: layout.spacing

    width: parent ? parent.width : implicitWidth
    implicitWidth: layout.implicitWidth + 24
    implicitHeight: Math.max(28, layout.implicitHeight) + 2 * verticalPadding

    Rectangle {
        visible: root.separated && !root.Positioner.isFirstItem
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.leftMargin: 12
        height: 1
        color: Theme.separatorStroke
    }
    RowLayout {
        id: layout
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.leftMargin: 12
        anchors.rightMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        spacing: 8
    }
}
