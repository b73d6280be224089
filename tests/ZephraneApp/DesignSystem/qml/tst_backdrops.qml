import QtQuick
import QtTest
import Zephrane.Design

// Over the build's photographs, less Nebula's, which this runner leaves
// out of its bundle to stand for a photograph that is missing.
Item {
    id: scene
    width: 640
    height: 420

    // How long a decode may take to land: a whole 3200 px photograph
    // decodes even for a thumbnail, behind any decodes already queued, and
    // a sanitizer build on a loaded machine is many times slower.
    readonly property int decodeWait: 90000

    // Behind the window: takes the clicks the backdrop must let through.
    MouseArea {
        id: behind
        width: 300; height: 200
        property int clicks: 0
        onClicked: clicks += 1
    }
    WindowGlassModifier {
        id: window
        width: 300; height: 200
        backdrop: "system"
        GlassSurface { id: glass; width: 60; height: 30 }
        BackdropContentPlateModifier {
            id: plate
            y: 40
            width: 200; height: 80
            Text { text: "Form"; font: Theme.fontBody; color: Theme.primary }
        }
    }
    SheetRootBackgroundModifier {
        id: sheet
        x: 320
        width: 300; height: 200
        backdrop: "system"
        Item { id: inSheet; property bool reads: BackdropHasPhotoKey.backdropHasPhoto }
    }
    Item { id: outside; property bool reads: BackdropHasPhotoKey.backdropHasPhoto }
    BackdropSwatch { id: swatch; y: 220; backdrop: "system" }

    TestCase {
        name: "Backdrops"
        when: windowShown

        function init() {
            // Any warning from QML (a binding loop, an undefined property)
            // fails the test that caused it.
            failOnWarning(/.?/)
            themeControl.setOptions(false, false, false)
            themeControl.setDark(false)
            window.backdrop = "system"
            sheet.backdrop = "system"
            swatch.backdrop = "system"
            behind.clicks = 0
        }
        function cleanupTestCase() {
            themeControl.setOptions(false, false, false)
            themeControl.setDark(false)
        }

        function test_system_shows_the_material_and_no_photograph_is_behind() {
            verify(!window.hasPhoto)
            verify(!glass.overMedia)
            verify(!plate.plated)
            verify(!findChild(plate, "contentPlate").visible)
            verify(findChild(window, "windowMaterial").visible)
            verify(!findChild(window, "scrim").visible)
            verify(!outside.reads)
            verify(!inSheet.reads)
        }

        function test_a_photograph_fills_the_window_under_its_wash_and_content_sits_on_a_plate() {
            window.backdrop = "aurora"
            sheet.backdrop = "aurora"
            verify(window.hasPhoto)
            verify(glass.overMedia)
            verify(plate.plated)
            verify(findChild(plate, "contentPlate").visible)
            compare(findChild(plate, "contentPlate").radius, 20)
            verify(inSheet.reads)
            verify(!outside.reads)
            const scrim = findChild(window, "scrim")
            verify(scrim.visible)
            compare(scrim.width, window.width)
            compare(scrim.height, window.height)
            // The material stands in until the photograph has loaded.
            tryCompare(window, "photoLoaded", true, scene.decodeWait)
            verify(!findChild(window, "windowMaterial").visible)
        }

        function test_clicks_pass_through_the_photograph() {
            window.backdrop = "riviera"
            mouseClick(window, 250, 180)
            compare(behind.clicks, 1)
        }

        function test_reduce_transparency_gives_the_material_and_an_opaque_sheet() {
            window.backdrop = "cirrus"
            sheet.backdrop = "cirrus"
            themeControl.setOptions(false, true, false)
            verify(!window.hasPhoto)
            verify(!inSheet.reads)
            verify(!glass.overMedia)
            verify(findChild(window, "windowMaterial").visible)
            verify(findChild(sheet, "opaqueWindowBackground").visible)
            compare(findChild(sheet, "opaqueWindowBackground").color, Theme.windowBackground)
            verify(!findChild(sheet, "windowMaterial").visible)
            verify(!plate.plated)
        }

        function test_dark_with_increased_contrast_takes_the_heavier_black_wash() {
            themeControl.setDark(true)
            themeControl.setOptions(false, false, true)
            window.backdrop = "desertDusk"
            const stops = window.rendition.scrimStops
            compare(stops.length, 4)
            fuzzyCompare(stops[0].color.a, 0.64, 0.005)
            fuzzyCompare(stops[1].color.a, 0.47, 0.005)
            fuzzyCompare(stops[3].color.a, 0.49, 0.005)
            compare(stops[0].color.r, 0)
            verify(window.rendition.photoDark)
            verify(plate.plated)
        }

        function test_a_missing_photograph_shows_the_material_and_no_plate() {
            themeControl.setDark(true)
            window.backdrop = "nebula"
            tryCompare(window, "hasPhoto", false, 5000)
            verify(findChild(window, "windowMaterial").visible)
            verify(!glass.overMedia)
            verify(!plate.plated)
            // Another photograph shows again.
            window.backdrop = "cumulus"
            verify(window.hasPhoto)
        }

        function test_swatch_shows_the_thumbnail_of_the_current_appearance() {
            compare(swatch.width, 54)
            compare(swatch.height, 36)
            verify(!swatch.hasThumbnail)
            verify(findChild(swatch, "swatchMaterial").visible)
            swatch.backdrop = "goldenDune"
            tryCompare(swatch, "hasThumbnail", true, scene.decodeWait)
            verify(!findChild(swatch, "swatchMaterial").visible)
            themeControl.setDark(true)
            tryCompare(swatch, "hasThumbnail", true, scene.decodeWait)
            swatch.backdrop = "nebula"  // missing: stays on the material
            verify(!swatch.hasThumbnail)
            verify(findChild(swatch, "swatchMaterial").visible)
        }
    }
}
