// The floating panel's content, built anew for every show; it sizes
// itself, and the panel follows its implicit size.
import QtQuick
import QtQuick.Controls
import Zephrane.Shell

Rectangle {
    implicitWidth: 320
    implicitHeight: column.implicitHeight + 32
    radius: 12
    color: palette.window
    border.color: palette.mid

    Column {
        id: column
        anchors.fill: parent
        anchors.margins: 16
        spacing: 8
        Label { text: "Brumalune"; font.bold: true; font.pixelSize: 15 }
        Label { text: Shell.readout; font.pixelSize: 13 }
        Button { text: "Open Brumalune"; onClicked: Shell.trigger(Shell.OpenMainWindow) }
    }
}
