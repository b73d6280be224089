// The menu-bar panel: the header (temperature, fans, power, the daemon's
// state), the fan-mode block (presets, custom modes, the speed slider) or
// the notice of a Mac without fans, and the footer. 360 points wide; its
// host follows its implicit size. ZephraneMenuBarView decides everything
// shown here.
import QtQuick
import QtQuick.Layouts
import Zephrane.Design
import Zephrane.Face
import Zephrane.Shell

Item {
    id: root

    // Given by the floating panel; none in the preview and the gallery.
    property MenuBarPanelBridge panelBridge: null
    readonly property ZephraneMenuBarView presenter: view
    // Without a bridge: the host should close the view.
    signal dismissRequested()

    readonly property real margin: 12

    implicitWidth: column.width + 2 * margin
    implicitHeight: column.implicitHeight + 2 * margin
    focus: true
    // The glass of the plates is drawn as it is over a photograph.
    BackdropHasPhotoKey.backdropHasPhoto: true
    Keys.onEscapePressed: view.cancel()

    ZephraneMenuBarView {
        id: view
        face: Face
        bridge: root.panelBridge
        commands: Shell
        onDismissRequested: root.dismissRequested()
    }

    // What the plates lie on where no compositor shows the desktop through.
    WindowMaterialBackdrop {
        anchors.fill: parent
        radius: 14
    }

    ColumnLayout {
        id: column
        x: root.margin
        y: root.margin
        width: 360
        spacing: 12

        PanelHeader {
            view: view
            Layout.fillWidth: true
        }
        // Built only for a Mac with fans: nothing of it is there to reach
        // otherwise, by pointer, keyboard or screen reader.
        Loader {
            active: view.hasFans
            visible: active
            Layout.fillWidth: true
            sourceComponent: PanelFanModes {
                view: root.presenter
            }
        }
        GlassPlate {
            objectName: "noFansNotice"
            visible: !view.hasFans
            Layout.fillWidth: true
            implicitHeight: notice.implicitHeight + 32
            Text {
                id: notice
                anchors.fill: parent
                anchors.margins: 16
                text: view.labels.noFans
                font: Theme.fontBody
                color: Theme.secondary
                wrapMode: Text.WordWrap
                Accessible.role: Accessible.StaticText
                Accessible.name: text
                Accessible.ignored: view.hasFans
            }
        }
        PanelFooter {
            view: view
            Layout.fillWidth: true
        }
    }
}
