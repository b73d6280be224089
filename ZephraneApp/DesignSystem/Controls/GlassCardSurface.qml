import QtQuick
import Zephrane.Design

// The rounded card surface behind panel rows, the selected tab and cards;
// under Reduce Transparency the quaternary fill lies over it.
GlassSurface {
    id: root

    Rectangle {
        anchors.fill: parent
        radius: root.radius
        color: root.look.cardOverlay
        visible: root.look.cardOverlay.a > 0
    }
}
