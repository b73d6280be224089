import QtQuick
import Zephrane.Design
import Zephrane.Face

// One device-level reading (a row of Face.sensors.deviceSensors, by its id)
// with its expandable history graph.
Item {
    id: root

    required property string readingId
    property bool isExpanded: false
    property bool isPinnableKey: false
    // The row was tapped (click, Return or Space): the caller expands it.
    signal tapped()

    implicitWidth: 320
    implicitHeight: 36

    Text {
        text: root.readingId
        color: Theme.secondary
    }
}
