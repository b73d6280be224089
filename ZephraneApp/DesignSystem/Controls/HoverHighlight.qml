import QtQuick
import Zephrane.Design

// The highlight under the pointer, in one of three looks: `lighten` above
// the content, `tonal` and `glass` behind it. It never takes clicks. Fill
// its host and set `hovering` from the host's hover state.
Item {
    id: root

    property int style: Rules.Lighten
    property bool hovering: false
    property real radius: 10

    z: Rules.hoverZ(style)
    enabled: false

    Rectangle {
        anchors.fill: parent
        radius: root.radius
        visible: !Rules.hoverGlass(root.style)
        color: Rules.hoverFill(root.style, root.hovering, Theme.dark)
        Behavior on color {
            MotionColorAnimation {}
        }
    }
    GlassSurface {
        anchors.fill: parent
        radius: root.radius
        visible: Rules.hoverGlass(root.style) && opacity > 0
        opacity: Rules.hoverOpacity(root.style, root.hovering)
        Behavior on opacity {
            MotionAnimation {}
        }
    }
}
