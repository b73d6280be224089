import QtQuick
import QtQuick.Layouts
import Zephrane.Design
import Zephrane.Face
import Zephrane.MainWindow

// The daemon card's content: its shield in the state's colour, what the
// state means, and the step it asks for (install, approve, repair).
RowLayout {
    id: root

    required property DashboardPresenter dashboard

    spacing: 12

    SymbolIcon {
        Layout.alignment: Qt.AlignVCenter
        name: "lock.shield.fill"
        color: root.dashboard.daemonTint
        size: 20
        Accessible.ignored: true
    }
    ColumnLayout {
        Layout.fillWidth: true
        spacing: 2

        Text {
            Layout.fillWidth: true
            text: root.dashboard.daemonTitle
            font: Theme.fontHeadline
            color: Theme.primary
            wrapMode: Text.WordWrap
        }
        Text {
            Layout.fillWidth: true
            text: root.dashboard.daemonSubtitle
            font: Theme.fontCallout
            color: Theme.secondary
            wrapMode: Text.WordWrap
        }
    }
    HelperStateActionView {
        Layout.alignment: Qt.AlignVCenter
        daemon: Face.daemon
    }
}
