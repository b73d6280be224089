import QtQuick
import Zephrane.Design

// A surface in one of its three renderings (SurfaceLook decides): a
// translucent material with a hairline, or an opaque window-coloured fill
// under Reduce Transparency. With a `backdrop` (an item behind the surface,
// inside the same window) the material also blurs what lies under it.
// `overMedia` follows the window or sheet around it (a photograph behind)
// unless set. Used as a background; it takes no clicks.
Item {
    id: root

    property real radius: 10
    property color tint: "transparent"
    property bool interactive: false
    property bool overMedia: BackdropHasPhotoKey.backdropHasPhoto
    property Item backdrop: null
    readonly property alias look: look

    SurfaceLook {
        id: look
        tint: root.tint
        interactive: root.interactive
        overMedia: root.overMedia
    }

    Rectangle {
        anchors.fill: parent
        radius: root.radius
        color: look.scrim
        visible: look.scrim.a > 0
    }
    Rectangle {
        anchors.fill: parent
        radius: root.radius
        color: look.tintFill
        visible: look.tintFill.a > 0
    }
    Loader {
        anchors.fill: parent
        active: root.backdrop !== null && look.rendering === SurfaceLook.Material
        source: "../Backdrops/BackdropBlur.qml"
        onLoaded: {
            item.source = Qt.binding(() => root.backdrop)
            item.radius = Qt.binding(() => root.radius)
        }
    }
    Rectangle {
        anchors.fill: parent
        radius: root.radius
        color: look.fill
    }
    Rectangle {
        anchors.fill: parent
        radius: root.radius
        color: "transparent"
        visible: look.stroked
        border.color: look.strokeColor
        border.width: look.strokeWidth
    }
}
