import QtQuick
import Zephrane.Design

// A number's text that rolls to its new value (the outgoing text slides up
// and out as the new one rises in) with the readout spring, or cross-fades
// in 0.15 s while Reduce Motion is on. The host formats the text.
Item {
    id: root

    property string text
    property font font: Theme.fontBodyDigits
    property color color: Theme.primary
    property int horizontalAlignment: Text.AlignLeft

    implicitWidth: Math.max(current.implicitWidth, previous.implicitWidth)
    implicitHeight: current.implicitHeight
    clip: true

    property string shown: text

    onTextChanged: {
        previous.text = shown
        shown = text
        change.restart()
    }

    Text {
        id: previous
        width: root.width
        font: root.font
        color: root.color
        horizontalAlignment: root.horizontalAlignment
        opacity: 0
    }
    Text {
        id: current
        width: root.width
        text: root.shown
        font: root.font
        color: root.color
        horizontalAlignment: root.horizontalAlignment
    }

    ParallelAnimation {
        id: change
        NumberAnimation {
            target: previous
            property: "opacity"
            from: 1
            to: 0
            duration: Theme.motionDuration(Theme.Readout, Theme.reduceMotion)
            easing: Theme.motionEasing(Theme.Readout, Theme.reduceMotion)
        }
        NumberAnimation {
            target: current
            property: "opacity"
            from: 0
            to: 1
            duration: Theme.motionDuration(Theme.Readout, Theme.reduceMotion)
            easing: Theme.motionEasing(Theme.Readout, Theme.reduceMotion)
        }
        NumberAnimation {
            target: previous
            property: "y"
            from: 0
            to: -root.height * Rules.readoutTravel(Theme.reduceMotion)
            duration: Theme.motionDuration(Theme.Readout, Theme.reduceMotion)
            easing: Theme.motionEasing(Theme.Readout, Theme.reduceMotion)
        }
        NumberAnimation {
            target: current
            property: "y"
            from: root.height * Rules.readoutTravel(Theme.reduceMotion)
            to: 0
            duration: Theme.motionDuration(Theme.Readout, Theme.reduceMotion)
            easing: Theme.motionEasing(Theme.Readout, Theme.reduceMotion)
        }
    }
}
