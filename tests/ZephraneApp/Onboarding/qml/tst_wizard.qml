import QtQuick
import QtTest
import Zephrane.Face
import Zephrane.Onboarding

// The first-run wizard on the scripted engine, by the keyboard alone:
// Return moves on and finishes, Escape skips the setup everywhere but on
// the last step, and each step's own control reaches the engine.
Item {
    id: scene
    width: 500
    height: 460

    Component {
        id: wizardComponent
        FirstRunWizardView {}
    }

    TestCase {
        name: "FirstRunWizard"
        when: windowShown

        property var view: null

        SignalSpy {
            id: dismissals
            signalName: "dismissRequested"
        }

        function init() {
            failOnWarning(/.?/)
            viewTest.stage("wizard", "step-3")
            view = createTemporaryObject(wizardComponent, scene)
            verify(view)
            dismissals.target = view
            dismissals.clear()
            view.forceActiveFocus()
            viewTest.clearCommands()
        }

        function named(name) {
            const found = findChild(view, name)
            verify(found, "no " + name)
            return found
        }

        function test_return_walks_to_the_end_and_finishes() {
            compare(view.width, 460)
            compare(view.height, 420)
            compare(named("stepCounter").text, "Step 1 of 5")
            compare(named("forwardButton").text, "Get Started")
            for (let step = 2; step <= 5; ++step) {
                keyClick(Qt.Key_Return)
                compare(named("stepCounter").text, "Step " + step + " of 5")
            }
            verify(!named("skipButton").visible)
            verify(named("finishButton").visible)
            keyClick(Qt.Key_Escape)
            compare(dismissals.count, 0, "on the last step Escape does nothing")
            keyClick(Qt.Key_Return)
            compare(dismissals.count, 1)
            compare(viewTest.commands(), ["RefreshHelperState", "RefreshLaunchAtLogin",
                                          "ChangeSetting(hasCompletedFirstRunSetup, true)"])
        }

        function test_escape_skips_the_setup_from_the_welcome() {
            keyClick(Qt.Key_Escape)
            compare(dismissals.count, 1)
            compare(viewTest.commands(), ["ChangeSetting(hasCompletedFirstRunSetup, true)"])
            verify(Face.preferences.hasCompletedFirstRunSetup)
            Face.preferences.hasCompletedFirstRunSetup = false
        }

        function test_back_returns_and_refreshes_the_daemon_again() {
            keyClick(Qt.Key_Return)
            keyClick(Qt.Key_Return)
            named("backButton").forceActiveFocus(Qt.TabFocusReason)
            keyClick(Qt.Key_Space)
            compare(named("stepCounter").text, "Step 2 of 5")
            compare(viewTest.commands(), ["RefreshHelperState", "RefreshHelperState"])
        }

        function test_the_daemon_step_installs_by_keyboard() {
            viewTest.stage("wizard", "step-2")
            keyClick(Qt.Key_Return)
            viewTest.clearCommands()
            compare(named("helperStatus").text, "Not installed yet")
            const install = named("helperStepButton")
            compare(install.text, "Install Helper")
            install.forceActiveFocus(Qt.TabFocusReason)
            keyClick(Qt.Key_Space)
            compare(viewTest.commands(), ["InstallHelper"])
            viewTest.stage("wizard", "step-2-approval")
            compare(named("helperStepButton").text, "Open System Settings")
            keyClick(Qt.Key_Space)
            compare(viewTest.commands()[1], "OpenHelperApproval")
            viewTest.stage("wizard", "step-2-connected")
            compare(named("helperStatus").text, "Connected")
            verify(!named("helperStepButton").visible)
        }

        function test_the_notification_question_by_keyboard() {
            keyClick(Qt.Key_Return)
            keyClick(Qt.Key_Return)
            const enable = named("enableNotificationsButton")
            enable.forceActiveFocus(Qt.TabFocusReason)
            keyClick(Qt.Key_Space)
            tryVerify(() => !enable.visible)
            compare(named("notificationStatus").text, "Notifications enabled")
            verify(viewTest.commands().indexOf("RequestNotificationAuthorization") >= 0)
        }

        function test_the_login_item_by_keyboard() {
            for (let i = 0; i < 3; ++i)
                keyClick(Qt.Key_Return)
            const toggle = named("launchAtLoginToggle")
            toggle.forceActiveFocus(Qt.TabFocusReason)
            keyClick(Qt.Key_Space)
            verify(toggle.checked)
            compare(viewTest.commands().slice(-1), ["SetLaunchAtLogin(true)"])
            Face.system.refreshLaunchAtLogin()
            verify(toggle.checked, "the system holds the registration")
        }
    }
}
