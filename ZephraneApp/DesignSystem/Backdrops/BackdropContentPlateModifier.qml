import QtQuick
import Zephrane.Design

// Content that must stay legible over a photograph (a settings form): on
// a glass plate, corner radius 20 and medium elevation, while the window
// or sheet around it has a photograph behind; on nothing over the window
// material. Put the content inside it; it takes the content's size unless
// given one.
Item {
    id: root

    default property alias content: holder.data
    readonly property var plate: Rules.backdropContentPlate(BackdropHasPhotoKey.backdropHasPhoto)
    readonly property bool plated: plate.plated

    implicitWidth: holder.childrenRect.width
    implicitHeight: holder.childrenRect.height

    property Item __plate: GlassPlate {
        objectName: "contentPlate"
        parent: root
        anchors.fill: parent
        visible: root.plated
        radius: root.plate.cornerRadius
        elevation: root.plate.elevation
    }
    property Item __holder: Item {
        id: holder
        parent: root
        anchors.fill: parent
    }
}
