import QtQuick
import QtQuick.Controls as Controls
import Zephrane.Dashboard
import Zephrane.Design
import Zephrane.Face

// The main window's Sensors section: the device readings (Essentials) or
// every discovered sensor grouped (All, and whenever a search is typed),
// with the search field, the mode filter and the count, on one plate. The
// lists are built lazily as they scroll; with the keyboard, Tab goes into
// the list, the arrows move between rows, Return or Space expands a device
// row, and the menu key opens a row's Pin or Unpin.
FocusScope {
    id: root

    // The search text; the view's own field edits it.
    property string query: ""
    // The id of the one expanded device row; empty for none.
    property string expandedSensorID: ""

    implicitWidth: 768
    implicitHeight: 640

    SensorsPresenter {
        id: sensors
        face: Face
        query: root.query
    }

    Item {
        id: toolbar
        x: 24
        y: 16
        width: root.width - 48
        height: search.implicitHeight

        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: sensors.title
            font: Theme.fontTitle2Semibold
            color: Theme.primary
            Accessible.role: Accessible.Heading
            Accessible.name: text
        }
        SensorSearchField {
            id: search
            objectName: "sensorSearch"
            anchors.right: parent.right
            text: root.query
            placeholderText: sensors.searchPrompt
            onTextEdited: root.query = text
        }
    }

    Item {
        id: page
        x: 24
        y: toolbar.y + toolbar.height + 16
        width: root.width - 48
        height: root.height - y - 24

        GlassPlate {
            id: plate
            anchors.horizontalCenter: parent.horizontalCenter
            width: Math.min(parent.width, 720)
            height: Math.min(parent.height, 56 + header.height + 16 + body.wanted)
            radius: 20
            elevation: Theme.Medium
        }

        Item {
            id: header
            x: plate.x + 28
            y: 28
            width: plate.width - 56
            height: Math.max(filter.implicitHeight, count.implicitHeight)

            GlassTabs {
                id: filter
                objectName: "sensorFilter"
                anchors.verticalCenter: parent.verticalCenter
                visible: !sensors.searching
                segments: sensors.modeSegments
                selection: sensors.modeSelection
                allowsDeselect: false
                accessibilityLabel: sensors.filterLabel
                onActivated: chosen => sensors.chooseMode(chosen)
            }
            Text {
                id: count
                objectName: "sensorCount"
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                text: sensors.countText
                font: Theme.fontCallout
                color: Theme.secondary
            }
        }

        Item {
            id: body

            // The height the body's content asks for.
            readonly property real wanted: sensors.body === SensorsPresenter.Essentials ? essentials.contentHeight
                                         : sensors.body === SensorsPresenter.Grouped ? grouped.contentHeight : 240

            x: plate.x + 28
            y: header.y + header.height + 16
            width: plate.width - 56
            height: plate.height - y - 28

            EmptyState {
                objectName: "sensorsEmpty"
                anchors.fill: parent
                visible: sensors.body === SensorsPresenter.NoSensors || sensors.body === SensorsPresenter.NoResults
                form: EmptyState.Full
                title: sensors.emptyTitle
                systemImage: sensors.emptySymbol
                description: sensors.emptyDescription
            }

            ListView {
                id: essentials
                objectName: "essentialsList"
                anchors.fill: parent
                visible: sensors.body === SensorsPresenter.Essentials
                clip: true
                model: Face.sensors.deviceSensors
                activeFocusOnTab: visible
                keyNavigationEnabled: true
                boundsBehavior: Flickable.StopAtBounds
                Controls.ScrollBar.vertical: Controls.ScrollBar { policy: Controls.ScrollBar.AsNeeded }

                delegate: DeviceSensorRow {
                    width: ListView.view.width
                    isExpanded: readingId === root.expandedSensorID
                    isPinnableKey: sensors.isSensorKey(readingId, sensors.sensorKeysRevision)
                    onTapped: root.expandedSensorID = sensors.toggledExpansion(root.expandedSensorID, readingId)
                }
            }

            ListView {
                id: grouped
                objectName: "groupedList"
                anchors.fill: parent
                visible: sensors.body === SensorsPresenter.Grouped
                clip: true
                model: sensors.groups
                activeFocusOnTab: visible
                keyNavigationEnabled: true
                boundsBehavior: Flickable.StopAtBounds
                reuseItems: true
                Controls.ScrollBar.vertical: Controls.ScrollBar { policy: Controls.ScrollBar.AlwaysOn }

                section.property: "groupTitle"
                section.criteria: ViewSection.FullString
                section.delegate: Row {
                    required property string section

                    leftPadding: 6
                    rightPadding: 6
                    topPadding: 12
                    bottomPadding: 4
                    spacing: 6
                    Accessible.role: Accessible.Heading
                    Accessible.name: section

                    Text {
                        text: parent.section
                        font: Theme.fontHeadline
                        color: Theme.primary
                        Accessible.ignored: true
                    }
                    Text {
                        text: sensors.groups.groupCounts[parent.section] || ""
                        font: Theme.fontHeadline
                        color: Theme.tertiary
                        Accessible.ignored: true
                    }
                }

                delegate: SensorRow {
                    width: ListView.view.width
                    onPinToggled: sensors.togglePin(key)
                }
            }
        }
    }
}
