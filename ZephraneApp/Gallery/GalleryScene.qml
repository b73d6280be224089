import QtQuick
import Zephrane.Design

// The plate every view of the gallery stands on: the window's background
// and a margin around the view, sized to the view.
Rectangle {
    id: scene
    default property alias content: holder.data
    // False while something the picture needs still loads (a photograph).
    property bool settled: true

    implicitWidth: holder.childrenRect.width + 48
    implicitHeight: holder.childrenRect.height + 48
    width: implicitWidth
    height: implicitHeight
    color: Theme.windowBackground

    Item {
        id: holder
        x: 24
        y: 24
        width: childrenRect.width
        height: childrenRect.height
    }
}
