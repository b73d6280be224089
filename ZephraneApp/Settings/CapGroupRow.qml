import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Zephrane.Design
import Zephrane.Face
import Zephrane.Settings

// One preset's speed caps: its name over its "On AC" and "On battery"
// sliders, each writing only its own cap.
Item {
    id: row

    property int preset: PresetCapGroup.Quiet

    width: parent ? parent.width : implicitWidth
    implicitWidth: content.implicitWidth
    implicitHeight: content.implicitHeight + 8

    PresetCapGroup {
        id: group
        preferences: Face.preferences
        preset: row.preset
    }

    Rectangle {
        visible: !row.Positioner.isFirstItem
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.leftMargin: 12
        height: 1
        color: Theme.separatorStroke
    }
    Column {
        id: content
        y: 4
        width: parent.width

        Text {
            x: 12
            topPadding: 6
            text: group.name
            font: Theme.fontBodyMedium
            color: Theme.primary
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
        SliderRow {
            objectName: "capOnAC"
            separated: false
            label: "On AC"
            from: group.minimumCap
            to: 1
            stepSize: 0.05
            value: group.acCap
            valueText: group.acText
            onMoved: value => group.setAcCap(value)
        }
        SliderRow {
            objectName: "capOnBattery"
            separated: false
            label: "On battery"
            from: group.minimumCap
            to: 1
            stepSize: 0.05
            value: group.batteryCap
            valueText: group.batteryText
            onMoved: value => group.setBatteryCap(value)
        }
    }
}
