import QtQuick
import Zephrane.Design

// A reading history as a smooth, scrolling sparkline. Bind
// `mainWindowVisible` to the engine's: the graph draws nothing while the
// main window is hidden. Read as one element: the label, then the newest
// reading and the range (the canvas words it).
Item {
    id: root

    property var samples: []
    property color tint: Theme.accentColor
    property real lineWidth: 1.5
    property bool showFill: false
    property bool hasRange: false
    property real rangeLow: 0
    property real rangeHigh: 1
    property bool thermal: false
    property string label
    property string unit
    property bool mainWindowVisible: true
    readonly property bool animating: canvas.animating

    implicitWidth: 120
    implicitHeight: 36

    Accessible.role: Accessible.Graphic
    Accessible.name: label
    Accessible.description: canvas.accessibilityValue

    MiniGraphCanvas {
        id: canvas
        anchors.fill: parent
        samples: root.samples
        tint: root.tint
        lineWidth: root.lineWidth
        showFill: root.showFill
        hasRange: root.hasRange
        rangeLow: root.rangeLow
        rangeHigh: root.rangeHigh
        thermal: root.thermal
        unit: root.unit
        dark: Theme.dark
        reduceMotion: Theme.reduceMotion
        mainWindowVisible: root.mainWindowVisible
        Accessible.ignored: true
    }
}
