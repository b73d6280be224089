import QtQuick
import QtQuick.Layouts
import Zephrane.Design
import Zephrane.MainWindow

// The dust cycle's confirmation: what it does and how long, then "Start
// Dust Cycle" or "Cancel" (Escape). It opens while the window's
// showDustCycleSheet is set and clears it when it goes.
MainWindowSheet {
    id: sheet

    required property MainViewPresenter main

    onClosed: main.showDustCycleSheet = false
    onOpened: start.forceActiveFocus(Qt.TabFocusReason)
    Component.onCompleted: if (main.showDustCycleSheet) open()

    Connections {
        target: sheet.main
        function onShowDustCycleSheetChanged() {
            if (sheet.main.showDustCycleSheet)
                sheet.open()
            else
                sheet.close()
        }
    }

    ColumnLayout {
        width: Math.max(380, implicitWidth)
        spacing: 20

        ColumnLayout {
            Layout.margins: 28
            Layout.bottomMargin: 0
            Layout.maximumWidth: 380 - 56
            Layout.alignment: Qt.AlignHCenter
            spacing: 6

            Text {
                Layout.alignment: Qt.AlignHCenter
                Layout.bottomMargin: 6
                text: MainWindowTexts.dustCycle
                font: Theme.fontTitle2Semibold
                color: Theme.primary
                Accessible.role: Accessible.Heading
                Accessible.name: text
            }
            Text {
                Layout.fillWidth: true
                text: MainWindowTexts.dustCycleSheetBody
                font: Theme.fontBody
                color: Theme.primary
                wrapMode: Text.WordWrap
                horizontalAlignment: Text.AlignHCenter
            }
            Text {
                Layout.fillWidth: true
                text: MainWindowTexts.dustCycleSheetNote
                font: Theme.fontCallout
                color: Theme.secondary
                opacity: 0.8
                wrapMode: Text.WordWrap
                horizontalAlignment: Text.AlignHCenter
            }
        }
        ColumnLayout {
            Layout.fillWidth: true
            Layout.margins: 28
            Layout.topMargin: 0
            spacing: 10

            PushButton {
                id: start
                objectName: "startDustCycleButton"
                Layout.fillWidth: true
                implicitHeight: 32
                prominent: true
                text: MainWindowTexts.startDustCycle
                onClicked: sheet.main.startDustCycleFromSheet()
            }
            PushButton {
                objectName: "cancelDustCycleSheetButton"
                Layout.fillWidth: true
                implicitHeight: 32
                text: MainWindowTexts.cancel
                onClicked: sheet.main.showDustCycleSheet = false
            }
        }
    }
}
