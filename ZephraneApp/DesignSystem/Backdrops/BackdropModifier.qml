import QtQuick
import Zephrane.Design

// What the window and sheet modifiers share: the selected backdrop behind
// the content, edge to edge, and whether a photograph lies behind handed
// down to everything inside (`BackdropHasPhotoKey.backdropHasPhoto`). Use
// WindowGlassModifier or SheetRootBackgroundModifier.
Item {
    id: root

    // The backdrop's stored raw value ("system", "aurora"...).
    property string backdrop: "system"
    // A sheet shows the opaque window background under Reduce Transparency.
    property bool sheet: false
    default property alias content: holder.data
    readonly property bool hasPhoto: rendition.hasPhoto
    // The photograph asked for is on screen (the material stands in until then).
    readonly property bool photoLoaded: view.photoLoaded
    readonly property BackdropBackground rendition: BackdropBackground {
        backdrop: root.backdrop
        sheet: root.sheet
        photoAvailable: !view.photoUnavailable
    }

    BackdropHasPhotoKey.backdropHasPhoto: rendition.hasPhoto

    property Item __view: WindowBackdropView {
        id: view
        parent: root
        anchors.fill: parent
        background: root.rendition
    }
    property Item __holder: Item {
        id: holder
        parent: root
        anchors.fill: parent
    }
}
