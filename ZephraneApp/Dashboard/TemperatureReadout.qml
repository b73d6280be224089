import QtQuick
import Zephrane.Design

// The large temperature: heat-tinted digits with a small unit caption, read
// as one element. A plain value view: its caller hands it everything.
Item {
    id: root

    enum Tier { Hero, Gauge }

    // °C; NaN, 0 or less, or not finite: no reading.
    property real temperature: NaN
    // "°C" or "°F".
    property string unitText
    property int tier: TemperatureReadout.Hero
    // The caller's digits for `temperature` (its units and precision).
    property string digitsText
    // Drives the rolling digits; NaN: the temperature's.
    property real numericRollKey: NaN
    property string accessibleName
    property string accessibleValue

    implicitWidth: digits.implicitWidth
    implicitHeight: digits.implicitHeight

    Text {
        id: digits
        text: root.digitsText + " " + root.unitText
        color: Theme.primary
        font.pixelSize: root.tier === TemperatureReadout.Hero ? 42 : 34
    }
}
