import QtQuick
import Zephrane.Design
import Zephrane.Face

// Every sensor, grouped, searchable.
Item {
    implicitWidth: 480
    implicitHeight: 400

    Text {
        text: "Sensors"
        color: Theme.secondary
    }
}
