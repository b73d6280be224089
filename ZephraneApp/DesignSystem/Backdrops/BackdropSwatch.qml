import QtQuick
import Zephrane.Design

// The small preview of one backdrop for the settings' picker: 54 x 36
// points, rounded and outlined, showing the photograph's thumbnail in the
// current appearance, or the window material for "System" and until the
// thumbnail has loaded. It takes no clicks (the selectable tile around it
// does) and is decorative for screen readers.
Item {
    id: root

    // The backdrop's stored raw value ("system", "aurora"...).
    property string backdrop: "system"
    readonly property var metrics: Rules.backdropSwatchMetrics()
    readonly property bool hasThumbnail: thumbnail.hasThumbnail

    implicitWidth: metrics.width
    implicitHeight: metrics.height
    Accessible.ignored: true

    WindowMaterialBackdrop {
        objectName: "swatchMaterial"
        anchors.fill: parent
        radius: root.metrics.cornerRadius
        visible: !thumbnail.hasThumbnail
    }
    BackdropSwatchThumbnail {
        id: thumbnail
        anchors.fill: parent
        backdrop: root.backdrop
        dark: Theme.dark
        cornerRadius: root.metrics.cornerRadius
    }
    Rectangle {
        anchors.fill: parent
        radius: root.metrics.cornerRadius
        color: "transparent"
        border.color: Theme.separatorStroke
        border.width: root.metrics.borderWidth
    }
}
