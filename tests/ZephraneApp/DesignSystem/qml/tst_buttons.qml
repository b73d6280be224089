import QtQuick
import QtTest
import Zephrane.Design
import Zephrane.Testing

Item {
    id: scene
    width: 500
    height: 400

    GlassActionButton {
        id: action
        x: 10; y: 10
        text: "Export"
        help: "Export the power history"
        property int runs: 0
        onClicked: runs += 1
    }
    GlassActionButton {
        id: withSymbol
        x: 10; y: 50
        text: "Export"
        trailingSystemImage: "chevron.right"
        accessibilityHint: "Saves a file"
    }
    PushButton {
        id: push
        x: 200; y: 10
        text: "Refresh"
    }

    FakeEngine { id: engine; helperStateKind: 1 }
    HelperStateActionView {
        id: helperView
        x: 10; y: 100
        width: 300
        daemon: engine.daemon
    }

    EmptyState {
        id: emptyState
        x: 10; y: 200
        width: 300
        title: "No heat sources"
        systemImage: "cpu"
    }

    TestCase {
        name: "Buttons"
        when: windowShown

        function init() {
            // Any warning from QML (a binding loop, an undefined property)
            // fails the test that caused it.
            failOnWarning(/.?/)
            action.runs = 0
            action.enabled = true
            engine.calls = []
            engine.helperInstallIssue = ""
            engine.isHelperInstallInFlight = false
            engine.helperStateKind = 1
            scene.forceActiveFocus()
        }

        function test_action_button_runs_once_per_click_and_from_the_keyboard() {
            mouseClick(action)
            compare(action.runs, 1)
            action.forceActiveFocus(Qt.TabFocusReason)
            keyClick(Qt.Key_Space)
            keyClick(Qt.Key_Return)
            compare(action.runs, 3)
        }

        function test_disabled_action_button_dims_and_does_nothing() {
            action.enabled = false
            compare(action.opacity, 0.4)
            mouseClick(action)
            compare(action.runs, 0)
        }

        function test_action_button_metrics_and_speech() {
            compare(action.height, 32)
            verify(withSymbol.width > action.width)  // the symbol and its 4-point gap
            compare(action.Accessible.name, "Export")
            compare(action.Accessible.description, "")
            compare(withSymbol.Accessible.description, "Saves a file")
            compare(action.focusPolicy, Qt.TabFocus)  // a click does not take focus
        }

        function test_push_button_shrinks_while_pressed() {
            mousePress(push)
            tryCompare(push, "scale", 0.97)
            mouseRelease(push)
            tryCompare(push, "scale", 1.0)
        }

        function test_daemon_action_follows_the_state_and_calls_the_engine() {
            const button = findChild(helperView, "helperActionButton")
            compare(button.text, "Install fan-control helper")
            mouseClick(button)
            compare(engine.calls, ["installHelper"])

            engine.helperStateKind = 2
            compare(button.text, "Approve in System Settings")
            mouseClick(button)
            compare(engine.calls, ["installHelper", "openHelperApproval"])

            engine.helperStateKind = 4
            verify(!button.visible)
            engine.helperInstallIssue = "The helper needs repair."
            verify(button.visible)
            compare(button.text, "Repair Helper Setup…")
            mouseClick(button)
            compare(engine.calls[2], "installHelper")
        }

        function test_refresh_while_connecting_unless_an_install_runs() {
            engine.helperStateKind = 3
            const refresh = findChild(helperView, "helperRefreshButton")
            verify(refresh.visible)
            verify(!findChild(helperView, "helperActionButton").visible)
            mouseClick(refresh)
            compare(engine.calls, ["refreshHelperState"])
            engine.isHelperInstallInFlight = true
            mouseClick(refresh)
            compare(engine.calls, ["refreshHelperState"])
        }

        function test_empty_state_is_read_as_one_element() {
            compare(emptyState.children[0].children[0].Accessible.name, "No heat sources")
            emptyState.description = "Nothing is working hard."
            compare(emptyState.children[0].children[0].Accessible.name, "No heat sources. Nothing is working hard.")
        }
    }
}
