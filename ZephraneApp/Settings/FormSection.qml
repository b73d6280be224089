import QtQuick
import QtQuick.Layouts
import Zephrane.Design

// One section of the grouped form: its title over a rounded plate that
// holds the section's rows one under the other, a hairline between them.
// A section without a title is the plate alone.
ColumnLayout {
    id: root

    property string title
    default property alias rows: plate.data

    spacing: 6
    Layout.fillWidth: true

    Text {
        visible: root.title.length > 0
        text: root.title
        font: Theme.fontHeadline
        color: Theme.primary
        leftPadding: 4
        Accessible.role: Accessible.Heading
        Accessible.name: text
    }
    Rectangle {
        Layout.fillWidth: true
        implicitHeight: plate.implicitHeight
        radius: 8
        color: Theme.quaternaryFill
        border.color: Theme.separatorStroke
        border.width: 0.5

        Column {
            id: plate
            width: parent.width
        }
    }
}
