import QtQuick
import Zephrane.Design

GalleryScene {
    id: view
    property real value: 0.4
    property bool controlEnabled: true

    CapsuleSlider {
        width: 330
        value: view.value
        enabled: view.controlEnabled
        icon: "fan.fill"
        trailingIcon: "speedometer"
        label: "Fan speed"
    }
}
