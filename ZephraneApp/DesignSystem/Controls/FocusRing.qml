import QtQuick
import Zephrane.Design

// The app's keyboard focus ring, stroked inside its host's outline, shown
// only while the host has focus in the window that holds the keyboard.
Rectangle {
    property bool focused: false

    anchors.fill: parent
    z: 2
    enabled: false
    color: "transparent"
    visible: Rules.focusRingVisible(focused, Window.active)
    border.color: Theme.accentColor
    border.width: Rules.focusRingWidth(Theme.increaseContrast)
    opacity: Rules.focusRingOpacity(Theme.increaseContrast)
}
