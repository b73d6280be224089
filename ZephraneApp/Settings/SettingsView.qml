import QtQuick
import Zephrane.Design
import Zephrane.Face

// The settings form.
Item {
    // The shell's updater view model; the Updates section hides without one.
    property QtObject updater: null

    implicitWidth: 480
    implicitHeight: 400

    Text {
        text: "Settings"
        color: Theme.secondary
    }
}
