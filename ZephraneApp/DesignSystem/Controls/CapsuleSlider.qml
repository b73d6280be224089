import QtQuick
import Zephrane.Design

// A capsule slider over a fraction 0…1: drag anywhere on it (the value
// follows the pointer, mirrored right to left), or step it by 0.05 with the
// arrow keys while focused. It writes `value` and reports every write with
// `moved`, and the start and end of each edit with `editingChanged`.
// Assistive technologies see a standard slider with `label` as its name.
Item {
    id: root

    property real value: 0
    property string icon
    property string trailingIcon
    property string label
    // A function from the value to the text shown while dragging, or null.
    property var pendingLabel: null
    readonly property bool dragging: pointer.pressed
    readonly property bool rightToLeft: LayoutMirroring.enabled

    signal moved(real value)
    signal editingChanged(bool editing)

    // What a standard slider offers assistive technologies.
    readonly property real minimumValue: 0
    readonly property real maximumValue: 1
    readonly property real from: 0
    readonly property real to: 1
    readonly property real stepSize: 0.05

    implicitWidth: 200
    implicitHeight: 22
    activeFocusOnTab: true
    // The track's parts follow the slider's own direction.
    LayoutMirroring.childrenInherit: true
    opacity: Rules.enabledOpacity(enabled)

    Accessible.role: Accessible.Slider
    Accessible.name: label
    Accessible.focusable: true
    Accessible.onIncreaseAction: step(Qt.Key_Up)
    Accessible.onDecreaseAction: step(Qt.Key_Down)

    function write(fraction) {
        value = fraction
        moved(fraction)
    }

    function step(key) {
        editingChanged(true)
        write(Rules.sliderSteppedValue(value, key, rightToLeft))
        editingChanged(false)
    }

    Keys.onPressed: event => {
        if (Rules.isArrowKey(event.key)) {
            step(event.key)
            event.accepted = true
        }
    }

    GlassSurface {
        anchors.fill: parent
        radius: height / 2
        interactive: root.enabled
    }
    Rectangle {
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: root.width * Rules.sliderFraction(root.value)
        radius: height / 2
        color: Theme.sliderFill
    }
    SymbolIcon {
        anchors.left: parent.left
        anchors.leftMargin: 6
        anchors.verticalCenter: parent.verticalCenter
        name: root.icon
        color: Theme.sliderIconColor(root.width, root.value, Theme.dark)
        size: Theme.symbolSize(Theme.fontSubheadlineSemibold)
    }
    Text {
        objectName: "pendingLabel"
        anchors.right: parent.right
        anchors.rightMargin: 6
        anchors.verticalCenter: parent.verticalCenter
        visible: Rules.sliderShowsPendingLabel(root.dragging, root.pendingLabel !== null)
        text: visible ? root.pendingLabel(root.value) : ""
        font: Theme.fontSubheadlineMedium
        color: Theme.secondary
    }
    SymbolIcon {
        objectName: "trailingIcon"
        anchors.right: parent.right
        anchors.rightMargin: 6
        anchors.verticalCenter: parent.verticalCenter
        visible: Rules.sliderShowsTrailingIcon(root.dragging, root.pendingLabel !== null, root.trailingIcon.length > 0)
        name: root.trailingIcon
        color: Theme.secondary
        size: Theme.symbolSize(Theme.fontSubheadlineSemibold)
    }
    MouseArea {
        id: pointer
        anchors.fill: parent
        enabled: root.enabled
        preventStealing: true
        onPressed: mouse => {
            root.editingChanged(true)
            root.write(Rules.sliderFractionAt(mouse.x, width, root.rightToLeft))
        }
        onPositionChanged: mouse => root.write(Rules.sliderFractionAt(mouse.x, width, root.rightToLeft))
        onReleased: root.editingChanged(false)
        onCanceled: root.editingChanged(false)
    }
    FocusRing {
        radius: height / 2
        focused: root.activeFocus
    }
}
