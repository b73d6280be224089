import QtQuick
import Zephrane.Design

// A number animation that moves like one of the theme's springs, or with
// the short ease-in-out while Reduce Motion is on.
NumberAnimation {
    property int spring: Theme.Snappy

    duration: Theme.motionDuration(spring, Theme.reduceMotion)
    easing: Theme.motionEasing(spring, Theme.reduceMotion)
}
