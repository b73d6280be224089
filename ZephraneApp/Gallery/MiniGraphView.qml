import QtQuick
import Zephrane.Design

GalleryScene {
    id: view
    property var samples: [48, 51, 55, 61, 66, 70, 74, 78, 76, 80, 83, 86]
    property bool thermal: true

    MiniGraph {
        width: 180
        height: 48
        samples: view.samples
        thermal: view.thermal
        showFill: view.thermal
        tint: view.thermal ? Theme.temperatureColor(80) : Theme.accentColor
        lineWidth: 2
        label: view.thermal ? "CPU" : "System power"
        unit: view.thermal ? "°C" : " W"
    }
}
