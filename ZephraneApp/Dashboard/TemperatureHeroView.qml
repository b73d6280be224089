import QtQuick
import QtQuick.Controls as Controls
import QtQuick.Layouts
import Zephrane.Dashboard
import Zephrane.Design
import Zephrane.Face

// The dashboard's temperature hero card: the temperature the app shows, its
// source, and the system-load table. Set its width; with
// `stretchesVertically` set its height too, and the reading and the table
// share the room left between the header and the bottom.
Item {
    id: root

    // True to fill the height of its row.
    property bool stretchesVertically: false

    implicitWidth: Math.max(360, content.implicitWidth + 2 * content.anchors.margins)
    implicitHeight: content.implicitHeight + 2 * content.anchors.margins

    TemperatureHeroPresenter {
        id: hero
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

        Row {
            Layout.minimumHeight: 32
            spacing: 6
            SymbolIcon {
                anchors.verticalCenter: parent.verticalCenter
                name: hero.titleSymbol
                color: Theme.primary
                size: Theme.symbolSize(Theme.fontTitle3Semibold)
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: hero.title
                font: Theme.fontTitle3Semibold
                color: Theme.primary
                Accessible.role: Accessible.Heading
                Accessible.name: text
            }
        }

        Item {
            visible: root.stretchesVertically
            Layout.fillHeight: true
            Layout.minimumHeight: 12
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 4

            TemperatureReadout {
                id: readout
                objectName: "heroReadout"
                Layout.fillWidth: true
                Layout.maximumWidth: implicitWidth
                temperature: hero.temperature
                unitText: hero.unitText
                tier: TemperatureReadout.Hero
                digitsText: hero.digitsText
                numericRollKey: hero.rollKey
                accessibleName: hero.accessibleName
                accessibleValue: hero.accessibleValue

                HoverHandler { id: readoutHover }
                Controls.ToolTip.text: hero.accessibleName
                Controls.ToolTip.visible: readoutHover.hovered
                Controls.ToolTip.delay: 800
            }
            Text {
                Layout.fillWidth: true
                text: hero.sourceLabel
                font: Theme.fontCallout
                color: Theme.secondary
                elide: Text.ElideRight
                maximumLineCount: 1
                Accessible.ignored: true
            }
        }

        SystemLoadTable {
            Layout.fillWidth: true
            hero: hero
        }

        Item {
            visible: root.stretchesVertically
            Layout.fillHeight: true
            Layout.minimumHeight: 12
        }
    }
}
