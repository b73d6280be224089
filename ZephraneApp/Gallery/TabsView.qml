import QtQuick
import Zephrane.Design

GalleryScene {
    id: view
    property bool compact: false
    property var selection: "auto"

    GlassTabs {
        width: view.compact ? 220 : 330
        size: view.compact ? GlassTabs.Compact : GlassTabs.Regular
        allowsDeselect: true
        accessibilityLabel: "Fan Control"
        segments: [{id: "quiet", title: "Quiet"}, {id: "auto", title: "Balanced"}, {id: "max", title: "Max"}]
        selection: view.selection
    }
}
