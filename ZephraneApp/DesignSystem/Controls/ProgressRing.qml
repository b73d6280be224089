import QtQuick
import QtQuick.Shapes
import Zephrane.Design

// A small indeterminate progress indicator: an arc turning while shown.
Item {
    id: root

    implicitWidth: 16
    implicitHeight: 16
    Accessible.role: Accessible.ProgressBar

    Shape {
        id: ring
        anchors.fill: parent
        ShapePath {
            strokeColor: Theme.secondary
            strokeWidth: 2
            fillColor: "transparent"
            capStyle: ShapePath.RoundCap
            PathAngleArc {
                centerX: root.width / 2
                centerY: root.height / 2
                radiusX: root.width / 2 - 1.5
                radiusY: root.height / 2 - 1.5
                startAngle: 0
                sweepAngle: 270
            }
        }
        RotationAnimator on rotation {
            from: 0
            to: 360
            duration: 900
            loops: Animation.Infinite
            running: root.visible
        }
    }
}
