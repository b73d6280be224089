import QtQuick
import QtQuick.Layouts
import Zephrane.Dashboard
import Zephrane.Design

// The large temperature: heat-tinted digits with a small unit caption, read
// as one element. A plain value view: its caller hands it everything. Set
// its width to let long digits shrink (down to 55 %) rather than spill.
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

    implicitWidth: line.implicitWidth
    implicitHeight: line.implicitHeight
    baselineOffset: line.y + digitsBox.y + current.baselineOffset
    opacity: readout.opacity

    Accessible.role: Accessible.StaticText
    Accessible.name: root.accessibleName
    Accessible.description: root.accessibleValue

    TemperatureReadoutPresenter {
        id: readout
        temperature: root.temperature
        digitsText: root.digitsText
        numericRollKey: root.numericRollKey
        onRolled: roll.restart()
    }

    RowLayout {
        id: line
        width: root.width
        spacing: 4

        Item {
            id: digitsBox
            objectName: "readoutDigits"
            Layout.fillWidth: true
            Layout.maximumWidth: current.implicitWidth
            Layout.alignment: Qt.AlignBaseline
            implicitWidth: current.implicitWidth
            implicitHeight: current.implicitHeight
            baselineOffset: current.baselineOffset
            clip: true

            GradientDigits {
                id: previous
                width: digitsBox.width
                height: digitsBox.height
                text: readout.previousText
                font: current.font
                topColor: current.topColor
                bottomColor: current.bottomColor
                opacity: 0
            }
            GradientDigits {
                id: current
                objectName: "readoutText"
                width: digitsBox.width
                height: digitsBox.height
                text: readout.shownText
                font: root.tier === TemperatureReadout.Hero ? DashboardFonts.heroReadout : DashboardFonts.gaugeReadout
                minimumScale: DashboardFonts.minimumScale
                topColor: readout.hasReading ? Theme.adaptiveTemperatureReadoutColor(readout.topCelsius, Theme.dark)
                                             : Theme.primary
                bottomColor: readout.hasReading
                             ? Theme.adaptiveTemperatureReadoutColor(readout.bottomCelsius, Theme.dark) : Theme.primary
                Accessible.ignored: true
            }
        }
        Text {
            objectName: "readoutUnit"
            Layout.alignment: Qt.AlignBaseline
            text: root.unitText
            font: DashboardFonts.tracked(Theme.fontCaption2Semibold)
            color: Theme.tertiary
            Accessible.ignored: true
        }
    }

    // The outgoing digits rise and fade as the new ones rise in; a
    // cross-fade under Reduce Motion.
    ParallelAnimation {
        id: roll
        MotionAnimation { target: previous; property: "opacity"; from: 1; to: 0; spring: Theme.Readout }
        MotionAnimation { target: current; property: "opacity"; from: 0; to: 1; spring: Theme.Readout }
        MotionAnimation {
            target: previous
            property: "y"
            from: 0
            to: -digitsBox.height * Rules.readoutTravel(Theme.reduceMotion)
            spring: Theme.Readout
        }
        MotionAnimation {
            target: current
            property: "y"
            from: digitsBox.height * Rules.readoutTravel(Theme.reduceMotion)
            to: 0
            spring: Theme.Readout
        }
    }
}
