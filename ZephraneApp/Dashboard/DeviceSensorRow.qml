import QtQuick
import QtQuick.Controls as Controls
import QtQuick.Layouts
import Zephrane.Dashboard
import Zephrane.Design
import Zephrane.Face

// One device-level reading (a row of Face.sensors.deviceSensors, by its id)
// with its expandable history graph. A tap, Return or Space asks the caller
// to expand or collapse it (`tapped`); a pinnable row pins from its pin
// button, its context menu or the menu key. Set its width.
FocusScope {
    id: root

    required property string readingId
    property bool isExpanded: false
    property bool isPinnableKey: false
    // The row answers taps (the caller expands it): it takes the keyboard's
    // focus, reads as a button and shows its chevron.
    property bool interactive: true
    // The row was tapped (click, Return or Space): the caller expands it.
    signal tapped()

    implicitWidth: 320
    implicitHeight: content.implicitHeight + 16
    activeFocusOnTab: root.interactive

    // A row of a list that is not shown (or a row the list keeps for
    // reuse) is not read.
    Accessible.ignored: !root.visible
    Accessible.role: root.interactive ? Accessible.Button : Accessible.StaticText
    Accessible.name: row.accessibleName
    Accessible.description: row.accessibleDescription
    Accessible.focusable: root.interactive
    Accessible.onPressAction: root.tap()

    DeviceSensorRowPresenter {
        id: row
        face: Face
        readingId: root.readingId
        isExpanded: root.isExpanded
        isPinnableKey: root.isPinnableKey
        interactive: root.interactive
    }

    function tap() {
        if (root.interactive)
            root.tapped()
    }

    function openMenu(x, y) {
        if (!root.isPinnableKey)
            return
        menuLoader.active = true
        menuLoader.item.popup(root, x, y)
        menuLoader.item.currentIndex = 0
    }

    Keys.onPressed: event => {
        if (root.interactive && (event.key === Qt.Key_Return || event.key === Qt.Key_Enter
                                 || event.key === Qt.Key_Space)) {
            root.tapped()
            event.accepted = true
        } else if (root.isPinnableKey && (event.key === Qt.Key_Menu
                                          || (event.key === Qt.Key_F10 && event.modifiers & Qt.ShiftModifier))) {
            root.openMenu(content.x, content.y + content.height / 2)
            event.accepted = true
        }
    }

    HoverHandler {
        id: hover
        enabled: root.interactive
    }
    TapHandler {
        enabled: root.interactive
        onTapped: root.tap()
    }
    TapHandler {
        acceptedButtons: Qt.RightButton
        enabled: root.isPinnableKey
        onTapped: eventPoint => root.openMenu(eventPoint.position.x, eventPoint.position.y)
    }

    HoverHighlight {
        anchors.fill: parent
        radius: 7
        hovering: hover.hovered
    }
    FocusRing {
        radius: 7
        focused: root.activeFocus
    }

    Column {
        id: content
        x: 6
        y: 8
        width: root.width - 12
        spacing: 6

        RowLayout {
            width: parent.width
            spacing: 10

            SensorChip {
                symbol: row.symbol
                tint: Theme.sensorTint(root.readingId, Theme.dark)
            }
            Text {
                objectName: "deviceRowName"
                Layout.fillWidth: true
                text: row.name
                font: Theme.fontBody
                color: Theme.primary
                elide: Text.ElideRight
                maximumLineCount: 1
                Accessible.ignored: true
            }
            Text {
                objectName: "deviceRowValue"
                Layout.leftMargin: 2
                text: row.valueText
                font: Theme.fontBodyDigits
                maximumLineCount: 1
                color: !row.hasValue ? Theme.tertiary
                     : row.valueIsHot ? Theme.adaptiveTemperatureColor(row.valueCelsius, Theme.dark) : Theme.primary
                Accessible.ignored: true
            }
            Item {
                implicitWidth: 26
                implicitHeight: 26
                IconChipButton {
                    objectName: "deviceRowPin"
                    anchors.fill: parent
                    visible: root.isPinnableKey
                    Accessible.ignored: !root.isPinnableKey || !root.visible
                    systemImage: row.pinSymbol
                    style: IconChipButton.Bare
                    hoverReveal: true
                    help: row.pinLabel
                    accessibilityLabel: row.pinLabel
                    // The row is the keyboard's stop; the menu key pins.
                    focusPolicy: Qt.NoFocus
                    onClicked: row.togglePin()
                }
            }
            Item {
                implicitWidth: 26
                implicitHeight: 26
                SymbolIcon {
                    objectName: "deviceRowChevron"
                    anchors.centerIn: parent
                    visible: root.interactive
                    name: "chevron.right"
                    color: Theme.tertiary
                    size: Theme.symbolSize(Theme.fontCaption2Semibold)
                    rotation: row.chevronRotation(root.isExpanded, Theme.reduceMotion)
                    opacity: row.chevronOpacity(hover.hovered, root.isExpanded)
                    Behavior on rotation {
                        MotionAnimation { spring: Theme.Snappy }
                    }
                    Behavior on opacity {
                        MotionAnimation { spring: Theme.Snappy }
                    }
                }
            }
        }

        // Built only while expanded: a collapsed row reads no history.
        Loader {
            id: history
            width: parent.width
            active: root.isExpanded
            visible: active
            opacity: status === Loader.Ready ? 1 : 0
            Behavior on opacity {
                MotionAnimation { spring: Theme.Smooth }
            }

            sourceComponent: Column {
                width: history.width
                spacing: 3

                MiniGraph {
                    objectName: "deviceRowGraph"
                    width: parent.width
                    height: 36
                    samples: row.history
                    tint: Theme.temperatureColor(row.graphTintCelsius)
                    lineWidth: 1.5
                    showFill: true
                    thermal: true
                    label: row.graphLabel
                    unit: ""
                    mainWindowVisible: Face.shell.mainWindowVisible
                    Accessible.ignored: true
                }
                RowLayout {
                    width: parent.width
                    visible: row.hasExtremes
                    Text {
                        objectName: "deviceRowMin"
                        text: row.minText
                        font: Theme.fontCaption2
                        color: Theme.tertiary
                        fontSizeMode: Text.HorizontalFit
                        minimumPixelSize: DashboardFonts.minimumPixelSize(Theme.fontCaption2)
                        Layout.maximumWidth: implicitWidth
                        Layout.fillWidth: true
                        Accessible.ignored: true
                    }
                    Item { Layout.fillWidth: true }
                    Text {
                        objectName: "deviceRowMax"
                        text: row.maxText
                        font: Theme.fontCaption2
                        color: Theme.tertiary
                        fontSizeMode: Text.HorizontalFit
                        minimumPixelSize: DashboardFonts.minimumPixelSize(Theme.fontCaption2)
                        Layout.maximumWidth: implicitWidth
                        Layout.fillWidth: true
                        Accessible.ignored: true
                    }
                }
            }
        }
    }

    // Made on first use: most rows never show their menu.
    Loader {
        id: menuLoader
        active: false
        sourceComponent: Controls.Menu {
            Controls.MenuItem {
                text: row.pinMenuText
                onTriggered: row.togglePin()
            }
        }
    }
}
