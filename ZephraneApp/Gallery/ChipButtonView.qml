import QtQuick
import QtQuick.Layouts
import Zephrane.Design

GalleryScene {
    id: view
    property bool bare: false

    RowLayout {
        spacing: 10
        IconChipButton {
            systemImage: "pin"
            style: view.bare ? IconChipButton.Bare : IconChipButton.Chip
            accessibilityLabel: "Pin"
            help: "Pin this sensor"
        }
        IconChipButton {
            systemImage: "pencil"
            style: view.bare ? IconChipButton.Bare : IconChipButton.Chip
            accessibilityLabel: "Edit"
        }
        IconChipButton {
            systemImage: "trash"
            style: view.bare ? IconChipButton.Bare : IconChipButton.Chip
            accessibilityLabel: "Delete"
        }
    }
}
