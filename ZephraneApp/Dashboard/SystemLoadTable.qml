import QtQuick
import QtQuick.Layouts
import Zephrane.Dashboard
import Zephrane.Design
import Zephrane.Face

// The hero card's system-load table: one row per load figure of the face
// (name, bar, percentage, detail) in four aligned columns, each row read as
// one element. Set its width; the bars take what the texts leave.
Item {
    id: table

    required property TemperatureHeroPresenter hero

    implicitWidth: nameColumn.width + percentColumn.width + detailColumn.width + 3 * rows.columnSpacing + 60
    implicitHeight: rows.implicitHeight

    // Each text column is as wide as its widest cell: invisible columns of
    // the same texts measure them.
    Item {
        opacity: 0
        width: 0
        height: 0
        Accessible.ignored: true
        Column {
            id: nameColumn
            Repeater {
                model: Face.power.systemLoads
                Text { required property string component; text: component; font: Theme.fontCaption2 }
            }
        }
        Column {
            id: percentColumn
            Repeater {
                model: Face.power.systemLoads
                Text {
                    required property real fraction
                    text: table.hero.percentText(fraction)
                    font: Theme.fontCaption2
                }
            }
        }
        Column {
            id: detailColumn
            Repeater {
                model: Face.power.systemLoads
                Text { required property string detail; text: detail; font: Theme.fontCaption2 }
            }
        }
    }

    Column {
        id: rows

        readonly property real columnSpacing: 10

        width: table.width
        spacing: 6

        Repeater {
            model: Face.power.systemLoads

            delegate: Item {
                id: loadRow

                required property string component
                required property real fraction
                required property string detail
                readonly property bool overall: table.hero.isOverallLoad(component)

                objectName: "loadRow_" + component
                width: rows.width
                implicitHeight: Math.max(name.implicitHeight, 6)
                height: implicitHeight

                Accessible.role: Accessible.StaticText
                Accessible.name: component
                Accessible.description: table.hero.spokenLoad(fraction, detail)

                RowLayout {
                    anchors.fill: parent
                    spacing: rows.columnSpacing

                    Text {
                        id: name
                        Layout.preferredWidth: nameColumn.width
                        text: loadRow.component
                        font: Theme.fontCaption2
                        color: loadRow.overall ? Theme.primary : Theme.secondary
                        Accessible.ignored: true
                    }
                    Item {
                        id: track
                        Layout.fillWidth: true
                        Layout.preferredHeight: 6
                        Accessible.ignored: true
                        Rectangle {
                            anchors.fill: parent
                            radius: height / 2
                            color: Theme.primary
                            opacity: 0.12
                        }
                        Rectangle {
                            objectName: "loadBar"
                            width: table.hero.barWidth(loadRow.fraction, track.width)
                            height: parent.height
                            radius: height / 2
                            color: Theme.primary
                            opacity: 0.55
                        }
                    }
                    Text {
                        objectName: "loadPercent"
                        Layout.preferredWidth: percentColumn.width
                        text: table.hero.percentText(loadRow.fraction)
                        font: Theme.fontCaption2
                        horizontalAlignment: Text.AlignRight
                        color: loadRow.overall ? Theme.primary : Theme.secondary
                        Accessible.ignored: true
                    }
                    Text {
                        Layout.preferredWidth: detailColumn.width
                        text: loadRow.detail
                        font: Theme.fontCaption2
                        color: Theme.tertiary
                        elide: Text.ElideRight
                        maximumLineCount: 1
                        Accessible.ignored: true
                    }
                }
            }
        }
    }
}
