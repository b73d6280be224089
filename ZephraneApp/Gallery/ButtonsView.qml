import QtQuick
import QtQuick.Layouts
import Zephrane.Design

GalleryScene {
    id: view
    property bool controlsEnabled: true

    ColumnLayout {
        spacing: 12
        RowLayout {
            spacing: 10
            GlassActionButton { text: "Export"; help: "Export the power history"; enabled: view.controlsEnabled }
            GlassActionButton { text: "Open Settings"; trailingSystemImage: "chevron.right"; enabled: view.controlsEnabled }
        }
        RowLayout {
            spacing: 10
            PushButton { text: "Install"; prominent: true; enabled: view.controlsEnabled }
            PushButton { text: "Refresh"; enabled: view.controlsEnabled }
        }
    }
}
