// The panel's footer plate: "Open" (the main window as it was), the
// settings gear and "Quit".
import QtQuick
import QtQuick.Layouts
import Zephrane.Design
import Zephrane.Shell

GlassPlate {
    id: plate

    required property ZephraneMenuBarView view

    radius: 10
    elevation: Theme.Medium
    implicitHeight: content.implicitHeight + 32

    component TextButton: PanelButton {
        id: button
        leftPadding: 8
        rightPadding: 8
        topPadding: 6
        bottomPadding: 6
        contentItem: Text {
            text: button.text
            font: Theme.fontCallout
            color: Theme.primary
            Accessible.ignored: true
        }
    }

    RowLayout {
        id: content
        anchors.fill: parent
        anchors.margins: 16
        spacing: 4

        TextButton {
            objectName: "openButton"
            text: plate.view.labels.open
            onClicked: plate.view.openMainWindow()
        }
        PanelButton {
            objectName: "settingsButton"
            text: plate.view.labels.settings
            help: plate.view.labels.settings
            implicitWidth: 26
            implicitHeight: 26
            onClicked: plate.view.openSection("settings")
            contentItem: Item {
                SymbolIcon {
                    anchors.centerIn: parent
                    name: "gearshape"
                    color: Theme.primary
                    size: Theme.symbolSize(Theme.fontCalloutMedium)
                    Accessible.ignored: true
                }
            }
        }
        TextButton {
            objectName: "quitButton"
            text: plate.view.labels.quit
            onClicked: plate.view.quit()
        }
        Item {
            Layout.fillWidth: true
        }
    }
}
