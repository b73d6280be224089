import QtQuick
import Zephrane.Design

// A glass surface that floats: its two-layer shadow below it wherever the
// surface is not the system's glass.
Item {
    id: root

    property real radius: 10
    property int elevation: Theme.Medium
    property color tint: "transparent"
    property bool interactive: false
    property bool overMedia: BackdropHasPhotoKey.backdropHasPhoto
    property Item backdrop: null

    PanelShadow {
        x: -margin
        y: -margin
        width: root.width + 2 * margin
        height: root.height + 2 * margin
        visible: surface.look.plateShadow
        elevation: root.elevation
        radius: root.radius
        dark: Theme.dark
    }
    GlassSurface {
        id: surface
        anchors.fill: parent
        radius: root.radius
        tint: root.tint
        interactive: root.interactive
        overMedia: root.overMedia
        backdrop: root.backdrop
    }
}
