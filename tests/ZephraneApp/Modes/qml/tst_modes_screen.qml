import QtQuick
import QtTest
import Zephrane.Face
import Zephrane.Modes
import Zephrane.Shell

// The modes screen on the scripted engine, driven as a user would, mostly
// by keyboard: templates, engaging and turning off, the row's menu, the
// delete confirmation, and the requests other parts of the app leave.
Item {
    id: host
    width: 1000
    height: 760

    readonly property string gamingId: "6A1E0C52-7D4B-4F0E-9C1A-000000000001"
    readonly property string recordingId: "6A1E0C52-7D4B-4F0E-9C1A-000000000002"
    readonly property string renderId: "6A1E0C52-7D4B-4F0E-9C1A-000000000003"

    // As the main window's "New Custom Mode…" menu command does.
    Shortcut {
        sequence: "Ctrl+N"
        onActivated: Shell.trigger(Shell.NewCustomMode)
    }

    Component {
        id: screenComponent
        ModesView {
            width: 900
            height: 700
        }
    }

    TestCase {
        id: test
        name: "ModesScreen"
        when: windowShown

        function showScreen(state) {
            verify(viewTest.stage("modes", state))
            const view = createTemporaryObject(screenComponent, host)
            verify(view !== null)
            waitForRendering(view)
            viewTest.clearCommands()
            lifecycleLog.clear()
            return view
        }

        function popup(view, name) {
            const found = findChild(view, name)
            verify(found !== null, name)
            return found
        }

        function rowButton(view, modeName) {
            const row = findChild(view, "modeRow:" + modeName)
            verify(row !== null, modeName)
            return findChild(row, "modeRowButton")
        }

        function cleanup() {
            // No request outlives its test.
            Face.shell.consumePendingModeCreationRequest()
        }

        function test_emptyStateOffersTemplatesAndCreatesFromOne() {
            const view = showScreen("empty")
            const gaming = findChild(view, "template:Gaming")
            verify(gaming !== null)
            compare(gaming.Accessible.name, "Start from Gaming")
            compare(gaming.Accessible.description, "Adds a custom mode named Gaming with a 4 560 RPM speed")
            verify(findChild(view, "template:Recording") !== null)
            verify(findChild(view, "template:Rendering") !== null)
            compare(findChild(view, "modeCount").visible, false)

            mouseClick(gaming)
            compare(viewTest.commands(), ["AddCustomMode(Gaming)"])

            // By keyboard: the toolbar's button, then the three tiles.
            findChild(view, "toolbarNewMode").forceActiveFocus(Qt.TabFocusReason)
            keyClick(Qt.Key_Tab)
            keyClick(Qt.Key_Tab)
            verify(findChild(view, "template:Recording").activeFocus)
            keyClick(Qt.Key_Space)
            compare(viewTest.commands(), ["AddCustomMode(Gaming)", "AddCustomMode(Recording)"])
        }

        function test_listShowsTheCountAndRowsInOrder() {
            const view = showScreen("list")
            compare(findChild(view, "modeCount").text, "3 custom modes")
            compare(findChild(view, "noFansNotice").visible, false)
            compare(findChild(view, "modesEmptyState"), null)
            const gaming = rowButton(view, "Gaming")
            compare(gaming.Accessible.name, "Gaming")
            compare(gaming.checked, true)
            compare(gaming.Accessible.description,
                    "On. 4 560 RPM. GPU Cluster Average, 74.6\u00b0C. Turns off, returning control to Apple Auto.")
            const overnight = findChild(view, "modeRow:Overnight render")
            verify(overnight.y > findChild(view, "modeRow:Podcast recording").y)
        }

        function test_tappingEngagesAndTappingTheActiveRowTurnsItOff() {
            const view = showScreen("list")
            const recording = rowButton(view, "Podcast recording")
            recording.forceActiveFocus(Qt.TabFocusReason)
            keyClick(Qt.Key_Space)
            compare(viewTest.commands(), ["SelectCustomMode(" + host.recordingId + ")"])
            tryCompare(recording, "checked", true)

            viewTest.clearCommands()
            keyClick(Qt.Key_Return)
            compare(viewTest.commands(), ["ClearActiveCustomMode", "ApplyProfile(Apple Auto)"])

            // With a preset in force it goes first, and only then.
            Face.drive.selectPreset(1)
            Face.modes.selectCustomMode(host.gamingId)
            viewTest.clearCommands()
            mouseClick(rowButton(view, "Gaming"))
            compare(viewTest.commands(), ["ClearActivePreset", "ClearActiveCustomMode", "ApplyProfile(Apple Auto)"])
        }

        function test_noFansDimsTheRowsButKeepsTheirChips() {
            const view = showScreen("no-fans")
            const notice = findChild(view, "noFansNotice")
            verify(notice.visible)
            compare(notice.text, "This Mac reports no controllable fans.")
            const gaming = rowButton(view, "Gaming")
            compare(gaming.enabled, false)
            compare(gaming.opacity, 0.4)
            verify(gaming.Accessible.description.startsWith("On. Fixed 70%. "))
            mouseClick(gaming)
            compare(viewTest.commands(), [])

            const row = findChild(view, "modeRow:Gaming")
            mouseClick(findChild(row, "modeEditChip"))
            const sheet = popup(view, "modeEditorSheet")
            tryCompare(sheet, "opened", true)
            compare(lifecycleLog.lines(), ["mode edit tapped"])
        }

        function test_theRowMenuDuplicatesByKeyboard() {
            const view = showScreen("list")
            const overnight = rowButton(view, "Overnight render")
            overnight.forceActiveFocus(Qt.TabFocusReason)
            keyClick(Qt.Key_Menu)
            const menu = findChild(findChild(view, "modeRow:Overnight render"), "modeRowMenu")
            tryCompare(menu, "opened", true)
            keyClick(Qt.Key_Down)
            keyClick(Qt.Key_Down)
            keyClick(Qt.Key_Return)
            tryCompare(menu, "visible", false)
            compare(viewTest.commands(), ["DuplicateCustomMode(" + host.renderId + ")"])
            compare(lifecycleLog.lines(), [], "the menu's entries log nothing")
        }

        function test_deleteAsksFirst() {
            const view = showScreen("list")
            const row = findChild(view, "modeRow:Podcast recording")
            const trash = findChild(row, "modeDeleteChip")
            compare(trash.Accessible.name, "Delete Podcast recording")
            trash.forceActiveFocus(Qt.TabFocusReason)
            keyClick(Qt.Key_Space)
            compare(lifecycleLog.lines(), ["mode delete tapped"])
            compare(viewTest.commands(), [])

            const dialog = popup(view, "deleteConfirmation")
            tryCompare(dialog, "opened", true)
            compare(dialog.title, "Delete this mode?")
            compare(findChild(view, "deleteMessage").text,
                    "\u201CPodcast recording\u201D will be removed. This can't be undone.")
            // Escape is Cancel.
            keyClick(Qt.Key_Escape)
            tryCompare(dialog, "visible", false)
            compare(viewTest.commands(), [])

            trash.forceActiveFocus(Qt.TabFocusReason)
            keyClick(Qt.Key_Space)
            tryCompare(dialog, "opened", true)
            verify(findChild(view, "confirmDelete").activeFocus, "Delete takes the keyboard")
            keyClick(Qt.Key_Return)
            tryCompare(dialog, "visible", false)
            compare(viewTest.commands(), ["DeleteCustomMode(" + host.recordingId + ")"])
        }

        function test_requestsPendingWhenTheScreenAppearsAreTaken() {
            verify(viewTest.stage("modes", "list"))
            Face.shell.requestModeCreation()
            Face.shell.requestModeEditor(host.renderId)
            Face.shell.requestModeDelete(host.gamingId)
            viewTest.clearCommands()
            const view = createTemporaryObject(screenComponent, host)
            compare(viewTest.commands(), ["ConsumeRequest(modeCreation)", "ConsumeRequest(modeEditor)",
                                          "ConsumeRequest(modeDelete)"])
            const sheet = popup(view, "modeEditorSheet")
            tryCompare(sheet, "opened", true)
            compare(findChild(view.editorContent, "modeName").text, "Overnight render", "the editor request wins")
            const dialog = popup(view, "deleteConfirmation")
            tryCompare(dialog, "opened", true)
            compare(findChild(view, "deleteMessage").text,
                    "\u201CGaming\u201D will be removed. This can't be undone.")
            compare(Face.shell.pendingModeCreationRequest, false)
            compare(Face.shell.pendingModeEditorID, "")
            compare(Face.shell.pendingModeDeleteID, "")
        }

        function test_requestsRaisedWhileShownAreTakenAtOnce() {
            const view = showScreen("list")
            Face.shell.requestModeEditor(host.gamingId)
            const sheet = popup(view, "modeEditorSheet")
            tryCompare(sheet, "opened", true)
            compare(findChild(view.editorContent, "editorTitle").text, "Edit Custom Mode")
            compare(findChild(view.editorContent, "modeName").text, "Gaming")
            compare(Face.shell.pendingModeEditorID, "")
            keyClick(Qt.Key_Escape)
            tryCompare(sheet, "visible", false)

            // A request for a mode that is gone opens nothing.
            Face.shell.requestModeDelete("6A1E0C52-7D4B-4F0E-9C1A-0000000000FF")
            compare(popup(view, "deleteConfirmation").visible, false)
            compare(Face.shell.pendingModeDeleteID, "")
        }

        function test_aHiddenScreenTakesRequestsWhenItComesBackIntoView() {
            const view = showScreen("list")
            view.visible = false
            Face.shell.requestModeEditor(host.gamingId)
            compare(Face.shell.pendingModeEditorID, host.gamingId, "left for the screen while hidden")
            compare(view.screen.editorOpen, false)
            view.visible = true
            compare(Face.shell.pendingModeEditorID, "")
            const sheet = popup(view, "modeEditorSheet")
            tryCompare(sheet, "opened", true)
            compare(findChild(view.editorContent, "modeName").text, "Gaming")
            keyClick(Qt.Key_Escape)
            tryCompare(sheet, "visible", false)
        }

        function test_ctrlNOpensABlankEditorThroughTheMenuCommand() {
            const view = showScreen("list")
            rowButton(view, "Gaming").forceActiveFocus(Qt.TabFocusReason)
            keyClick(Qt.Key_N, Qt.ControlModifier)
            const sheet = popup(view, "modeEditorSheet")
            tryCompare(sheet, "opened", true)
            compare(findChild(view.editorContent, "editorTitle").text, "New Custom Mode")
            compare(findChild(view.editorContent, "modeName").text, "")
            verify(findChild(view.editorContent, "modeName").activeFocus, "the name takes the keyboard")
            verify(viewTest.commands().indexOf("RaiseRequest(modeCreation)") >= 0)
            verify(viewTest.commands().indexOf("ConsumeRequest(modeCreation)") >= 0)
            compare(Face.shell.pendingModeCreationRequest, false)
            keyClick(Qt.Key_Escape)
            tryCompare(sheet, "visible", false)
        }
    }
}
