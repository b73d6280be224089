import QtQuick
import Zephrane.Dashboard

// The Sensors section at the main window's detail size.
GalleryScene {
    id: scene
    property string query: ""
    property string expandedSensorID: ""

    SensorsView {
        width: 800
        height: 760
        query: scene.query
        expandedSensorID: scene.expandedSensorID
    }
}
