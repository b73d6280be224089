import QtQuick
import Zephrane.Dashboard
import Zephrane.Design
import Zephrane.Face
import Zephrane.Modes
import Zephrane.Onboarding
import Zephrane.Settings

// The main window's content: the sidebar of sections beside the selected
// section's view.
Item {
    id: root

    implicitWidth: 1100
    implicitHeight: 800

    Text {
        anchors.centerIn: parent
        text: ["Dashboard", "Sensors", "Modes", "Settings"][Face.shell.selectedSection]
        color: Theme.secondary
    }
}
