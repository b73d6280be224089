// The main window: the menus from the shell's command table; the content
// is the main view's place.
import QtQuick
import QtQuick.Controls
import QtQml.Models

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

    // Entries made from a model go in through insertItem at their index:
    // a Repeater's entries would land after the menu's fixed ones, and their
    // shortcuts would act only while the menu is open.
    component CommandMenu: Menu {
        id: menu
        property string menuName
        Instantiator {
            model: commandsOf(menu.menuName)
            delegate: MenuItem {
                required property var modelData
                text: modelData.title
                action: Action {
                    // Nothing to export before the history's first sample.
                    enabled: modelData.command !== 2 || shell.hasHistory
                    shortcut: modelData.shortcut
                    onTriggered: shell.trigger(modelData.command)
                }
            }
            onObjectAdded: (index, object) => menu.insertItem(index, object)
            onObjectRemoved: (index, object) => menu.removeItem(object)
        }
    }

    menuBar: MenuBar {
        CommandMenu { title: "Brumalune"; menuName: "Brumalune" }
        CommandMenu { title: "File"; menuName: "File" }
        CommandMenu { title: "View"; menuName: "View" }
        Menu {
            id: fansMenu
            title: "Fans"
            Instantiator {
                model: shell.hasFans ? shell.presets : []
                delegate: MenuItem {
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
                onObjectAdded: (index, object) => fansMenu.insertItem(index, object)
                onObjectRemoved: (index, object) => fansMenu.removeItem(object)
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
