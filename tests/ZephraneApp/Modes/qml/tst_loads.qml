import QtQuick
import QtTest
import Zephrane.Modes

// The module's main view loads on the scripted engine without a warning,
// also dark and under Reduce Motion with its sheet and confirmation open.
Item {
    id: host
    width: 1100
    height: 800

    Component {
        id: view
        ModesView {}
    }

    TestCase {
        name: "ModesLoads"
        when: windowShown

        function test_loads() {
            const made = createTemporaryObject(view, host)
            verify(made !== null)
            verify(made.implicitWidth > 0)
        }

        function test_loadsDarkUnderReduceMotionWithItsPopupsOpen() {
            viewTest.setDark(true)
            viewTest.setReduceMotion(true)
            verify(viewTest.stage("modes", "confirm-delete"))
            const made = createTemporaryObject(view, host)
            made.screen.editMode("6A1E0C52-7D4B-4F0E-9C1A-000000000003")
            tryCompare(findChild(made, "modeEditorSheet"), "opened", true)
            tryCompare(findChild(made, "deleteConfirmation"), "opened", true)
            waitForRendering(made)
            made.screen.cancelDelete()
            made.screen.closeEditor()
            tryCompare(findChild(made, "modeEditorSheet"), "visible", false)
            viewTest.setReduceMotion(false)
            viewTest.setDark(false)
        }
    }
}
