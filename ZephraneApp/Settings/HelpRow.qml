import QtQuick
import QtQuick.Layouts
import Zephrane.Design

// A row of explanation under the rows it explains, in the callout style;
// secondary unless given another colour (warnings and errors).
FormRow {
    id: row

    property string text
    property color color: Theme.secondary

    verticalPadding: 4
    separated: false

    Text {
        Layout.fillWidth: true
        text: row.text
        font: Theme.fontCallout
        color: row.color
        wrapMode: Text.Wrap
        Accessible.role: Accessible.StaticText
        Accessible.name: text
    }
}
