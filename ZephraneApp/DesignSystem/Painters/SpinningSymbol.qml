import QtQuick
import Zephrane.Design

// A symbol that spins at `angularVelocity` (rad/s), winding up and running
// down smoothly; it stands still under Reduce Motion and draws nothing
// while nobody can see it. Hidden from screen readers.
SpinnerCanvas {
    implicitWidth: 16
    implicitHeight: 16
    reduceMotion: Theme.reduceMotion
    Accessible.ignored: true
}
