import QtQuick
import Zephrane.Design

GalleryScene {
    id: view
    property real fraction: 0.5
    property var targetFraction: undefined

    LinearTrack {
        width: 240
        height: 10
        fraction: view.fraction
        targetFraction: view.targetFraction
    }
}
