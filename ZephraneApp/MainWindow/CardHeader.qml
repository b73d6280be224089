import QtQuick
import QtQuick.Layouts
import Zephrane.Design
import Zephrane.MainWindow

// A card's title row: the title at the leading edge, something of the
// card's own at the trailing one, at least 32 points tall.
Item {
    id: root

    property string title
    default property alias trailing: trailingHolder.data

    implicitWidth: titleText.implicitWidth + 12 + trailingHolder.implicitWidth
    implicitHeight: Math.max(32, titleText.implicitHeight, trailingHolder.implicitHeight)

    Text {
        id: titleText
        anchors.left: parent.left
        anchors.verticalCenter: parent.verticalCenter
        width: Math.min(implicitWidth, root.width - trailingHolder.width - 12)
        text: root.title
        font: Theme.fontTitle3Semibold
        color: Theme.primary
        elide: Text.ElideRight
        Accessible.role: Accessible.Heading
        Accessible.name: text
    }
    Item {
        id: trailingHolder
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        implicitWidth: childrenRect.width
        implicitHeight: childrenRect.height
        width: implicitWidth
        height: implicitHeight
    }
}
