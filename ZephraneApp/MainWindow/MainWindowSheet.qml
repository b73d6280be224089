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

    background: Rectangle {
        radius: 12
        color: "transparent"
        border.color: Theme.separatorStroke
        border.width: 0.5
        clip: true

        SheetRootBackgroundModifier {
            anchors.fill: parent
            backdrop: Face.preferences.windowBackdrop
        }
    }
    contentItem: Item {
        id: holder
        implicitWidth: childrenRect.width
        implicitHeight: childrenRect.height
    }
}
