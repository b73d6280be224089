import QtQuick
import QtQuick.Controls as Controls
import Zephrane.Design
import Zephrane.Face
import Zephrane.MainWindow

// A sheet over the main window: modal, centred, on the selected backdrop,
// closed by Escape or by its content. `closed` tells the owner, whichever
// way it went.
Controls.Popup {
    id: sheet

    default property alias content: holder.data

    parent: Controls.Overlay.overlay
    anchors.centerIn: parent
    modal: true
    dim: true
    focus: true
    padding: 0
    closePolicy: Controls.Popup.CloseOnEscape

    background: Item {
        SheetRootBackgroundModifier {
            anchors.fill: parent
            backdrop: Face.preferences.windowBackdrop
        }
        Rectangle {
            anchors.fill: parent
            color: "transparent"
            border.color: Theme.separatorStroke
            border.width: 1
        }
    }
    contentItem: Item {
        id: holder
        implicitWidth: childrenRect.width
        implicitHeight: childrenRect.height
    }
}
