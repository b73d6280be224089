import QtQuick
import QtTest
import Zephrane.Design

Item {
    id: scene
    width: 500
    height: 400

    IconChipButton {
        id: chip
        x: 10; y: 10
        systemImage: "xmark"
        help: "Close"
        accessibilityLabel: "Close"
        property int runs: 0
        onClicked: runs += 1
    }
    IconChipButton {
        id: bare
        x: 60; y: 10
        systemImage: "info.circle"
        style: IconChipButton.Bare
        hoverReveal: true
        accessibilityLabel: "Details"
    }

    // A row that takes clicks and hovers; the track inside it must not.
    MouseArea {
        id: row
        x: 10; y: 60
        width: 300; height: 20
        hoverEnabled: true
        property int clicks: 0
        onClicked: clicks += 1
        LinearTrack {
            id: track
            y: 8
            width: 200
            barHeight: 3
            fraction: 0.5
        }
    }

    SelectableSwatch {
        id: dot
        x: 10; y: 100
        accessibilityLabel: "Blue"
        accessibilityHint: "Use blue as the accent colour"
        property int runs: 0
        onClicked: runs += 1
        Rectangle { width: 14; height: 14; radius: 7; color: Theme.accentColor }
    }
    SelectableSwatch {
        id: tile
        x: 60; y: 100
        accessibilityLabel: "System"
        BackdropSwatch { backdrop: "system" }
    }

    TestCase {
        name: "SmallControls"
        when: windowShown

        function init() {
            // Any warning from QML (a binding loop, an undefined property)
            // fails the test that caused it.
            failOnWarning(/.?/)
            chip.runs = 0
            dot.runs = 0
            row.clicks = 0
            dot.isSelected = false
            track.fraction = 0.5
            track.targetFraction = undefined
            track.barHeight = 3
            mouseMove(scene, 490, 390)
            scene.forceActiveFocus()
        }

        function test_chip_button_runs_its_action_from_the_pointer_and_the_keyboard() {
            compare(chip.width, 26)
            compare(chip.height, 26)
            mouseClick(chip)
            compare(chip.runs, 1)
            mouseClick(chip, 1, 1)  // the corner the rounding cuts away
            compare(chip.runs, 1)
            chip.forceActiveFocus(Qt.TabFocusReason)
            keyClick(Qt.Key_Space)
            keyClick(Qt.Key_Return)
            compare(chip.runs, 3)
            compare(chip.focusPolicy, Qt.TabFocus)
        }

        function test_chip_button_speaks_its_label_and_only_the_chip_has_a_fill() {
            compare(chip.Accessible.role, Accessible.Button)
            compare(chip.Accessible.name, "Close")
            compare(bare.Accessible.name, "Details")
            verify(findChild(chip, "iconChipFill").visible)
            verify(!findChild(bare, "iconChipFill").visible)
        }

        function test_hover_reveal_dims_until_hovered_or_focused() {
            compare(chip.opacity, 1)
            tryCompare(bare, "opacity", 0.35)
            mouseMove(bare, 13, 13)
            tryCompare(bare, "opacity", 0.8)
            mouseMove(scene, 490, 390)
            tryCompare(bare, "opacity", 0.35)
            bare.forceActiveFocus(Qt.TabFocusReason)
            tryCompare(bare, "opacity", 0.8)
            mouseMove(chip, 13, 13)
            compare(chip.opacity, 1)
        }

        function test_track_clamps_its_fill_and_keeps_the_marker_inside() {
            const fill = findChild(track, "linearTrackFill")
            const marker = findChild(track, "linearTrackMarker")
            tryCompare(fill, "width", 100)
            verify(!marker.visible)
            track.fraction = 1.4
            tryCompare(fill, "width", 200)
            track.fraction = -0.2
            tryCompare(fill, "width", 0)

            track.targetFraction = 0
            verify(marker.visible)
            tryCompare(marker, "x", 0)  // its centre one point in from the leading edge
            track.targetFraction = 1
            tryCompare(marker, "x", 198)
            compare(marker.width, 2)
            compare(marker.height, 7)
            track.targetFraction = null
            verify(!marker.visible)
        }

        function test_track_snaps_its_height_to_whole_pixels() {
            compare(track.height, 3)
            const ratio = Screen.devicePixelRatio
            track.barHeight = 2.3
            compare(track.height, Math.round(2.3 * ratio) / ratio)
        }

        function test_track_takes_no_clicks_or_hovers_and_is_hidden_from_screen_readers() {
            compare(track.Accessible.ignored, true)
            mouseMove(track, 100, 1)
            verify(row.containsMouse)
            mouseClick(track, 100, 1)
            compare(row.clicks, 1)
        }

        function test_swatch_tile_takes_clicks_on_its_padding_and_from_the_keyboard() {
            compare(dot.width, 29)  // 14 points of content framed to 24, then 2.5 around
            compare(dot.height, 29)
            compare(tile.width, 59)
            compare(tile.height, 41)
            mouseClick(dot, 1, 1)
            mouseClick(dot, 14, 14)
            compare(dot.runs, 2)
            dot.forceActiveFocus(Qt.TabFocusReason)
            keyClick(Qt.Key_Space)
            keyClick(Qt.Key_Return)
            compare(dot.runs, 4)
        }

        function test_swatch_ring_follows_the_selection_and_is_announced() {
            const ring = findChild(dot, "selectableSwatchRing")
            verify(!ring.visible)
            compare(dot.Accessible.selected, false)
            dot.isSelected = true
            tryCompare(ring, "opacity", 1)
            compare(dot.Accessible.selected, true)
            compare(dot.Accessible.name, "Blue")
            compare(dot.Accessible.description, "Use blue as the accent colour")
            // Over the padding: the ring's outer edge is the tile's.
            const corner = ring.mapToItem(dot, 0, 0)
            compare(corner.x, 0)
            compare(corner.y, 0)
            compare(ring.width, dot.width)
            compare(ring.radius, 9)
            dot.isSelected = false
            tryCompare(ring, "visible", false)
        }
    }
}
