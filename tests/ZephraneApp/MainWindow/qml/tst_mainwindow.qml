import QtQuick
import QtTest
import Zephrane.Face
import Zephrane.MainWindow

// The main window on the scripted engine: the sidebar by mouse and by
// arrows, the status footer, the first-run sheet, the competitor named in
// the fans card.
Item {
    id: scene
    width: 1100
    height: 800

    Component {
        id: windowContent
        ZephraneMainView {
            width: scene.width
            height: scene.height
        }
    }

    TestCase {
        name: "MainWindow"
        when: windowShown

        function init() {
            failOnWarning(/.?/)
        }

        function show(state) {
            if (state !== "")
                verify(viewTest.stage("main-window", state))
            const view = createTemporaryObject(windowContent, scene)
            verify(view !== null)
            waitForRendering(view)
            viewTest.clearCommands()
            return view
        }

        // What the views asked, without the window's and the dashboard's presence.
        function asked() {
            return viewTest.commands().filter(c => !c.startsWith("Report"))
        }

        function sidebar(view) {
            return findChild(view, "sidebar")
        }

        function footerText(view) {
            const footer = findChild(view, "statusFooter")
            return footer.children[1].text
        }

        function test_a_row_chosen_stores_its_section_in_lower_case() {
            const view = show("dashboard")
            mouseClick(sidebar(view).itemAtIndex(2))
            compare(asked(), ["SelectSection(modes)"])
            compare(Face.shell.selectedSection, 2)
            tryVerify(() => view.detail.item !== null && view.detail.item.toString().indexOf("ModesView") >= 0)
            mouseClick(sidebar(view).itemAtIndex(3))
            tryVerify(() => view.detail.item.toString().indexOf("SettingsView") >= 0)
            compare(view.detail.item.updater, null)
        }

        function test_the_arrow_keys_walk_the_sections() {
            const view = show("dashboard")
            const list = sidebar(view)
            list.forceActiveFocus(Qt.TabFocusReason)
            keyClick(Qt.Key_Down)
            keyClick(Qt.Key_Down)
            compare(Face.shell.selectedSection, 2)
            keyClick(Qt.Key_Down)
            keyClick(Qt.Key_Down)
            compare(Face.shell.selectedSection, 3, "no further than the last")
            keyClick(Qt.Key_Up)
            compare(Face.shell.selectedSection, 2)
            // Only the sections: the screens shown on the way ask for their own
            // things (the settings read the login item again).
            compare(asked().filter(c => c.startsWith("SelectSection")),
                    ["SelectSection(sensors)", "SelectSection(modes)", "SelectSection(settings)",
                     "SelectSection(settings)", "SelectSection(modes)"])
            verify(list.activeFocus, "the sidebar keeps the focus while the detail changes")
        }

        function test_a_section_written_elsewhere_switches_the_detail() {
            const view = show("dashboard")
            Face.shell.selectedSection = 1
            tryVerify(() => view.detail.item.toString().indexOf("SensorsView") >= 0)
            compare(sidebar(view).currentIndex, 1)
        }

        function test_the_footer_tells_the_state_of_fan_control() {
            let view = show("dashboard")
            compare(footerText(view), "Fan control active")
            view.destroy()
            view = show("no-smc")
            compare(footerText(view), "Sensors unavailable")
        }

        function test_the_first_run_sheet_stays_until_dismissed() {
            Face.preferences.hasCompletedFirstRunSetup = false
            const view = show("")
            const sheet = findChild(view, "firstRunSheet")
            tryVerify(() => sheet.opened)
            keyClick(Qt.Key_Escape)
            tryVerify(() => !sheet.visible)
            compare(asked(), ["ChangeSetting(hasCompletedFirstRunSetup, true)"])
            const again = createTemporaryObject(windowContent, scene)
            waitForRendering(again)
            verify(!findChild(again, "firstRunSheet").visible, "not offered again")
        }

        function test_the_fans_card_names_a_running_competitor() {
            const view = show("competitor")
            const main = findChild(view, "mainViewPresenter")
            tryCompare(main, "competingFanController", "TG Pro")
            compare(main.noFansDescription, "SMC unavailable. TG Pro is running and may be holding it. "
                                             + "Sensors reconnect automatically once it quits.")
        }

        function test_the_window_reports_the_dashboard_while_it_shows() {
            const view = show("dashboard")
            mouseClick(sidebar(view).itemAtIndex(1))
            compare(viewTest.commands().filter(c => !c.startsWith("ReportMainWindowVisible")),
                    ["SelectSection(sensors)", "ReportDashboardVisible(false)"])
            compare(Face.shell.dashboardVisible, false)
            mouseClick(sidebar(view).itemAtIndex(0))
            compare(Face.shell.dashboardVisible, true)
        }
    }
}
