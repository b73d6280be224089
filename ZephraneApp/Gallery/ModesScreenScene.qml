import QtQuick
import Zephrane.Modes

// The modes screen at the size the main window's section gives it.
GalleryScene {
    ModesView {
        width: 760
        height: 600
    }
}
