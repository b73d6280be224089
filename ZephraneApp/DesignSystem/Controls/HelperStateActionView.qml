import QtQuick
import QtQuick.Layouts
import Zephrane.Design

// The next step for the fan-control daemon's state: a button that installs,
// repairs or opens the approval, or, while the daemon connects, a progress
// row with a "Refresh" button; nothing once connected. `daemon` is the
// daemon part of the views' face (Face.daemon in the app).
Item {
    id: root

    property QtObject daemon: null
    property bool prominent: false
    property bool showsConnectingCaption: false
    readonly property alias presenter: presenter

    implicitWidth: content.implicitWidth
    implicitHeight: content.implicitHeight

    HelperStateAction {
        id: presenter
        daemon: root.daemon
        showsConnectingCaption: root.showsConnectingCaption
    }

    ColumnLayout {
        id: content
        anchors.fill: parent
        spacing: 0

        PushButton {
            objectName: "helperActionButton"
            visible: presenter.showsButton
            text: presenter.buttonTitle
            prominent: root.prominent
            onClicked: presenter.activate()
        }
        RowLayout {
            visible: presenter.connecting
            spacing: presenter.rowSpacing

            ProgressRing {}
            Text {
                visible: root.showsConnectingCaption
                text: presenter.connectingCaption
                font: Theme.fontCallout
                color: Theme.secondary
            }
            Item {
                visible: root.showsConnectingCaption
                Layout.fillWidth: true
            }
            PushButton {
                objectName: "helperRefreshButton"
                text: presenter.refreshTitle
                onClicked: presenter.refresh()
            }
        }
    }
}
