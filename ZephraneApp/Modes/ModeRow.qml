import QtQuick
import QtQuick.Controls as Controls
import QtQuick.Layouts
import QtQuick.Templates as T
import Zephrane.Design
import Zephrane.Modes

// One custom mode in the modes screen's list: its symbol, name, shown
// sensor with its reading and its speed on one button that engages the mode
// (or turns it off while active), then the edit and delete chips. The list
// decides everything; the row draws what it is given and reports taps.
// The context menu (right click, the Menu key or Shift+F10 on the row)
// offers Edit…, Duplicate and Delete….
Item {
    id: root

    // The mode's texts, as the screen's rows model names them.
    required property string name
    required property string symbolName
    required property string speedSummary
    required property string sensorLabel
    required property string temperatureText
    required property bool temperatureHot
    required property real temperatureCelsius
    required property string accessibleDescription
    required property string editLabel
    required property string deleteLabel
    required property bool isActive
    property bool canEngage: true
    // Why the row cannot be engaged; empty for no help tag.
    property string inertReason

    signal engage()
    signal edit()
    signal duplicate()
    signal remove()

    // The keyboard is on the row's button or one of its chips.
    readonly property bool focusInside: main.activeFocus || editChip.activeFocus || deleteChip.activeFocus

    implicitWidth: content.implicitWidth + 12
    implicitHeight: content.implicitHeight + 16

    function openMenu() {
        menu.popup(main, main.width / 2, main.height / 2)
    }

    GlassCardSurface {
        anchors.fill: parent
        radius: 7
        opacity: root.isActive ? 1 : 0
        visible: opacity > 0
        Behavior on opacity {
            MotionAnimation { spring: Theme.Snappy }
        }
    }
    HoverHighlight {
        anchors.fill: parent
        radius: 7
        style: Rules.Lighten
        hovering: hover.hovered
    }
    // The row highlights under the pointer and offers its menu whether or
    // not it can be engaged; a disabled button would see neither.
    HoverHandler {
        id: hover
    }
    TapHandler {
        acceptedButtons: Qt.RightButton
        onTapped: root.openMenu()
    }

    RowLayout {
        id: content
        anchors.fill: parent
        anchors.leftMargin: 6
        anchors.rightMargin: 6
        anchors.topMargin: 8
        anchors.bottomMargin: 8
        spacing: 16

        T.AbstractButton {
            id: main
            objectName: "modeRowButton"
            Layout.fillWidth: true
            implicitWidth: label.implicitWidth
            implicitHeight: label.implicitHeight
            enabled: root.canEngage
            opacity: Rules.enabledOpacity(root.canEngage)
            focusPolicy: Qt.TabFocus
            hoverEnabled: true

            // A toggle to assistive technologies, on while the mode is
            // active. A click would flip `checked` by itself; whether the
            // mode is active decides it, so the binding is put back.
            checkable: true
            checked: root.isActive

            Accessible.role: Accessible.Button
            Accessible.name: root.name
            Accessible.description: root.accessibleDescription
            Accessible.onPressAction: main.clicked()
            Accessible.onToggleAction: main.clicked()

            onClicked: {
                checked = Qt.binding(() => root.isActive)
                root.engage()
            }
            Keys.onReturnPressed: main.clicked()
            Keys.onEnterPressed: main.clicked()
            Keys.onPressed: event => {
                if (event.key === Qt.Key_Menu || (event.key === Qt.Key_F10 && (event.modifiers & Qt.ShiftModifier))) {
                    root.openMenu()
                    event.accepted = true
                }
            }

            background: FocusRing {
                anchors.margins: -4
                radius: 7
                focused: main.activeFocus
            }
            contentItem: RowLayout {
                id: label
                spacing: 10

                SensorChip {
                    symbol: root.symbolName
                    tint: Theme.secondary
                    isActive: root.isActive
                }
                ColumnLayout {
                    Layout.fillWidth: true
                    spacing: 2

                    Text {
                        Layout.fillWidth: true
                        text: root.name
                        font: Theme.fontBody
                        color: Theme.primary
                        elide: Text.ElideRight
                        maximumLineCount: 1
                        Accessible.ignored: true
                    }
                    RowLayout {
                        Layout.fillWidth: true
                        spacing: 4

                        Text {
                            Layout.preferredWidth: implicitWidth
                            Layout.minimumWidth: 0
                            text: root.sensorLabel
                            font: Theme.fontCaption2
                            color: Theme.secondary
                            elide: Text.ElideRight
                            maximumLineCount: 1
                            Accessible.ignored: true
                        }
                        Text {
                            objectName: "modeRowTemperature"
                            Layout.fillWidth: true
                            text: root.temperatureText
                            font: Theme.fontCaption2
                            color: root.temperatureHot ? Theme.adaptiveTemperatureColor(root.temperatureCelsius, Theme.dark)
                                                       : Theme.primary
                            maximumLineCount: 1
                            Accessible.ignored: true
                        }
                    }
                }
                Item {
                    Layout.minimumWidth: 12
                    Layout.preferredWidth: 12
                }
                Text {
                    objectName: "modeRowSpeed"
                    text: root.speedSummary
                    font: Theme.fontBodyDigits
                    color: Theme.primary
                    maximumLineCount: 1
                    Accessible.ignored: true
                }
            }

            Controls.ToolTip.text: root.inertReason
            Controls.ToolTip.delay: 800
            Controls.ToolTip.visible: hover.hovered && Rules.hasText(root.inertReason)
        }

        Row {
            spacing: 8

            IconChipButton {
                id: editChip
                objectName: "modeEditChip"
                systemImage: "pencil"
                style: IconChipButton.Chip
                help: root.editLabel
                accessibilityLabel: root.editLabel
                onClicked: {
                    ModeRowLog.editTapped()
                    root.edit()
                }
            }
            IconChipButton {
                id: deleteChip
                objectName: "modeDeleteChip"
                systemImage: "trash"
                style: IconChipButton.Chip
                help: root.deleteLabel
                accessibilityLabel: root.deleteLabel
                onClicked: {
                    ModeRowLog.deleteTapped()
                    root.remove()
                }
            }
        }
    }

    Controls.Menu {
        id: menu
        objectName: "modeRowMenu"
        palette.window: Theme.windowBackground
        palette.windowText: Theme.primary
        palette.dark: Theme.separatorStroke
        palette.midlight: Theme.quaternaryFill
        palette.light: Theme.quaternaryFill

        Controls.MenuItem {
            text: qsTr("Edit\u2026")
            onTriggered: root.edit()
        }
        Controls.MenuItem {
            text: qsTr("Duplicate")
            onTriggered: root.duplicate()
        }
        Controls.MenuItem {
            text: qsTr("Delete\u2026")
            onTriggered: root.remove()
        }
    }
}
