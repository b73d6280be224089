import QtQuick
import QtTest
import Zephrane.Shell

// The menu-bar panel on the scripted engine, driven as a user drives it:
// the pointer on its controls, and the keyboard alone (Tab, Space, Return,
// the arrows on the slider, Escape). Each test checks what the engine was
// asked, in order.
Item {
    id: scene
    width: 460
    height: 900

    Component {
        id: panelComponent
        Panel {}
    }

    MenuBarPanelBridge {
        id: bridge
    }
    SignalSpy { id: opened; target: bridge; signalName: "openMainWindowRequested" }
    SignalSpy { id: closed; target: bridge; signalName: "closePanelRequested" }

    TestCase {
        id: test
        name: "Panel"
        when: windowShown

        property var panel: null

        function init() {
            opened.clear()
            closed.clear()
        }

        // The panel in a state of the gallery, inside the floating panel
        // (with its bridge) unless told otherwise.
        function show(state, withoutBridge) {
            verify(viewTest.stage("panel", state))
            panel = createTemporaryObject(panelComponent, scene, withoutBridge ? {} : {panelBridge: bridge})
            verify(panel !== null)
            panel.forceActiveFocus()
            waitForRendering(panel)
            viewTest.clearCommands()
            return panel
        }

        function find(item, check) {
            if (check(item))
                return item
            for (let i = 0; i < item.children.length; ++i) {
                const found = find(item.children[i], check)
                if (found !== null)
                    return found
            }
            return null
        }
        function named(name) {
            const found = find(panel, item => item.objectName === name && item.visible)
            verify(found !== null, "no visible " + name)
            return found
        }
        function button(text) {
            const found = find(panel, item => item.text === text && item.clicked !== undefined && item.visible)
            verify(found !== null, "no button " + text)
            return found
        }
        function allNamed(name) {
            const all = []
            const visit = item => {
                if (item.objectName === name)
                    all.push(item)
                for (let i = 0; i < item.children.length; ++i)
                    visit(item.children[i])
            }
            visit(panel)
            return all
        }
        // Tab until the focus is on an item `check` accepts.
        function tabTo(check, what) {
            for (let i = 0; i < 40; ++i) {
                keyClick(Qt.Key_Tab)
                const focused = scene.Window.activeFocusItem
                if (focused !== null && check(focused))
                    return focused
            }
            fail("Tab never reached " + what)
        }

        function test_every_state_shows_and_asks_nothing() {
            for (const state of ["two-fans", "one-fan", "no-fans", "no-daemon", "install-issue", "on-battery",
                                 "dragging"]) {
                show(state)
                compare(viewTest.commands(), [], state)
                panel.destroy()
            }
        }

        function test_without_fans_the_notice_replaces_the_fan_modes() {
            show("no-fans")
            verify(named("noFansNotice").visible)
            compare(find(panel, item => item.objectName === "presetTabs" && item.visible), null)
            show("two-fans")
            compare(find(panel, item => item.objectName === "noFansNotice" && item.visible), null)
        }

        function test_tapping_the_highlighted_preset_again_hands_the_fans_back() {
            show("two-fans")
            const tabs = named("presetTabs")
            compare(tabs.selection, "auto")
            mouseClick(button("Quiet"))
            compare(viewTest.commands(), ["SelectPreset(quiet)"])
            compare(tabs.selection, "quiet")

            viewTest.clearCommands()
            mouseClick(button("Quiet"))
            compare(viewTest.commands(), ["ClearActivePreset", "ClearActiveCustomMode", "ApplyProfile(Apple Auto)"])
            compare(tabs.selection, undefined)

            // The tabs still follow the engine after the taps.
            verify(viewTest.stage("panel", "one-fan"))
            compare(tabs.selection, "quiet")
            viewTest.clearCommands()
            mouseClick(button("Max"))
            compare(viewTest.commands(), ["SelectPreset(max)"])
            compare(tabs.selection, "max")
        }

        function test_a_manual_drag_commits_once_when_it_ends() {
            show("two-fans")
            const slider = named("fanSpeedSlider")
            const y = slider.height / 2
            mousePress(slider, 4, y)
            mouseMove(slider, slider.width * 0.3, y)
            mouseMove(slider, slider.width * 0.5, y)
            compare(viewTest.commands(), [], "nothing while dragging")
            compare(named("speedText").text, panel.presenter.slider.rpmText(panel.presenter.slider.value))
            mouseRelease(slider, slider.width * 0.5, y)
            const commands = viewTest.commands()
            compare(commands.length, 1)
            const rpm = Number(/^SetConstantRPM\((\d+)\)$/.exec(commands[0])[1])
            verify(rpm > 3400 && rpm < 3800, commands[0])

            // The track still follows the engine after the drag.
            verify(viewTest.stage("panel", "on-battery"))
            compare(slider.value, 0.7)
        }

        function test_a_custom_mode_follows_its_drag() {
            show("on-battery")
            const slider = named("fanSpeedSlider")
            compare(slider.label, "Gaming Speed")
            const y = slider.height / 2
            mousePress(slider, slider.width * 0.2, y)
            mouseMove(slider, slider.width * 0.4, y)
            verify(viewTest.commands().length >= 2, "every move writes the mode")
            mouseRelease(slider, slider.width * 0.4, y)
            for (const command of viewTest.commands())
                compare(command, "UpdateCustomMode(Gaming)")
        }

        function test_mode_rows_pencil_menu_and_link() {
            show("on-battery")
            const selects = allNamed("modeSelect")
            compare(selects.length, 4)

            // The active mode's row hands the fans back; another engages its mode.
            mouseClick(selects[0])
            compare(viewTest.commands(), ["ClearActiveCustomMode", "ApplyProfile(Apple Auto)"])
            viewTest.clearCommands()
            mouseClick(selects[1])
            compare(viewTest.commands().length, 1)
            verify(viewTest.commands()[0].startsWith("SelectCustomMode("))

            viewTest.clearCommands()
            mouseClick(allNamed("modeEdit")[2])
            const editing = viewTest.commands()
            compare(editing.length, 2)
            verify(editing[0].startsWith("RaiseRequest(modeEditor, "))
            compare(editing[1], "SelectSection(modes)")
            compare(opened.count, 1)
            compare(closed.count, 1)

            // The row's menu asks the Modes screen to delete; the panel never deletes.
            viewTest.clearCommands()
            mouseClick(selects[3], 10, 10, Qt.RightButton)
            const menu = allNamed("modeRow")[3].menu
            tryCompare(menu, "opened", true)
            mouseClick(menu.itemAt(2))
            const deleting = viewTest.commands()
            compare(deleting.length, 2)
            verify(deleting[0].startsWith("RaiseRequest(modeDelete, "))
            compare(deleting[1], "SelectSection(modes)")

            viewTest.clearCommands()
            mouseClick(named("allModesLink"))
            compare(viewTest.commands(), ["SelectSection(modes)"])
        }

        function test_header_and_footer_open_the_main_window() {
            show("two-fans")
            mouseClick(named("temperatureButton"))
            compare(viewTest.commands(), ["SelectSection(sensors)"])
            compare(opened.count, 1)
            compare(closed.count, 1)

            viewTest.clearCommands()
            mouseClick(named("fansButton"))
            compare(viewTest.commands(), ["SelectSection(dashboard)"])

            viewTest.clearCommands()
            mouseClick(named("settingsButton"))
            compare(viewTest.commands(), ["SelectSection(settings)"])

            viewTest.clearCommands()
            mouseClick(named("openButton"))
            compare(viewTest.commands(), [])
            compare(opened.count, 4)
            compare(closed.count, 4)
        }

        function test_outside_the_floating_panel_the_view_asks_to_be_dismissed() {
            show("two-fans", true)
            const dismissed = createTemporaryObject(signalSpy, test, {target: panel, signalName: "dismissRequested"})
            mouseClick(named("temperatureButton"))
            compare(viewTest.commands(), ["SelectSection(sensors)"])
            compare(dismissed.count, 1)
            keyClick(Qt.Key_Escape)
            compare(dismissed.count, 2)
            compare(opened.count, 0)
        }

        function test_keyboard_alone() {
            show("two-fans")
            // Return on the temperature.
            tabTo(item => item.objectName === "temperatureButton", "the temperature")
            keyClick(Qt.Key_Return)
            compare(viewTest.commands(), ["SelectSection(sensors)"])

            // Space on a preset tab; the arrows move between the tabs.
            viewTest.clearCommands()
            panel.forceActiveFocus()
            tabTo(item => item.text === "Quiet", "the Quiet tab")
            keyClick(Qt.Key_Right)
            keyClick(Qt.Key_Right)
            compare(scene.Window.activeFocusItem.text, "Max")
            keyClick(Qt.Key_Space)
            compare(viewTest.commands(), ["SelectPreset(max)"])

            // The arrows on the slider take the fans over at the new speed.
            viewTest.clearCommands()
            const before = panel.presenter.slider.value
            tabTo(item => item.objectName === "fanSpeedSlider", "the slider")
            keyClick(Qt.Key_Right)
            fuzzyCompare(panel.presenter.slider.value, before + 0.05, 1e-9)
            compare(viewTest.commands().length, 1)
            verify(viewTest.commands()[0].startsWith("SetConstantRPM("))

            // A mode row: Space engages it, the Menu key opens its menu.
            viewTest.clearCommands()
            panel.forceActiveFocus()
            const select = tabTo(item => item.objectName === "modeSelect", "a mode row")
            keyClick(Qt.Key_Space)
            compare(viewTest.commands().length, 1)
            verify(viewTest.commands()[0].startsWith("SelectCustomMode("))
            viewTest.clearCommands()
            keyClick(Qt.Key_Menu)
            const menu = allNamed("modeRow")[0].menu
            tryCompare(menu, "opened", true)
            keyClick(Qt.Key_Down)
            keyClick(Qt.Key_Return)
            tryCompare(menu, "opened", false)
            compare(viewTest.commands().length, 2)
            verify(viewTest.commands()[0].startsWith("RaiseRequest(modeEditor, "))

            // Quit sits last; Escape closes the panel.
            viewTest.clearCommands()
            closed.clear()
            panel.forceActiveFocus()
            tabTo(item => item.objectName === "quitButton", "Quit")
            keyClick(Qt.Key_Escape)
            compare(closed.count, 1)
            compare(viewTest.commands(), [])
        }
    }

    Component {
        id: signalSpy
        SignalSpy {}
    }
}
