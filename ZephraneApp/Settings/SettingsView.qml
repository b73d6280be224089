import QtQuick
import Zephrane.Design
import Zephrane.Face

// The settings form.
Item {
    implicitWidth: 480
    implicitHeight: 400

    Text {
        text: "Settings"
        color: Theme.secondary
    }
}
