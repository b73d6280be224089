import QtQuick
import Zephrane.Shell

// The shell's panel content as the floating panel shows it. With a
// `dragFraction` the slider is held in a drag at that position.
GalleryScene {
    id: scene
    property real dragFraction: -1

    Panel {
        id: panel
    }

    Component.onCompleted: {
        if (dragFraction >= 0) {
            panel.presenter.slider.setEditing(true)
            panel.presenter.slider.move(dragFraction)
        }
    }
}
