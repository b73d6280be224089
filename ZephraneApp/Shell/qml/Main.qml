// The main window: the menus from the shell's command table; the content
// is the main view's place.
import QtQuick
import QtQuick.Controls

ApplicationWindow {
    id: window
    objectName: "main"
    title: "Brumalune"
    width: 1100
    height: 800
    minimumWidth: 820
    minimumHeight: 620
    visible: true

    function commandsOf(menuName) {
        return shell.commands.filter(entry => entry.menu === menuName
                                     && (entry.command !== 1 || shell.canCheckForUpdates))
    }

    component CommandMenu: Menu {
        property string menuName
        Repeater {
            model: commandsOf(menuName)
            MenuItem {
                required property var modelData
                text: modelData.title
                action: Action {
                    // Nothing to export before the history's first sample.
                    enabled: modelData.command !== 2 || shell.hasHistory
                    shortcut: modelData.shortcut
                    onTriggered: shell.trigger(modelData.command)
                }
            }
        }
    }

    menuBar: MenuBar {
        CommandMenu { title: "Brumalune"; menuName: "Brumalune" }
        CommandMenu { title: "File"; menuName: "File" }
        CommandMenu { title: "View"; menuName: "View" }
        Menu {
            title: "Fans"
            Repeater {
                model: shell.hasFans ? shell.presets : []
                MenuItem {
                    required property var modelData
                    required property int index
                    text: modelData.title
                    checkable: true
                    checked: modelData.checked
                    action: Action {
                        shortcut: modelData.shortcut
                        onTriggered: shell.choosePreset(index)
                    }
                }
            }
            MenuSeparator { visible: shell.hasFans }
            MenuItem {
                visible: shell.hasFans
                text: "Start Dust Cycle\u2026"
                enabled: shell.helperConnected
                onTriggered: shell.trigger(7)
            }
        }
    }

    Label {
        anchors.centerIn: parent
        text: shell.section
        font.pixelSize: 24
    }
}
