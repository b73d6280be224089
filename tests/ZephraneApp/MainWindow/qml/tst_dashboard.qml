import QtQuick
import QtTest
import Zephrane.Design
import Zephrane.Face
import Zephrane.MainWindow

// The dashboard on the scripted engine: its two thresholds, the fans
// picker by mouse and keyboard, Tab through the cards, the dust-cycle sheet
// (Escape cancels) and its request check, "All Sensors", the overheat
// banner, the heat sources period and the quit on a hovered row.
Item {
    id: scene
    width: 1000
    height: 1400

    Component {
        id: dashboardScene
        Item {
            id: holder
            property alias main: mainPresenter
            property alias view: dashboard
            property real dashboardWidth: 1000
            width: dashboardWidth
            height: scene.height
            MainViewPresenter {
                id: mainPresenter
                face: Face
                windowShown: true
            }
            DashboardView {
                id: dashboard
                width: holder.dashboardWidth
                height: holder.height
                main: mainPresenter
            }
        }
    }

    TestCase {
        name: "Dashboard"
        when: windowShown

        function init() {
            failOnWarning(/.?/)
            viewTest.setReduceMotion(true)
        }

        function show(state, width) {
            verify(viewTest.stage("dashboard", state))
            const made = createTemporaryObject(dashboardScene, scene, {dashboardWidth: width || 1000})
            verify(made !== null)
            waitForRendering(made)
            viewTest.clearCommands()
            return made
        }

        function asked() {
            return viewTest.commands().filter(c => !c.startsWith("Report"))
        }

        // The segment `index` of a GlassTabs.
        function segment(tabs, index) {
            return tabs.children[tabs.children.length - 1].children[index]
        }

        function test_the_rows_go_side_by_side_at_their_thresholds_data() {
            return [
                {tag: "663", width: 663, hero: 1, cards: 1},
                {tag: "664", width: 664, hero: 2, cards: 1},
                {tag: "959", width: 959, hero: 2, cards: 1},
                {tag: "960", width: 960, hero: 2, cards: 2},
            ]
        }
        function test_the_rows_go_side_by_side_at_their_thresholds(data) {
            const made = show("wide", data.width)
            compare(findChild(made.view, "heroRow").columns, data.hero)
            compare(findChild(made.view, "cardRow").columns, data.cards)
            if (data.cards === 2)
                compare(findChild(made.view, "fansPlate").height, findChild(made.view, "heatSourcesPlate").height,
                        "the side-by-side cards share their row's height")
        }

        function test_a_fan_mode_chosen_by_mouse_is_applied() {
            const made = show("medium")
            const picker = findChild(made.view, "fanModePicker")
            mouseClick(segment(picker, 1))
            compare(asked(), ["ApplyProfile(Silent Stealth)"])
            compare(picker.selection, 1)
            mouseClick(segment(picker, 4))
            compare(asked(), ["ApplyProfile(Silent Stealth)", "EnterManualControl"])
            compare(picker.selection, 1, "the engine decides: the scripted one took no manual control")
        }

        function test_a_fan_mode_chosen_by_keyboard_is_applied() {
            const made = show("medium")
            const picker = findChild(made.view, "fanModePicker")
            segment(picker, 0).forceActiveFocus(Qt.TabFocusReason)
            keyClick(Qt.Key_Right)
            keyClick(Qt.Key_Right)
            keyClick(Qt.Key_Return)
            keyClick(Qt.Key_Right)
            keyClick(Qt.Key_Space)
            compare(asked(), ["ApplyProfile(Nimbra Standard)", "ApplyProfile(Max Thermal Blast)"])
        }

        function test_tab_walks_through_the_cards() {
            const made = show("medium")
            segment(findChild(made.view, "fanModePicker"), 0).forceActiveFocus(Qt.TabFocusReason)
            const reached = []
            for (let i = 0; i < 14; ++i) {
                keyClick(Qt.Key_Tab)
                const focused = made.Window.window.activeFocusItem
                reached.push(focused.objectName !== "" ? focused.objectName : focused.text)
            }
            const order = ["Quiet", "dustCycleButton", "Live", "allSensorsButton"]
            let from = 0
            for (const name of order) {
                const at = reached.indexOf(name, from)
                verify(at >= 0, name + " is reached in order: " + reached.join(", "))
                from = at
            }
        }

        function test_the_dust_cycle_sheet_starts_or_cancels() {
            const made = show("medium")
            const button = findChild(made.view, "dustCycleButton")
            button.forceActiveFocus(Qt.TabFocusReason)
            keyClick(Qt.Key_Space)
            tryVerify(() => made.main.showDustCycleSheet)
            const start = findChild(made.view, "startDustCycleButton")
            tryVerify(() => start.activeFocus)
            keyClick(Qt.Key_Escape)
            tryVerify(() => !made.main.showDustCycleSheet)
            compare(asked(), [], "Escape leaves the engine alone")

            mouseClick(button)
            tryVerify(() => start.visible && start.activeFocus)
            keyClick(Qt.Key_Return)
            compare(asked(), ["StartDustCycle"])
            tryVerify(() => !made.main.showDustCycleSheet)
        }

        function test_a_request_from_elsewhere_opens_the_sheet() {
            const made = show("medium")
            Face.shell.requestDustCycle()
            tryVerify(() => made.main.showDustCycleSheet)
            compare(asked(), ["RaiseRequest(dustCycle)", "ConsumeRequest(dustCycle)"])
            compare(Face.shell.pendingDustCycleRequest, false)
            mouseClick(findChild(made.view, "cancelDustCycleSheetButton"))
            tryVerify(() => !made.main.showDustCycleSheet)
        }

        function test_a_running_cycle_counts_down_and_cancels() {
            const made = show("dust-cycle-running")
            const cancel = findChild(made.view, "cancelDustCycleButton")
            verify(cancel.visible)
            verify(!findChild(made.view, "dustCycleButton").visible)
            cancel.forceActiveFocus(Qt.TabFocusReason)
            keyClick(Qt.Key_Return)
            compare(asked(), ["CancelDustCycle"])
        }

        function test_all_sensors_opens_the_sensor_list() {
            const made = show("wide")
            const button = findChild(made.view, "allSensorsButton")
            compare(button.Accessible.description, "Opens the complete sensor list")
            mouseClick(button)
            compare(asked(), ["SelectSection(sensors)"])
        }

        function test_the_overheat_banner_is_dismissed() {
            const made = show("overheating")
            const dismiss = findChild(made.view, "dismissOverheatAlert")
            verify(dismiss.visible)
            compare(dismiss.Accessible.name, "Dismiss overheat alert")
            mouseClick(dismiss)
            compare(asked(), ["DismissInAppAlert"])
            tryVerify(() => !dismiss.parent.visible || !Face.alerts.hasInAppAlert)
        }

        function test_the_period_picker_switches_the_list() {
            const made = show("wide")
            const card = made.view.heatSourcesCard
            compare(card.presenter.rows.count, 5)
            mouseClick(segment(findChild(made.view, "heatSourcePeriodPicker"), 1))
            compare(made.main.heatSourceMode, 1)
            compare(card.presenter.rows.count, 2)
            mouseClick(segment(findChild(made.view, "heatSourcePeriodPicker"), 1))
            compare(made.main.heatSourceMode, 1, "the selected segment stays selected")
        }

        function test_a_hovered_row_offers_to_quit_its_application() {
            const made = show("wide")
            mainWindowTest.setApplications([[4242, "blender", true], [2001, "firefox", false]])
            const quits = findAllQuitButtons(made.view)
            compare(quits.length, 5)
            mouseMove(quits[0].parent.parent.parent.parent, 5, 5)
            tryVerify(() => quits[0].visible)
            mouseClick(quits[0])
            compare(mainWindowTest.quits(), ["4242 blender"])
            mouseMove(quits[1].parent.parent.parent.parent, 5, 5)
            tryVerify(() => !quits[0].visible, 5000, "only while the pointer is over its row")
            verify(!quits[1].visible, "a background process is not offered")
        }

        function findAllQuitButtons(root) {
            const found = []
            const walk = item => {
                if (item.objectName === "quitButton")
                    found.push(item)
                for (let i = 0; i < item.children.length; ++i)
                    walk(item.children[i])
            }
            walk(root)
            return found
        }
    }
}
