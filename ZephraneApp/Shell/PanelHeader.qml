// The panel's header plate: the temperature (opens Sensors) and the fan
// strip (opens the Dashboard), the power line, and the daemon's caption
// while it cannot drive the fans.
import QtQuick
import QtQuick.Layouts
import Zephrane.Dashboard
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
        spacing: 6

        RowLayout {
            spacing: 12
            Layout.fillWidth: true

            PanelButton {
                objectName: "temperatureButton"
                text: plate.view.labels.openSensors
                help: plate.view.labels.openSensors
                accessibleValue: plate.view.heroValueText
                onClicked: plate.view.openSection("sensors")
                contentItem: TemperatureReadout {
                    temperature: plate.view.temperature
                    unitText: plate.view.unitText
                    tier: TemperatureReadout.Gauge
                    digitsText: plate.view.digitsText
                    numericRollKey: plate.view.numericRollKey
                    accessibleName: plate.view.labels.openSensors
                    accessibleValue: plate.view.heroValueText
                    Accessible.ignored: true
                }
            }

            PanelButton {
                objectName: "fansButton"
                text: plate.view.labels.openDashboard
                help: plate.view.labels.openDashboard
                accessibleValue: plate.view.fanSummary
                Layout.fillWidth: true
                Layout.fillHeight: true
                onClicked: plate.view.openSection("dashboard")
                contentItem: RowLayout {
                    spacing: 12
                    Repeater {
                        model: plate.view.stripFanIDs
                        delegate: FanFlowMeter {
                            required property int modelData
                            fanId: modelData
                            sortedIDs: plate.view.sortedFanIDs
                            style: FanFlowMeter.Mini
                            // The meters share the strip when they would not fit.
                            Layout.fillWidth: true
                            Layout.maximumWidth: implicitWidth
                            Layout.preferredWidth: implicitWidth
                            clip: true
                            Accessible.ignored: true
                        }
                    }
                    Text {
                        objectName: "extraFans"
                        text: plate.view.extraFansText
                        font: Theme.fontCaption2
                        color: Theme.secondary
                        Accessible.ignored: true
                    }
                    Item {
                        Layout.fillWidth: true
                    }
                }
            }
        }

        Item {
            objectName: "powerRow"
            visible: plate.view.showsPower
            Layout.fillWidth: true
            implicitHeight: powerLine.implicitHeight
            Accessible.ignored: !visible
            Accessible.role: Accessible.StaticText
            Accessible.name: plate.view.powerSpokenText

            RowLayout {
                id: powerLine
                anchors.fill: parent
                spacing: 5
                SymbolIcon {
                    visible: plate.view.isCharging
                    name: "bolt.fill"
                    color: Theme.secondary
                    size: Theme.symbolSize(Theme.fontCaption2)
                    Accessible.ignored: true
                }
                Text {
                    text: plate.view.powerSummary
                    font: Theme.fontCallout
                    color: Theme.primary
                    elide: Text.ElideRight
                    maximumLineCount: 1
                    Layout.fillWidth: true
                    Accessible.ignored: true
                }
            }
        }

        RowLayout {
            objectName: "statusCaption"
            visible: plate.view.showsStatusCaption
            spacing: 6
            Layout.fillWidth: true
            SymbolIcon {
                name: "info.circle"
                color: Theme.secondary
                size: Theme.symbolSize(Theme.fontCaption2)
                Layout.alignment: Qt.AlignTop
                Accessible.ignored: true
            }
            Text {
                text: plate.view.statusCaption
                font: Theme.fontCaption2
                color: Theme.secondary
                wrapMode: Text.WordWrap
                Accessible.role: Accessible.StaticText
                Accessible.name: text
                Accessible.ignored: !plate.view.showsStatusCaption
                Layout.fillWidth: true
            }
        }
    }
}
