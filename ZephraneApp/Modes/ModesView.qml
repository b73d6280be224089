import QtQuick
import Zephrane.Design
import Zephrane.Face

// The custom modes screen.
Item {
    implicitWidth: 480
    implicitHeight: 400

    Text {
        text: "Custom Modes"
        color: Theme.secondary
    }
}
