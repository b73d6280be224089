import QtQuick
import QtQuick.Layouts
import Zephrane.Design

// A labelled slider with its value as text at the trailing edge; the
// slider speaks for the text. `moved` tells each new value.
FormRow {
    id: row

    property string label
    property string accessibleName: label
    property alias from: slider.from
    property alias to: slider.to
    property alias stepSize: slider.stepSize
    property alias snapMode: slider.snapMode
    property real value: 0
    property string valueText
    property color valueColor: Theme.primary
    readonly property alias slider: slider
    signal moved(real value)

    verticalPadding: 10

    Text {
        Layout.minimumWidth: 80
        text: row.label
        font: Theme.fontBody
        color: Theme.primary
        Accessible.ignored: true
    }
    FormSlider {
        id: slider
        Layout.fillWidth: true
        accessibleName: row.accessibleName
        valueText: row.valueText
        value: row.value
        onMoved: row.moved(value)
    }
    NumericReadout {
        Layout.minimumWidth: 80
        horizontalAlignment: Text.AlignRight
        text: row.valueText
        font: Theme.fontCallout
        color: row.valueColor
        Accessible.ignored: true
    }
}
