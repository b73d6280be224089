import QtQuick
import Zephrane.Design
import Zephrane.MainWindow

// The dust cycle's control at the foot of the fans card: the button that
// asks for the sheet, or while a cycle runs its countdown and a cross that
// cancels it.
Row {
    id: root

    required property FansCardPresenter fans
    required property MainViewPresenter main

    spacing: 8

    Text {
        anchors.verticalCenter: parent.verticalCenter
        text: MainWindowTexts.dustCycle
        font: Theme.fontBody
        color: Theme.secondary
        Accessible.ignored: true
    }
    Rectangle {
        anchors.verticalCenter: parent.verticalCenter
        visible: root.fans.dustCycleRunning
        width: countdown.implicitWidth + 16
        height: countdown.implicitHeight + 8
        radius: 7
        color: Theme.quaternaryFill

        Row {
            id: countdown
            anchors.centerIn: parent
            spacing: 4
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: root.fans.dustCycleCountdown
                font: Theme.fontCallout
                color: Theme.secondary
                Accessible.role: Accessible.StaticText
                Accessible.name: text
                Accessible.ignored: !root.fans.dustCycleRunning
            }
            IconChipButton {
                objectName: "cancelDustCycleButton"
                Accessible.ignored: !root.fans.dustCycleRunning
                anchors.verticalCenter: parent.verticalCenter
                systemImage: "xmark"
                style: IconChipButton.Bare
                help: MainWindowTexts.cancelDustCycle
                accessibilityLabel: MainWindowTexts.cancelDustCycle
                onClicked: root.fans.cancelDustCycle()
            }
        }
    }
    IconChipButton {
        objectName: "dustCycleButton"
        anchors.verticalCenter: parent.verticalCenter
        visible: !root.fans.dustCycleRunning
        Accessible.ignored: !visible
        systemImage: "sparkles"
        style: IconChipButton.Chip
        help: MainWindowTexts.dustCycleHelp
        accessibilityLabel: MainWindowTexts.dustCycle
        onClicked: root.main.showDustCycleSheet = true
    }
}
