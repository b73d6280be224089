// The panel's fan-speed slider and, beside it, the speed: the RPM of the
// slider's position while it is dragged, the fans' own speed at rest.
import QtQuick
import QtQuick.Controls as Controls
import QtQuick.Layouts
import Zephrane.Design
import Zephrane.Shell

Item {
    id: root

    required property FanSpeedSliderModel slider

    implicitHeight: line.implicitHeight

    HoverHandler {
        id: hover
    }
    Controls.ToolTip.text: slider.helpText
    Controls.ToolTip.visible: hover.hovered
    Controls.ToolTip.delay: 800

    RowLayout {
        id: line
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        spacing: 8

        CapsuleSlider {
            id: track
            objectName: "fanSpeedSlider"
            value: root.slider.value
            icon: "fan.fill"
            label: root.slider.label
            pendingLabel: fraction => root.slider.rpmText(fraction)
            Layout.fillWidth: true
            Accessible.description: root.slider.accessibleDescription
            onEditingChanged: editing => root.slider.setEditing(editing)
            onMoved: fraction => {
                root.slider.move(fraction)
                // The track wrote its own value; the presenter's decides.
                track.value = Qt.binding(() => root.slider.value)
            }
        }
        Text {
            objectName: "speedText"
            text: root.slider.speedText
            font: Theme.fontBodyDigits
            color: Theme.primary
            maximumLineCount: 1
            Accessible.ignored: true
        }
    }
}
