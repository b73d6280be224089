import QtQuick
import Zephrane.Design

GalleryScene {
    id: view
    property bool selected: false
    settled: swatch.hasThumbnail

    SelectableSwatch {
        isSelected: view.selected
        accessibilityLabel: "Nebula"
        BackdropSwatch { id: swatch; backdrop: "nebula" }
    }
}
