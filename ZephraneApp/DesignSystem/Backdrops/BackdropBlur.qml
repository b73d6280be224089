import QtQuick
import Qt5Compat.GraphicalEffects
import Zephrane.Design

// What lies behind a surface, blurred and cut to its rounded outline. Only
// items of this window can be blurred; on the software renderer the blur
// draws nothing and the material's own fill stands alone.
Item {
    id: root

    property Item source: null
    property real radius: 10

    ShaderEffectSource {
        id: grabbed
        anchors.fill: parent
        sourceItem: root.source
        sourceRect: root.source ? root.mapToItem(root.source, 0, 0, root.width, root.height) : Qt.rect(0, 0, 0, 0)
        visible: false
    }
    FastBlur {
        id: blurred
        anchors.fill: parent
        source: grabbed
        radius: 40
        visible: false
    }
    Rectangle {
        id: outline
        anchors.fill: parent
        radius: root.radius
        visible: false
    }
    OpacityMask {
        anchors.fill: parent
        source: blurred
        maskSource: outline
    }
}
