import QtQuick
import QtTest
import Zephrane.Face
import Zephrane.Modes

// The mode editor sheet over the modes screen, filled in by keyboard: every
// field reaches the editor, Return saves, Escape cancels, a blank name
// cannot be saved, and an edited mode is saved as an update.
Item {
    id: host
    width: 1000
    height: 800

    Component {
        id: screenComponent
        ModesView {
            width: 900
            height: 760
        }
    }

    TestCase {
        name: "ModeEditor"
        when: windowShown

        property var view: null
        property var sheet: null

        function openNewEditor() {
            verify(viewTest.stage("modes", "list"))
            view = createTemporaryObject(screenComponent, host)
            waitForRendering(view)
            viewTest.clearCommands()
            const button = findChild(view, "toolbarNewMode")
            button.forceActiveFocus(Qt.TabFocusReason)
            keyClick(Qt.Key_Space)
            sheet = findChild(view, "modeEditorSheet")
            tryCompare(sheet, "opened", true)
            return view.screen.editor
        }

        function type(text) {
            for (let i = 0; i < text.length; ++i)
                keyClick(text[i])
        }

        function focusOn(name) {
            const item = findChild(view.editorContent, name) || findChild(view, name)
            verify(item !== null, name)
            item.forceActiveFocus(Qt.TabFocusReason)
            verify(item.activeFocus, name)
            return item
        }

        function test_aNewModeFilledInByKeyboardIsSavedWithReturn() {
            const editor = openNewEditor()
            compare(findChild(view.editorContent, "editorTitle").text, "New Custom Mode")
            verify(findChild(view.editorContent, "modeName").activeFocus)
            type(" Quiet ")
            compare(editor.name, " Quiet ")
            verify(findChild(view.editorContent, "editorSave").enabled)

            // From the name, Tab walks the symbols.
            keyClick(Qt.Key_Tab)
            verify(findChild(view.editorContent, "symbol:gamecontroller.fill").activeFocus)
            keyClick(Qt.Key_Tab)
            keyClick(Qt.Key_Space)
            compare(editor.symbolName, "mic.fill")
            const moon = focusOn("symbol:moon.fill")
            compare(moon.Accessible.name, "Moon")
            keyClick(Qt.Key_Space)
            compare(editor.symbolName, "moon.fill")

            // The speed: its kind by the segments, its share by the slider.
            focusOn("symbol:chart.bar.fill")
            keyClick(Qt.Key_Tab)
            keyClick(Qt.Key_Right)
            keyClick(Qt.Key_Space)
            verify(editor.isFixedSpeed)
            compare(editor.percentage, 0.5, "the share stays when the kind changes")
            const slider = focusOn("speedSlider")
            compare(slider.Accessible.name, "Fixed speed")
            keyClick(Qt.Key_Right)
            keyClick(Qt.Key_Right)
            fuzzyCompare(editor.percentage, 0.6, 1e-9)
            compare(editor.valueText, "4 080 RPM")
            compare(slider.Accessible.description, "4 080 RPM")
            tryCompare(findChild(view.editorContent, "speedCaption"), "text",
                       "Fans will hold 4 080 RPM (safety boosts still override)")

            // The sensors: the arrow keys pick the next entry.
            const trigger = focusOn("triggerSensor")
            keyClick(Qt.Key_Down)
            compare(trigger.displayText, "CPU Core Average")
            compare(editor.triggerIndex, 1)
            const display = focusOn("displaySensor")
            compare(display.displayText, "Same as trigger")
            keyClick(Qt.Key_Down)
            compare(display.displayText, "Hottest Sensor")

            focusOn("drivesMainReadout")
            keyClick(Qt.Key_Space)
            verify(editor.drivesMainReadout)

            // Return saves from a field that does not use it itself.
            focusOn("modeName")
            keyClick(Qt.Key_Return)
            compare(viewTest.commands(), ["AddCustomMode(Quiet)"])
            tryCompare(sheet, "visible", false)
            compare(view.screen.editorOpen, false)
        }

        function test_escapeCancelsAndTheNextSheetStartsAfresh() {
            let editor = openNewEditor()
            type("Scratch")
            keyClick(Qt.Key_Escape)
            tryCompare(sheet, "visible", false)
            compare(viewTest.commands(), [])

            focusOn("toolbarNewMode")
            keyClick(Qt.Key_Space)
            tryCompare(sheet, "opened", true)
            compare(findChild(view.editorContent, "modeName").text, "")
            compare(view.screen.editor.name, "")
            focusOn("editorCancel")
            keyClick(Qt.Key_Space)
            tryCompare(sheet, "visible", false)
            compare(viewTest.commands(), [])
        }

        function test_aBlankNameCannotBeSaved() {
            openNewEditor()
            const save = findChild(view.editorContent, "editorSave")
            compare(save.enabled, false)
            type("   ")
            compare(save.enabled, false)
            keyClick(Qt.Key_Return)
            mouseClick(save)
            compare(viewTest.commands(), [])
            verify(sheet.opened)
            type("x")
            verify(save.enabled)
            mouseClick(save)
            compare(viewTest.commands(), ["AddCustomMode(x)"])
        }

        function test_editingAModeSavesAnUpdate() {
            verify(viewTest.stage("modes", "list"))
            view = createTemporaryObject(screenComponent, host)
            waitForRendering(view)
            viewTest.clearCommands()
            const row = findChild(view, "modeRow:Overnight render")
            mouseClick(findChild(row, "modeEditChip"))
            sheet = findChild(view, "modeEditorSheet")
            tryCompare(sheet, "opened", true)
            compare(findChild(view.editorContent, "editorTitle").text, "Edit Custom Mode")
            // Its trigger is a sensor the machine no longer lists.
            compare(findChild(view.editorContent, "triggerSensor").displayText, "Hottest Sensor")
            compare(findChild(view.editorContent, "displaySensor").displayText, "Same as trigger")
            compare(findChild(view.editorContent, "speedValue").text, "5 040 RPM")

            const name = focusOn("modeName")
            name.selectAll()
            type("Render")
            focusOn("editorSave")
            keyClick(Qt.Key_Space)
            compare(viewTest.commands(), ["UpdateCustomMode(Render)"])
            tryCompare(sheet, "visible", false)
        }
    }
}
