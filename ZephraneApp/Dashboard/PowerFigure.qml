import QtQuick
import QtQuick.Controls as Controls
import Zephrane.Dashboard
import Zephrane.Design

// One figure of the power card's grid: its label over its value, read as
// one element, with its help under the pointer. Set its width; long texts
// shrink (down to 55 %) rather than wrap.
Item {
    id: figure

    required property string label
    required property string value
    required property string help

    implicitWidth: Math.max(labelText.implicitWidth, valueText.implicitWidth)
    implicitHeight: labelText.implicitHeight + 4 + valueText.implicitHeight

    Accessible.role: Accessible.StaticText
    Accessible.name: figure.label
    Accessible.description: figure.value

    HoverHandler { id: hover }
    Controls.ToolTip.text: figure.help
    Controls.ToolTip.visible: hover.hovered
    Controls.ToolTip.delay: 800

    Text {
        id: labelText
        width: figure.width
        text: figure.label
        font: Theme.fontCallout
        color: Theme.secondary
        fontSizeMode: Text.HorizontalFit
        minimumPixelSize: DashboardFonts.minimumPixelSize(Theme.fontCallout)
        maximumLineCount: 1
        elide: Text.ElideRight
        Accessible.ignored: true
    }
    Text {
        id: valueText
        objectName: "powerFigureValue"
        y: labelText.height + 4
        width: figure.width
        text: figure.value
        font: Theme.fontBodyDigits
        color: Theme.primary
        fontSizeMode: Text.HorizontalFit
        minimumPixelSize: DashboardFonts.minimumPixelSize(Theme.fontBodyDigits)
        maximumLineCount: 1
        elide: Text.ElideRight
        Accessible.ignored: true
    }
}
