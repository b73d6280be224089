import QtQuick
import Zephrane.Design

// MotionAnimation for colours.
ColorAnimation {
    property int spring: Theme.Snappy

    duration: Theme.motionDuration(spring, Theme.reduceMotion)
    easing: Theme.motionEasing(spring, Theme.reduceMotion)
}
