import QtQuick
import QtQuick.Layouts
import Zephrane.Design

// A labelled switch: the label at the leading edge, the switch at the
// trailing one. `checked` shows the value; `toggled` asks for a change.
FormRow {
    id: row

    property string label
    property bool checked: false
    readonly property alias toggle: toggle
    signal toggled(bool checked)

    Text {
        Layout.fillWidth: true
        text: row.label
        font: Theme.fontBody
        color: Theme.primary
        wrapMode: Text.Wrap
        opacity: Rules.enabledOpacity(row.enabled)
        Accessible.ignored: true
    }
    FormToggle {
        id: toggle
        text: row.label
        checked: row.checked
        onToggled: row.toggled(checked)
    }
}
