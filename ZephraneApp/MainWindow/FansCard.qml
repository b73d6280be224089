import QtQuick
import QtQuick.Layouts
import Zephrane.Dashboard
import Zephrane.Design
import Zephrane.Face
import Zephrane.MainWindow

// The fans card: its title with the picker of how the fans are driven, the
// custom mode's name while one drives them, a gauge per fan with its health
// badge (or a placeholder without fans), and the dust-cycle control. In
// the wide dashboard it shares its row's height, its gauges in the middle.
ColumnLayout {
    id: root

    required property MainViewPresenter main
    readonly property alias presenter: fansPresenter
    readonly property bool wide: main.dashboardWide

    spacing: 16

    FansCardPresenter {
        id: fansPresenter
        face: Face
    }

    // The title with the picker beside it, or above it when both do not fit.
    GridLayout {
        id: header
        readonly property bool sideBySide: !fansPresenter.hasFans
            || title.implicitWidth + 12 + picker.implicitWidth <= root.width
        Layout.fillWidth: true
        Layout.minimumHeight: 32
        columns: sideBySide ? 2 : 1
        columnSpacing: 12
        rowSpacing: 12

        Text {
            id: title
            Layout.minimumHeight: 32
            verticalAlignment: Text.AlignVCenter
            text: MainWindowTexts.fans
            font: Theme.fontTitle3Semibold
            color: Theme.primary
            Accessible.role: Accessible.Heading
            Accessible.name: text
        }
        GlassTabs {
            id: picker
            objectName: "fanModePicker"
            visible: fansPresenter.hasFans
            Layout.alignment: header.sideBySide ? Qt.AlignRight | Qt.AlignVCenter : Qt.AlignLeft
            segments: fansPresenter.segments
            selection: fansPresenter.fanMode
            allowsDeselect: false
            size: GlassTabs.Regular
            accessibilityLabel: MainWindowTexts.fanControl
            onActivated: chosen => {
                fansPresenter.chooseFanMode(chosen)
                // The engine decides what is selected.
                selection = Qt.binding(() => fansPresenter.fanMode)
            }
        }
    }

    Text {
        visible: fansPresenter.customModeCaption !== ""
        Layout.fillWidth: true
        text: fansPresenter.customModeCaption
        font: Theme.fontCallout
        color: Theme.secondary
        elide: Text.ElideRight
    }

    Item {
        visible: root.wide
        Layout.fillHeight: true
    }

    // One gauge per fan, each at most 220 points wide, the row centred.
    Item {
        visible: fansPresenter.hasFans
        Layout.fillWidth: true
        implicitHeight: gauges.implicitHeight + 32

        Row {
            id: gauges
            readonly property real rowWidth: Math.min(parent.width, fansPresenter.gaugeRowMaximumWidth)
            readonly property int count: Math.max(fanCells.count, 1)
            anchors.horizontalCenter: parent.horizontalCenter
            y: 16
            width: rowWidth
            spacing: 32

            Repeater {
                id: fanCells
                model: Face.drive.fans
                delegate: Item {
                    id: cell
                    required property int fanId
                    required property string healthWarning
                    width: (gauges.rowWidth - gauges.spacing * (gauges.count - 1)) / gauges.count
                    implicitHeight: meter.implicitHeight
                    height: implicitHeight

                    FanFlowMeter {
                        id: meter
                        width: parent.width
                        fanId: cell.fanId
                        sortedIDs: fansPresenter.sortedIDs
                        style: FanFlowMeter.Regular
                    }
                    FanHealthBadge {
                        anchors.top: parent.top
                        anchors.right: parent.right
                        warning: cell.healthWarning
                        help: fansPresenter.healthHelp(cell.healthWarning)
                        accessibilityLabel: fansPresenter.healthLabel(cell.healthWarning)
                    }
                }
            }
        }
    }

    Loader {
        active: !fansPresenter.hasFans
        visible: active
        Layout.fillWidth: true
        Layout.preferredHeight: 160
        sourceComponent: EmptyState {
            form: EmptyState.Full
            title: MainWindowTexts.noFansTitle
            systemImage: "fan.slash"
            description: root.main.noFansDescription
        }
    }

    Item {
        visible: root.wide
        Layout.fillHeight: true
    }

    Loader {
        active: fansPresenter.dustCycleAvailable
        visible: active
        sourceComponent: DustCycleControlView {
            fans: fansPresenter
            main: root.main
        }
    }
}
