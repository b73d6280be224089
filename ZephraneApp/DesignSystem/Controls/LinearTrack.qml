import QtQuick
import QtQuick.Window
import Zephrane.Design

// The thin horizontal progress bar: a faint track, a fill from the leading
// edge for `fraction`, and with a `targetFraction` a small upright marker,
// at a height snapped to whole device pixels. Decorative: it takes no
// pointer events and assistive technologies skip it (the row around it
// speaks the value). Set the width; `barHeight` is the height asked for.
Item {
    id: root

    property real barHeight: 3
    property real fraction: 0
    // undefined (or null) for no marker
    property var targetFraction: undefined
    readonly property var geometry: Rules.linearTrack(width, barHeight, fraction, targetFraction,
                                                      Screen.devicePixelRatio)

    implicitHeight: geometry.height
    height: geometry.height
    Accessible.ignored: true

    Rectangle {
        objectName: "linearTrackTrack"
        width: root.width
        height: root.geometry.height
        radius: height / 2
        color: Theme.primary
        opacity: root.geometry.trackOpacity
    }
    Rectangle {
        objectName: "linearTrackFill"
        width: root.geometry.fillWidth
        height: root.geometry.height
        radius: height / 2
        color: Theme.primary
        opacity: root.geometry.fillOpacity
        Behavior on width {
            MotionAnimation { spring: Theme.Smooth }
        }
    }
    Rectangle {
        objectName: "linearTrackMarker"
        visible: root.geometry.markerVisible
        x: root.geometry.markerX
        y: root.geometry.markerY
        width: root.geometry.markerWidth
        height: root.geometry.markerHeight
        radius: width / 2
        color: Theme.secondary
        opacity: root.geometry.markerOpacity
        Behavior on x {
            MotionAnimation { spring: Theme.Snappy }
        }
    }
}
