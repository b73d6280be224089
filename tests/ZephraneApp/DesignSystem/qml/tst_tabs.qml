import QtQuick
import QtTest
import Zephrane.Design

Item {
    id: scene
    width: 500
    height: 200

    GlassTabs {
        id: tabs
        x: 10; y: 10
        width: 300
        accessibilityLabel: "Fan Control"
        segments: [{id: "quiet", title: "Quiet"}, {id: "auto", title: "Balanced", accessibilityHint: "The usual curve"},
                   {id: "max", title: "Max"}]
    }

    Item {
        x: 10; y: 60
        width: 300; height: 32
        LayoutMirroring.enabled: true
        LayoutMirroring.childrenInherit: true
        GlassTabs {
            id: mirrored
            anchors.fill: parent
            segments: [{id: 1, title: "One"}, {id: 2, title: "Two"}]
        }
    }

    GlassTabs {
        id: empty
        x: 10; y: 110
        segments: []
    }

    SignalSpy { id: activations; target: tabs; signalName: "activated" }

    TestCase {
        name: "GlassTabs"
        when: windowShown

        function init() {
            // Any warning from QML (a binding loop, an undefined property)
            // fails the test that caused it.
            failOnWarning(/.?/)
            tabs.selection = "auto"
            tabs.allowsDeselect = false
            tabs.enabled = true
            tabs.size = GlassTabs.Regular
            activations.clear()
            scene.forceActiveFocus()
        }

        function segment(control, index) {
            return control.children[control.children.length - 1].children[index]
        }

        function test_clicking_a_segment_selects_it() {
            mouseClick(segment(tabs, 2))
            compare(tabs.selection, "max")
            compare(activations.count, 1)
            compare(activations.signalArguments[0][0], "max")
        }

        function test_clicking_the_selected_segment_keeps_or_clears_it() {
            mouseClick(segment(tabs, 1))
            compare(tabs.selection, "auto")
            compare(activations.count, 1)  // written again, unchanged
            tabs.allowsDeselect = true
            mouseClick(segment(tabs, 1))
            compare(tabs.selection, undefined)
            compare(activations.signalArguments[1][0], undefined)
        }

        function test_arrows_move_focus_without_wrapping_or_selecting() {
            segment(tabs, 1).forceActiveFocus(Qt.TabFocusReason)
            compare(tabs.focusedId, "auto")
            keyClick(Qt.Key_Right)
            verify(segment(tabs, 2).activeFocus)
            compare(tabs.focusedId, "max")
            keyClick(Qt.Key_Right)
            verify(segment(tabs, 2).activeFocus)  // stops at the end
            keyClick(Qt.Key_Up)
            keyClick(Qt.Key_Left)
            verify(segment(tabs, 0).activeFocus)
            keyClick(Qt.Key_Left)
            verify(segment(tabs, 0).activeFocus)
            compare(tabs.selection, "auto")
            compare(activations.count, 0)

            keyClick(Qt.Key_Space)
            compare(tabs.selection, "quiet")
            keyClick(Qt.Key_Down)
            keyClick(Qt.Key_Return)
            compare(tabs.selection, "auto")
        }

        function test_a_selection_that_matches_no_segment() {
            tabs.selection = "gone"
            tabs.moveFocus(Qt.Key_Right)
            verify(segment(tabs, 0).activeFocus)
            scene.forceActiveFocus()
            compare(tabs.focusedId, undefined)  // focus left the control
            tabs.moveFocus(Qt.Key_Left)
            verify(segment(tabs, 2).activeFocus)
        }

        function test_mirrored_tabs_lay_out_from_the_right() {
            verify(segment(mirrored, 0).x > segment(mirrored, 1).x)
            mouseClick(mirrored, mirrored.width - 30, 16)
            compare(mirrored.selection, 1)
        }

        function test_sizes_and_the_empty_control() {
            compare(tabs.height, 32)
            tabs.size = GlassTabs.Compact
            compare(tabs.implicitHeight, 28)
            compare(empty.implicitHeight, 32)
            empty.moveFocus(Qt.Key_Right)
            compare(empty.focusedId, undefined)
        }

        function test_disabled_dims_the_whole_control() {
            tabs.enabled = false
            compare(tabs.opacity, 0.4)
            mouseClick(segment(tabs, 0))
            compare(tabs.selection, "auto")
        }

        function test_segments_speak_their_title_state_and_hint() {
            const balanced = segment(tabs, 1)
            compare(balanced.Accessible.name, "Balanced")
            compare(balanced.Accessible.description, "The usual curve")
            verify(balanced.checked)
            verify(balanced.Accessible.selected)
            const quiet = segment(tabs, 0)
            compare(quiet.Accessible.description, "")
            verify(!quiet.checked)
            // The selection, not the click, decides a segment's toggle state.
            mouseClick(balanced)
            verify(balanced.checked)
            tabs.allowsDeselect = true
            mouseClick(balanced)
            verify(!balanced.checked)
            verify(!balanced.Accessible.selected)
            compare(tabs.Accessible.name, "Fan Control")
        }
    }
}
