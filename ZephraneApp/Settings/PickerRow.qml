import QtQuick
import QtQuick.Layouts
import Zephrane.Design

// A labelled menu picker over a list of item names; `currentIndex` shows
// the chosen one, `activated` asks for another.
FormRow {
    id: row

    property string label
    property alias model: picker.model
    property int currentIndex: 0
    readonly property alias picker: picker
    signal activated(int index)

    Text {
        Layout.fillWidth: true
        text: row.label
        font: Theme.fontBody
        color: Theme.primary
        Accessible.ignored: true
    }
    FormPicker {
        id: picker
        accessibleName: row.label
        currentIndex: row.currentIndex
        onActivated: index => row.activated(index)
    }
}
