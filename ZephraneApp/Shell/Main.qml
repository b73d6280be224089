// The main window: the menus from the shell's command table around the
// main view.
import QtQuick
import QtQuick.Controls
import QtQml.Models
import Zephrane.MainWindow
import Zephrane.Shell

ApplicationWindow {
    id: window
    objectName: "main"
    title: "Brumalune"
    width: 1100
    height: 800
    minimumWidth: 820
    minimumHeight: 620
    visible: true

    // Entries made from a model go in through insertItem at their index:
    // a Repeater's entries would land after the menu's fixed ones, and their
    // shortcuts would act only while the menu is open.
    component CommandMenu: Menu {
        id: menu
        property var entries
        Instantiator {
            model: menu.entries
            delegate: MenuItem {
                id: entry
                required property int command
                required property string label
                required property string keySequence
                required property bool available
                text: label
                action: Action {
                    enabled: entry.available
                    shortcut: entry.keySequence
                    onTriggered: Shell.trigger(entry.command)
                }
            }
            onObjectAdded: (index, object) => menu.insertItem(index, object)
            onObjectRemoved: (index, object) => menu.removeItem(object)
        }
    }

    menuBar: MenuBar {
        CommandMenu { title: "Brumalune"; entries: Shell.appMenu }
        CommandMenu { title: "File"; entries: Shell.fileMenu }
        CommandMenu { title: "View"; entries: Shell.viewMenu }
        Menu {
            id: fansMenu
            title: "Fans"
            Instantiator {
                model: Shell.fanPresets
                delegate: MenuItem {
                    id: preset
                    required property int index
                    required property string label
                    required property string keySequence
                    required property bool isChecked
                    text: label
                    checkable: true
                    checked: isChecked
                    action: Action {
                        shortcut: preset.keySequence
                        onTriggered: Shell.choosePreset(preset.index)
                    }
                }
                onObjectAdded: (index, object) => fansMenu.insertItem(index, object)
                onObjectRemoved: (index, object) => fansMenu.removeItem(object)
            }
            MenuSeparator { visible: Shell.showsDustCycle }
            MenuItem {
                visible: Shell.showsDustCycle
                text: "Start Dust Cycle\u2026"
                enabled: Shell.dustCycleEnabled
                onTriggered: Shell.trigger(Shell.StartDustCycle)
            }
        }
    }

    ZephraneMainView {
        anchors.fill: parent
        updater: Shell.updater
    }
}
