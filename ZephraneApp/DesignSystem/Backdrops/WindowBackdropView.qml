import QtQuick
import Zephrane.Design

// What a window or sheet shows behind its content, edge to edge: the window
// material, the theme's opaque window background, or a photograph under
// its wash. The window material stands in while the first image of a
// photograph loads. Nothing here takes pointer events, so clicks reach the
// content as if the backdrop were not there; screen readers never see it.
Item {
    id: root

    // What to draw: the window or sheet's BackdropBackground.
    property BackdropBackground background: null
    readonly property int fill: background ? background.fill : BackdropBackground.Material
    readonly property bool wantsPhoto: background !== null && background.photoStem !== ""
    // The photograph asked for is missing or does not decode.
    readonly property bool photoUnavailable: photo.item !== null && photo.item.unavailable
    readonly property bool photoLoaded: photo.item !== null && photo.item.loaded

    Accessible.ignored: true

    WindowMaterialBackdrop {
        objectName: "windowMaterial"
        anchors.fill: parent
        visible: root.fill === BackdropBackground.Material || (root.fill === BackdropBackground.Photo && !root.photoLoaded)
    }
    Rectangle {
        objectName: "opaqueWindowBackground"
        anchors.fill: parent
        visible: root.fill === BackdropBackground.Opaque
        color: Theme.windowBackground
    }
    // Made only while a photograph is asked for, so the system backdrop
    // holds no photograph in memory.
    Loader {
        id: photo
        anchors.fill: parent
        active: root.wantsPhoto
        visible: root.fill === BackdropBackground.Photo
        sourceComponent: PhotoBackdropLayer {
            stem: root.background.photoStem
            dark: root.background.photoDark
        }
    }
    Rectangle {
        id: scrim
        objectName: "scrim"
        anchors.fill: parent
        visible: root.fill === BackdropBackground.Photo
        readonly property var stops: root.background ? root.background.scrimStops : []
        function stopAt(index) {
            return index < stops.length ? stops[index] : {location: index / 3, color: "transparent"}
        }
        gradient: Gradient {
            GradientStop { position: scrim.stopAt(0).location; color: scrim.stopAt(0).color }
            GradientStop { position: scrim.stopAt(1).location; color: scrim.stopAt(1).color }
            GradientStop { position: scrim.stopAt(2).location; color: scrim.stopAt(2).color }
            GradientStop { position: scrim.stopAt(3).location; color: scrim.stopAt(3).color }
        }
    }
}
