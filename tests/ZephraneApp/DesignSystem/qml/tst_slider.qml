import QtQuick
import QtTest
import Zephrane.Design

Item {
    id: scene
    width: 400
    height: 200

    CapsuleSlider {
        id: slider
        x: 20; y: 20
        width: 200
        label: "Fan speed"
        icon: "fan.fill"
        trailingIcon: "bolt.fill"
        property var edits: []
        property var writes: []
        onEditingChanged: editing => edits.push(editing)
        onMoved: value => writes.push(value)
    }

    Item {
        id: mirrored
        x: 20; y: 60
        width: 200; height: 22
        LayoutMirroring.enabled: true
        LayoutMirroring.childrenInherit: true
        CapsuleSlider {
            id: rtlSlider
            anchors.fill: parent
            label: "Right to left"
            icon: "fan.fill"
        }
    }

    SignalSpy { id: rtlMoves; target: rtlSlider; signalName: "moved" }

    TestCase {
        name: "CapsuleSlider"
        when: windowShown

        function init() {
            // Any warning from QML (a binding loop, an undefined property)
            // fails the test that caused it.
            failOnWarning(/.?/)
            slider.value = 0.5
            slider.enabled = true
            slider.edits = []
            slider.writes = []
            slider.pendingLabel = null
            rtlSlider.value = 0.5
        }

        function test_drag_follows_the_pointer_and_reports_one_edit() {
            mousePress(slider, 50, 11)
            compare(slider.value, 0.25)
            verify(slider.dragging)
            mouseMove(slider, 150, 11)
            compare(slider.value, 0.75)
            mouseMove(slider, 260, 11)
            compare(slider.value, 1.0)
            mouseMove(slider, -40, 11)
            compare(slider.value, 0.0)
            mouseRelease(slider, -40, 11)
            verify(!slider.dragging)
            compare(slider.edits, [true, false])
            compare(slider.writes, [0.25, 0.75, 1.0, 0.0])
        }

        function test_arrow_keys_step_by_a_twentieth_and_stop_at_the_ends() {
            slider.forceActiveFocus(Qt.TabFocusReason)
            keyClick(Qt.Key_Right)
            fuzzyCompare(slider.value, 0.55, 1e-9)
            keyClick(Qt.Key_Down)
            keyClick(Qt.Key_Left)
            fuzzyCompare(slider.value, 0.45, 1e-9)
            keyClick(Qt.Key_Up)
            fuzzyCompare(slider.value, 0.5, 1e-9)
            compare(slider.edits.length, 8)

            slider.value = 1.0
            slider.edits = []
            keyClick(Qt.Key_Up)
            compare(slider.value, 1.0)
            compare(slider.edits, [true, false])
            keyClick(Qt.Key_Tab)  // not an arrow: passes on
            compare(slider.edits, [true, false])
        }

        function test_right_to_left_mirrors_the_pointer_and_the_arrows() {
            mousePress(rtlSlider, 150, 11)
            compare(rtlSlider.value, 0.25)
            mouseMove(rtlSlider, 200, 11)
            compare(rtlSlider.value, 0.0)
            mouseMove(rtlSlider, 0, 11)
            compare(rtlSlider.value, 1.0)
            mouseMove(rtlSlider, 50, 11)
            compare(rtlSlider.value, 0.75)
            mouseRelease(rtlSlider, 50, 11)

            rtlSlider.forceActiveFocus(Qt.TabFocusReason)
            keyClick(Qt.Key_Left)
            fuzzyCompare(rtlSlider.value, 0.8, 1e-9)
            keyClick(Qt.Key_Right)
            keyClick(Qt.Key_Right)
            fuzzyCompare(rtlSlider.value, 0.7, 1e-9)
            verify(rtlSlider.rightToLeft)
            verify(!slider.rightToLeft)
        }

        function test_disabled_ignores_pointer_and_keys_and_dims() {
            slider.enabled = false
            compare(slider.opacity, 0.4)
            mousePress(slider, 150, 11)
            mouseRelease(slider, 150, 11)
            slider.forceActiveFocus(Qt.TabFocusReason)
            keyClick(Qt.Key_Right)
            compare(slider.value, 0.5)
            compare(slider.edits, [])
        }

        function test_pending_label_replaces_the_trailing_icon_only_while_dragging() {
            slider.pendingLabel = v => "pending"
            const label = findChild(slider, "pendingLabel")
            const trailing = findChild(slider, "trailingIcon")
            verify(!label.visible)
            verify(trailing.visible)
            mousePress(slider, 100, 11)
            verify(label.visible)
            compare(label.text, "pending")
            verify(!trailing.visible)
            mouseRelease(slider, 100, 11)
            verify(!label.visible)
            verify(trailing.visible)
        }

        function test_assistive_technologies_see_a_standard_slider() {
            compare(slider.Accessible.role, Accessible.Slider)
            compare(slider.Accessible.name, "Fan speed")
            compare(slider.minimumValue, 0)
            compare(slider.maximumValue, 1)
            compare(slider.stepSize, 0.05)
            slider.Accessible.increaseAction()
            fuzzyCompare(slider.value, 0.55, 1e-9)
            slider.Accessible.decreaseAction()
            fuzzyCompare(slider.value, 0.5, 1e-9)
            compare(slider.edits, [true, false, true, false])
        }
    }
}
