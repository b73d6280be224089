import QtQuick
import QtQuick.Controls as Controls
import QtQuick.Layouts
import Zephrane.Dashboard
import Zephrane.Design
import Zephrane.Face

// The dashboard's power card: where the Mac draws its power from, a
// headline figure, the battery's maximum capacity and seven power figures,
// the fans' estimated power among them. Set its width; with
// `stretchesVertically` set its height too.
Item {
    id: root

    // True to fill the height of its row.
    property bool stretchesVertically: false

    implicitWidth: Math.max(360, content.implicitWidth + 2 * content.anchors.margins)
    implicitHeight: content.implicitHeight + 2 * content.anchors.margins

    PowerCardPresenter {
        id: power
        face: Face
    }

    GlassPlate {
        anchors.fill: parent
        radius: 24
        elevation: Theme.High
    }

    ColumnLayout {
        id: content
        anchors.fill: parent
        anchors.margins: 28
        spacing: 16

        RowLayout {
            Layout.fillWidth: true
            Layout.minimumHeight: 32
            spacing: 12

            Row {
                spacing: 6
                SymbolIcon {
                    objectName: "powerSymbol"
                    anchors.verticalCenter: parent.verticalCenter
                    name: power.symbol
                    color: Theme.primary
                    size: Theme.symbolSize(Theme.fontTitle3Semibold)
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: power.title
                    font: Theme.fontTitle3Semibold
                    color: Theme.primary
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
                }
            }
            Item {
                Layout.fillWidth: true
                Layout.minimumWidth: 12
            }
            Text {
                objectName: "powerCharge"
                text: power.chargeText
                font: Theme.fontCallout
                color: Theme.secondary
                maximumLineCount: 1
            }
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 12

            ColumnLayout {
                id: summary
                Layout.alignment: Qt.AlignBottom
                Layout.fillWidth: true
                Layout.maximumWidth: implicitWidth
                spacing: 4
                Accessible.role: Accessible.StaticText
                Accessible.name: power.summaryLabel
                Accessible.description: power.summaryValue

                HoverHandler { id: summaryHover }
                Controls.ToolTip.text: power.summaryHelp
                Controls.ToolTip.visible: summaryHover.hovered
                Controls.ToolTip.delay: 800

                Text {
                    objectName: "powerSummaryValue"
                    Layout.fillWidth: true
                    Layout.maximumWidth: implicitWidth
                    text: power.summaryValue
                    font: DashboardFonts.headlineFigure
                    fontSizeMode: Text.HorizontalFit
                    minimumPixelSize: DashboardFonts.minimumPixelSize(DashboardFonts.headlineFigure)
                    maximumLineCount: 1
                    color: Theme.primary
                    Accessible.ignored: true
                }
                Text {
                    objectName: "powerSummaryLabel"
                    text: power.summaryLabel
                    font: Theme.fontCallout
                    color: Theme.secondary
                    Accessible.ignored: true
                }
            }
            Item {
                Layout.fillWidth: true
                Layout.minimumWidth: power.showsBatteryHealth ? 12 : 0
            }
            Column {
                id: health
                objectName: "batteryHealth"
                Layout.alignment: Qt.AlignBottom
                visible: power.showsBatteryHealth
                spacing: 4
                Accessible.role: Accessible.StaticText
                Accessible.name: power.healthLabel
                Accessible.description: power.batteryHealthSpoken

                HoverHandler { id: healthHover }
                Controls.ToolTip.text: power.healthHelp
                Controls.ToolTip.visible: healthHover.hovered
                Controls.ToolTip.delay: 800

                Text {
                    anchors.right: parent.right
                    text: power.batteryHealthValue
                    font: DashboardFonts.capacityFigure
                    color: Theme.primary
                    Accessible.ignored: true
                }
                Text {
                    anchors.right: parent.right
                    text: power.healthCaption
                    font: Theme.fontCallout
                    color: Theme.secondary
                    Accessible.ignored: true
                }
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            color: Theme.separatorStroke
        }

        GridLayout {
            Layout.fillWidth: true
            columns: 3
            rowSpacing: 12
            columnSpacing: 12

            Repeater {
                model: power.metrics
                delegate: PowerFigure {
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    Layout.alignment: Qt.AlignTop | Qt.AlignLeft
                }
            }
        }

        Item {
            visible: root.stretchesVertically
            Layout.fillHeight: true
        }
    }
}
