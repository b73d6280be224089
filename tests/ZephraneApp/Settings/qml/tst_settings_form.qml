import QtQuick
import QtTest
import Zephrane.Face
import Zephrane.Settings

// The settings form on the scripted engine, driven by the keyboard alone
// unless a test says otherwise: each control reaches the engine through
// the face, the form scrolls to what the keyboard reaches, the shortcut is
// recorded, the defaults are restored after the question.
Item {
    id: scene
    width: 800
    height: 700

    // The window's own shortcut for Quit, as the main window has one.
    property int quits: 0
    Shortcut {
        sequence: "Ctrl+Q"
        onActivated: scene.quits += 1
    }

    Component {
        id: formComponent
        SettingsView {}
    }
    QtObject {
        id: updater
        property bool canCheckForUpdates: true
        property bool automaticallyChecksForUpdates: false
        property int checks: 0
        function checkForUpdates() { checks += 1 }
    }

    TestCase {
        name: "SettingsForm"
        when: windowShown

        property var view: null

        function init() {
            failOnWarning(/.?/)
            viewTest.stage("settings", "defaults")
            view = createTemporaryObject(formComponent, scene, {width: scene.width, height: scene.height})
            verify(view)
            scene.quits = 0
            viewTest.clearCommands()
        }

        function named(name) {
            const found = findChild(view, name)
            verify(found, "no " + name)
            return found
        }

        // Whether the keyboard is on the object of that name or inside it.
        function focusIsIn(name) {
            for (let item = scene.Window.activeFocusItem; item; item = item.parent)
                if (item.objectName === name)
                    return true
            return false
        }

        function tabTo(name) {
            for (let i = 0; i < 300; ++i) {
                keyClick(Qt.Key_Tab)
                if (focusIsIn(name))
                    return scene.Window.activeFocusItem
            }
            fail("Tab never reached " + name)
        }

        function startAtTheTop() {
            named("launchAtLoginRow").toggle.forceActiveFocus(Qt.TabFocusReason)
            verify(focusIsIn("launchAtLoginRow"))
        }

        function test_the_general_switches_by_keyboard() {
            startAtTheTop()
            keyClick(Qt.Key_Space)
            compare(viewTest.commands(), ["SetLaunchAtLogin(true)", "RefreshLaunchAtLogin"])
            verify(named("launchAtLoginRow").toggle.checked)
            viewTest.clearCommands()
            keyClick(Qt.Key_Tab)
            verify(focusIsIn("dockIconRow"))
            keyClick(Qt.Key_Space)
            compare(viewTest.commands(), ["ChangeSetting(showDockIcon, false)", "SetActivationPolicy(accessory)"])
            viewTest.clearCommands()
            keyClick(Qt.Key_Tab)
            keyClick(Qt.Key_Space)
            keyClick(Qt.Key_Tab)
            keyClick(Qt.Key_Space)
            compare(viewTest.commands(), ["ChangeSetting(useFahrenheit, true)",
                                          "ChangeSetting(preciseTemperatures, false)"])
            // Put back for the other tests: this engine lives for the file.
            keyClick(Qt.Key_Space)
            keyClick(Qt.Key_Backtab)
            keyClick(Qt.Key_Space)
            keyClick(Qt.Key_Backtab)
            keyClick(Qt.Key_Space)
        }

        function test_the_keyboard_scrolls_the_form_to_what_it_reaches() {
            startAtTheTop()
            const reached = tabTo("summonRow")
            const where = reached.mapToItem(view, 0, 0)
            verify(where.y >= 0 && where.y + reached.height <= view.height,
                   "the focused control shows, at " + where.y)
        }

        function test_pickers_sliders_and_swatches_by_keyboard() {
            startAtTheTop()
            tabTo("backdropTile")
            keyClick(Qt.Key_Tab)
            keyClick(Qt.Key_Space)
            compare(viewTest.commands(), ["ChangeSetting(windowBackdrop, blackSand)"])
            viewTest.clearCommands()
            tabTo("accentSwatch")
            keyClick(Qt.Key_Tab)
            keyClick(Qt.Key_Return)
            tabTo("controlSourceRow")
            keyClick(Qt.Key_Down)
            tabTo("smoothingRow")
            keyClick(Qt.Key_Right)
            compare(viewTest.commands(), ["ChangeSetting(accentChoice, sky)", "ChangeSetting(controlSource, cpuAverage)",
                                          "ChangeSetting(acousticAlpha, 0.400000)"])
            compare(named("smoothingRow").valueText, "0.40")
        }

        function test_the_quiet_hours_pickers_step_and_type_only_while_on() {
            startAtTheTop()
            tabTo("quietHoursRow")
            keyClick(Qt.Key_Tab)
            verify(focusIsIn("meetingQuietRow"), "the pickers are skipped while quiet hours are off")
            keyClick(Qt.Key_Backtab)
            keyClick(Qt.Key_Space)
            keyClick(Qt.Key_Tab)
            verify(focusIsIn("quietFromRow"))
            keyClick(Qt.Key_Up)
            keyClick(Qt.Key_0)
            keyClick(Qt.Key_7)
            keyClick(Qt.Key_Tab)
            keyClick(Qt.Key_3)
            keyClick(Qt.Key_0)
            compare(viewTest.commands(), ["ChangeSetting(quietHoursEnabled, true)",
                                          "ChangeSetting(quietHoursStart, 1380)", "ChangeSetting(quietHoursStart, 0)",
                                          "ChangeSetting(quietHoursStart, 420)", "ChangeSetting(quietHoursStart, 423)",
                                          "ChangeSetting(quietHoursStart, 450)"])
            compare(named("quietFromRow").picker.text, "07:30")
            keyClick(Qt.Key_Tab)
            verify(focusIsIn("quietUntilRow"))
            // Back to how the file found it.
            Face.preferences.quietHoursStart = 1320
            Face.preferences.quietHoursEnabled = false
        }

        function test_an_alert_row_opens_and_its_rule_is_enabled_by_keyboard() {
            startAtTheTop()
            tabTo("alertDisclosure")
            compare(view.alertRules.data(view.alertRules.index(0, 0), AlertRuleRows.NameRole), "CPU")
            keyClick(Qt.Key_Space)
            keyClick(Qt.Key_Tab)
            verify(focusIsIn("ruleEnabled"))
            keyClick(Qt.Key_Space)
            compare(viewTest.commands(), ["SetAlertRule(cpu, true, keep, keep)"])
            keyClick(Qt.Key_Tab)
            verify(focusIsIn("ruleThreshold"), "the threshold shows once the rule is on")
            keyClick(Qt.Key_Right)
            compare(viewTest.commands()[1], "SetAlertRule(cpu, keep, 96.000000, keep)")
            Face.alerts.resetAlertRules()
        }

        function test_recording_a_shortcut_by_keyboard() {
            startAtTheTop()
            tabTo("recordShortcutButton")
            keyClick(Qt.Key_Space)
            verify(view.recorder.recording)
            verify(focusIsIn("shortcutCatcher"), "the catcher takes the keyboard at once")
            keyClick(Qt.Key_F, Qt.ShiftModifier)
            compare(named("shortcutMessage").text, "Include \u2318, \u2325, or \u2303 in the shortcut.")
            keyClick(Qt.Key_Tab)
            verify(view.recorder.recording, "Tab is a rejected chord, not a way out")
            keyClick(Qt.Key_Q, Qt.ControlModifier)
            compare(scene.quits, 0, "the window's own shortcut did not act")
            verify(!view.recorder.recording)
            compare(viewTest.commands(), ["SetSummonShortcut(\u2318Q)"])
            compare(named("recordShortcutButton").text, "\u2318Q")

            viewTest.clearCommands()
            named("recordShortcutButton").forceActiveFocus(Qt.TabFocusReason)
            keyClick(Qt.Key_Return)
            keyClick(Qt.Key_Escape, Qt.AltModifier)
            verify(!view.recorder.recording)
            compare(viewTest.commands(), [])
            view.recorder.clear()
            view.recorder.startRecording()
            keyClick(Qt.Key_F, Qt.AltModifier | Qt.ShiftModifier)
            compare(named("recordShortcutButton").text, "\u2325\u21e7F")
        }

        function test_another_control_taking_the_keyboard_ends_recording() {
            view.recorder.startRecording()
            tryVerify(() => focusIsIn("shortcutCatcher"))
            named("fahrenheitRow").toggle.forceActiveFocus(Qt.MouseFocusReason)
            verify(!view.recorder.recording)
            compare(viewTest.commands(), [])
        }

        function test_restoring_asks_first_and_escape_changes_nothing() {
            startAtTheTop()
            tabTo("restoreDefaultsButton")
            keyClick(Qt.Key_Space)
            const cancel = named("cancelRestoreButton")
            tryVerify(() => cancel.activeFocus, 1000, "Cancel has the keyboard")
            keyClick(Qt.Key_Escape)
            tryVerify(() => !view.form.confirmingRestore)
            compare(viewTest.commands(), [])

            named("restoreDefaultsButton").forceActiveFocus(Qt.TabFocusReason)
            keyClick(Qt.Key_Space)
            tryVerify(() => cancel.activeFocus)
            keyClick(Qt.Key_Tab)
            keyClick(Qt.Key_Space)
            const commands = viewTest.commands()
            compare(commands.length, 22)
            compare(commands[0], "ChangeSetting(acousticAlpha, 0.350000)")
            compare(commands[21], "SetSummonShortcut(\u2325\u21e7F)")
            verify(!view.form.confirmingRestore)
        }

        function test_the_updates_section_needs_an_updater_that_can_check() {
            verify(!named("updatesSection").visible)
            view.updater = updater
            verify(named("updatesSection").visible)
            named("automaticUpdatesRow").toggle.forceActiveFocus(Qt.TabFocusReason)
            keyClick(Qt.Key_Space)
            verify(updater.automaticallyChecksForUpdates)
            keyClick(Qt.Key_Tab)
            keyClick(Qt.Key_Space)
            compare(updater.checks, 1)
        }

        function test_the_daemon_section_and_the_last_error() {
            viewTest.stage("settings", "helper-not-installed")
            compare(named("helperStatus").text, "Setup Needs Attention")
            verify(named("helperIssue").visible)
            verify(named("lastErrorSection").visible)
            compare(named("lastError").text, "write failed: the daemon refused the fan's target")
            viewTest.stage("settings", "helper-connected")
            compare(named("helperStatus").text, "Connected")
            verify(!named("helperIssue").visible)
        }
    }
}
