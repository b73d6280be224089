import QtQuick
import QtQuick.Layouts
import Zephrane.Dashboard
import Zephrane.Design
import Zephrane.Face
import Zephrane.Modes
import Zephrane.Onboarding
import Zephrane.Settings
import Zephrane.MainWindow

// The main window's content: the sidebar of sections beside the selected
// section's screen, over the chosen backdrop. Each screen is made anew when
// it is chosen and comes in with a short scale and fade (a fade alone under
// Reduce Motion). Until first-run setup is complete the wizard waits in a
// sheet. The window floats on every desktop and tells the engine whether it
// can be seen.
WindowGlassModifier {
    id: root

    // The shell's updater, for the settings' Updates section; none hides it.
    property QtObject updater: null
    readonly property alias presenter: mainPresenter
    readonly property alias detail: detail

    implicitWidth: 1100
    implicitHeight: 800
    backdrop: Face.preferences.windowBackdrop

    MainViewPresenter {
        id: mainPresenter
        objectName: "mainViewPresenter"
        face: Face
        windowShown: root.Window.window !== null && root.Window.window.visible
    }
    WindowVisibilityObserver {
        shell: Face.shell
    }
    FloatingWindowConfigurator {}

    RowLayout {
        anchors.fill: parent
        spacing: 0

        MainSidebar {
            Layout.fillHeight: true
            Layout.minimumWidth: 190
            Layout.preferredWidth: 210
            main: mainPresenter
        }

        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.minimumWidth: 560
            Layout.minimumHeight: 560

            Loader {
                id: detail
                objectName: "detail"
                anchors.top: parent.top
                anchors.bottom: parent.bottom
                anchors.horizontalCenter: parent.horizontalCenter
                width: Math.min(parent.width, 1180)
                sourceComponent: [dashboardPage, sensorsPage, modesPage, settingsPage][mainPresenter.selectedSection]
                onLoaded: arrival.restart()
            }
            ParallelAnimation {
                id: arrival
                MotionAnimation {
                    target: detail.item
                    property: "opacity"
                    from: 0
                    to: 1
                    spring: Theme.Smooth
                }
                MotionAnimation {
                    target: detail.item
                    property: "scale"
                    from: Theme.reduceMotion ? 1 : 0.98
                    to: 1
                    spring: Theme.Smooth
                }
            }
        }
    }

    Component {
        id: dashboardPage
        DashboardView {
            main: mainPresenter
        }
    }
    Component {
        id: sensorsPage
        SensorsView {}
    }
    Component {
        id: modesPage
        ModesView {}
    }
    Component {
        id: settingsPage
        SettingsView {
            updater: root.updater
        }
    }

    MainWindowSheet {
        id: firstRun
        objectName: "firstRunSheet"
        onClosed: mainPresenter.firstRunSheetDismissed()
        Component.onCompleted: if (mainPresenter.showsFirstRunSheet) open()

        Connections {
            target: mainPresenter
            function onShowsFirstRunSheetChanged() {
                if (mainPresenter.showsFirstRunSheet)
                    firstRun.open()
            }
        }

        FirstRunWizardView {
            onDismissRequested: firstRun.close()
        }
    }
}
