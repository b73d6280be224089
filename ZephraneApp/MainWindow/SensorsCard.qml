import QtQuick
import QtQuick.Layouts
import Zephrane.Dashboard
import Zephrane.Design
import Zephrane.MainWindow

// The sensors card: its title with "All Sensors", then the dashboard's few
// device readings, one of them expanded at a time.
ColumnLayout {
    id: root

    required property MainViewPresenter main
    required property DashboardPresenter dashboard

    spacing: 16

    CardHeader {
        Layout.fillWidth: true
        title: MainWindowTexts.sensors

        GlassActionButton {
            objectName: "allSensorsButton"
            text: MainWindowTexts.allSensors
            trailingSystemImage: "chevron.right"
            help: MainWindowTexts.allSensorsHelp
            accessibilityHint: MainWindowTexts.allSensorsHint
            onClicked: root.main.openAllSensors()
        }
    }

    Column {
        Layout.fillWidth: true
        spacing: 0

        Repeater {
            model: root.dashboard.sensors
            delegate: DeviceSensorRow {
                required property var model
                width: parent.width
                readingId: model.readingId
                isExpanded: model.isExpanded
                isPinnableKey: false
                onTapped: root.main.toggleSensor(readingId)
            }
        }
    }
}
