import QtQuick
import QtQuick.Layouts
import Zephrane.Design
import Zephrane.Face
import Zephrane.MainWindow

// The heat sources card: its title with the Live / Today picker, then the
// first five applications of that ranking, or what the card says with none.
ColumnLayout {
    id: root

    required property MainViewPresenter main
    readonly property alias presenter: heatPresenter

    spacing: 16

    HeatSourcesPresenter {
        id: heatPresenter
        face: Face
        mode: root.main.heatSourceMode
    }

    CardHeader {
        Layout.fillWidth: true
        title: MainWindowTexts.heatSources

        GlassTabs {
            objectName: "heatSourcePeriodPicker"
            segments: heatPresenter.segments
            selection: root.main.heatSourceMode
            allowsDeselect: false
            size: GlassTabs.Regular
            accessibilityLabel: MainWindowTexts.heatSourcePeriod
            onActivated: chosen => {
                root.main.heatSourceMode = chosen
                selection = Qt.binding(() => root.main.heatSourceMode)
            }
        }
    }

    Column {
        visible: !heatPresenter.isEmpty
        Layout.fillWidth: true
        spacing: 0

        Repeater {
            model: heatPresenter.rows
            delegate: HeatSourceRow {
                width: parent.width
                presenter: heatPresenter
            }
        }
    }

    Loader {
        active: heatPresenter.isEmpty
        visible: active
        Layout.fillWidth: true
        Layout.fillHeight: root.main.dashboardWide
        sourceComponent: Item {
            implicitHeight: empty.implicitHeight + 32

            EmptyState {
                id: empty
                anchors.centerIn: parent
                width: parent.width
                form: EmptyState.Compact
                title: heatPresenter.emptyTitle
                systemImage: "cpu"
                description: heatPresenter.emptyDescription
            }
        }
    }

    Item {
        visible: !heatPresenter.isEmpty && root.main.dashboardWide
        Layout.fillHeight: true
    }
}
