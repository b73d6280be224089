import QtQuick
import QtQuick.Controls as Controls
import QtQuick.Layouts
import Zephrane.Dashboard
import Zephrane.Design
import Zephrane.Face
import Zephrane.MainWindow

// The dashboard: a scroll of cards (the overheat alert, the daemon notice,
// the temperature and power cards, the fans and heat sources cards and the
// sensors card). The hero row goes side by side from 664 points of width,
// the fans and heat sources from 960; the window's presenter keeps the
// width and what the cards share.
Item {
    id: root

    required property MainViewPresenter main
    readonly property alias dashboard: dashboardPresenter
    readonly property alias fansCard: fansCard
    readonly property alias heatSourcesCard: heatSourcesCard
    // All the cards' height, with the margins.
    readonly property real contentHeight: scroll.contentHeight

    implicitWidth: 900
    implicitHeight: 900

    DashboardPresenter {
        id: dashboardPresenter
        face: Face
        expandedSensorID: root.main.expandedSensorID
    }

    Binding {
        target: root.main
        property: "dashboardWidth"
        value: scroll.width
    }

    Flickable {
        id: scroll
        objectName: "dashboardScroll"
        anchors.fill: parent
        contentWidth: width
        contentHeight: column.implicitHeight + 48
        boundsBehavior: Flickable.StopAtBounds
        clip: true
        Controls.ScrollBar.vertical: Controls.ScrollBar {
            policy: Controls.ScrollBar.AsNeeded
        }

        // Tabbing to a control out of sight scrolls it in.
        function reveal(item) {
            let inside = false
            for (let up = item; up !== null && !inside; up = up.parent)
                inside = up === column
            if (!inside)
                return
            const top = item.mapToItem(column, 0, 0).y + 24
            const bottom = top + item.height
            if (top < contentY)
                contentY = Math.max(0, top - 24)
            else if (bottom > contentY + height)
                contentY = Math.min(contentHeight - height, bottom - height + 24)
        }

        ColumnLayout {
            id: column
            x: 24
            y: 24
            width: scroll.width - 48
            spacing: 16

            OverheatAlertBanner {
                Layout.fillWidth: true
            }

            // Made only while it shows: hidden, its controls would still be
            // read out.
            Loader {
                objectName: "daemonNotice"
                active: dashboardPresenter.daemonNoticeShown
                visible: active
                Layout.fillWidth: true
                sourceComponent: BannerCard {
                    padding: 16
                    tint: dashboardPresenter.daemonTint

                    HelperCard {
                        width: parent.width
                        dashboard: dashboardPresenter
                    }
                }
            }

            GridLayout {
                objectName: "heroRow"
                Layout.fillWidth: true
                columns: root.main.dashboardHeroWide ? 2 : 1
                columnSpacing: 16
                rowSpacing: 16

                TemperatureHeroView {
                    Layout.fillWidth: true
                    Layout.fillHeight: root.main.dashboardHeroWide
                    Layout.alignment: Qt.AlignTop
                    Layout.preferredWidth: 1
                    stretchesVertically: root.main.dashboardHeroWide
                }
                DashboardPowerCard {
                    Layout.fillWidth: true
                    Layout.fillHeight: root.main.dashboardHeroWide
                    Layout.alignment: Qt.AlignTop
                    Layout.preferredWidth: 1
                    stretchesVertically: root.main.dashboardHeroWide
                }
            }

            GridLayout {
                objectName: "cardRow"
                Layout.fillWidth: true
                columns: root.main.dashboardWide ? 2 : 1
                columnSpacing: 16
                rowSpacing: 16

                DashboardPlate {
                    objectName: "fansPlate"
                    Layout.fillWidth: true
                    Layout.fillHeight: root.main.dashboardWide
                    Layout.alignment: Qt.AlignTop
                    Layout.preferredWidth: 1

                    FansCard {
                        id: fansCard
                        anchors.fill: parent
                        main: root.main
                    }
                }
                DashboardPlate {
                    objectName: "heatSourcesPlate"
                    Layout.fillWidth: true
                    Layout.fillHeight: root.main.dashboardWide
                    Layout.alignment: Qt.AlignTop
                    Layout.preferredWidth: 1

                    HeatSourcesCard {
                        id: heatSourcesCard
                        anchors.fill: parent
                        main: root.main
                    }
                }
            }

            DashboardPlate {
                objectName: "sensorsPlate"
                visible: dashboardPresenter.hasSensors
                Layout.fillWidth: true

                SensorsCard {
                    anchors.fill: parent
                    main: root.main
                    dashboard: dashboardPresenter
                }
            }
        }
    }

    Connections {
        target: root.Window.window
        function onActiveFocusItemChanged() {
            const item = root.Window.window.activeFocusItem
            if (item !== null)
                scroll.reveal(item)
        }
    }

    DustCycleSheet {
        main: root.main
    }
}
