// The panel's fan-mode plate: the preset tabs (tapping the highlighted tab
// again hands the fans back to the system), up to four custom modes with
// the link to all of them, and the fan-speed slider.
import QtQuick
import QtQuick.Layouts
import Zephrane.Design
import Zephrane.Shell

GlassPlate {
    id: plate

    required property ZephraneMenuBarView view

    radius: 10
    elevation: Theme.Medium
    implicitHeight: content.implicitHeight + 32

    ColumnLayout {
        id: content
        anchors.fill: parent
        anchors.margins: 16
        spacing: 16

        GlassTabs {
            id: presets
            objectName: "presetTabs"
            segments: plate.view.presetSegments
            selection: plate.view.selectedPreset
            allowsDeselect: true
            size: GlassTabs.Compact
            accessibilityLabel: plate.view.labels.fanMode
            Layout.fillWidth: true
            onActivated: chosen => {
                plate.view.choosePreset(chosen)
                // The tabs wrote their own selection; the engine's decides.
                presets.selection = Qt.binding(() => plate.view.selectedPreset)
            }
        }

        ColumnLayout {
            objectName: "modeRows"
            visible: modeRepeater.count > 0
            spacing: 4
            Layout.fillWidth: true

            Repeater {
                id: modeRepeater
                model: plate.view.modeRows
                delegate: CustomModeRow {
                    rows: plate.view.modeRows
                    labels: plate.view.labels
                    Layout.fillWidth: true
                }
            }

            PanelButton {
                id: allModes
                objectName: "allModesLink"
                visible: plate.view.modeRows.showsAllModesLink
                Accessible.ignored: !visible
                text: plate.view.labels.allModesName
                accessibleValue: plate.view.labels.allModesHint
                hoverStyle: Rules.Lighten
                leftPadding: 6
                rightPadding: 6
                topPadding: 8
                bottomPadding: 8
                Layout.fillWidth: true
                Layout.minimumHeight: 28
                onClicked: plate.view.openSection("modes")
                background: Rectangle {
                    radius: 7
                    color: Theme.quaternaryFill
                    HoverHighlight {
                        anchors.fill: parent
                        radius: 7
                        hovering: allModes.hovered
                    }
                    FocusRing {
                        radius: 7
                        focused: allModes.activeFocus
                    }
                }
                contentItem: RowLayout {
                    spacing: 8
                    Text {
                        text: plate.view.labels.allModes
                        font: Theme.fontBody
                        color: Theme.primary
                        Layout.fillWidth: true
                        Accessible.ignored: true
                    }
                    SymbolIcon {
                        name: "chevron.right"
                        color: Theme.secondary
                        size: Theme.symbolSize(Theme.fontCaption2Semibold)
                        Accessible.ignored: true
                    }
                }
            }
        }

        FanSpeedSliderRow {
            slider: plate.view.slider
            Layout.fillWidth: true
            Layout.minimumHeight: 28
        }
    }
}
