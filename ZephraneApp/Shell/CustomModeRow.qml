// One custom mode in the panel: a toggle that engages it (or, when it is
// the active one, hands the fans back to the system), the pencil that opens
// it in the Modes screen, and a menu (right click, the Menu key or
// Shift+F10) to edit, duplicate or delete it. Without fans the toggle is
// dimmed and does nothing; the pencil and the menu still work.
import QtQuick
import QtQuick.Controls as Controls
import QtQuick.Layouts
import QtQuick.Templates as T
import Zephrane.Design
import Zephrane.Shell

Item {
    id: row
    objectName: "modeRow"

    required property CustomModeRowModel rows
    required property var labels
    required property int index
    required property string name
    required property string valueText
    required property string hint
    required property bool active
    required property bool inert
    required property string editLabel
    readonly property alias menu: menu

    implicitHeight: line.implicitHeight + 16

    function openMenu() {
        menu.popup(select, 0, select.height)
    }

    // The row's surface: the active mode on glass, the others on a quiet fill.
    GlassCardSurface {
        anchors.fill: parent
        radius: 7
        visible: row.active
    }
    Rectangle {
        anchors.fill: parent
        radius: 7
        color: Theme.quaternaryFill
        visible: !row.active
    }
    HoverHighlight {
        anchors.fill: parent
        radius: 7
        hovering: hover.hovered
    }
    HoverHandler {
        id: hover
    }
    TapHandler {
        acceptedButtons: Qt.RightButton
        onTapped: row.openMenu()
    }

    RowLayout {
        id: line
        anchors.fill: parent
        anchors.leftMargin: 6
        anchors.rightMargin: 6
        spacing: 2

        T.AbstractButton {
            id: select
            objectName: "modeSelect"
            enabled: !row.inert
            opacity: Rules.enabledOpacity(enabled)
            focusPolicy: Qt.TabFocus
            hoverEnabled: true
            implicitHeight: label.implicitHeight
            Layout.fillWidth: true
            Layout.fillHeight: true

            Accessible.role: Accessible.Button
            Accessible.name: row.name
            Accessible.description: row.hint
            Accessible.checkable: true
            Accessible.checked: row.active
            Accessible.onPressAction: select.clicked()
            Accessible.onToggleAction: select.clicked()
            Keys.onReturnPressed: select.clicked()
            Keys.onEnterPressed: select.clicked()
            Keys.onMenuPressed: row.openMenu()
            Keys.onPressed: event => {
                if (event.key === Qt.Key_F10 && (event.modifiers & Qt.ShiftModifier)) {
                    row.openMenu()
                    event.accepted = true
                }
            }
            onClicked: row.rows.activate(row.index)

            background: FocusRing {
                radius: 7
                focused: select.activeFocus
            }
            contentItem: RowLayout {
                id: label
                spacing: 8
                Text {
                    text: row.name
                    font: Theme.fontBody
                    color: Theme.primary
                    elide: Text.ElideRight
                    maximumLineCount: 1
                    Layout.fillWidth: true
                    Layout.minimumWidth: 8
                    Accessible.ignored: true
                }
                Text {
                    text: row.valueText
                    font: Theme.fontBodyDigits
                    color: Theme.primary
                    maximumLineCount: 1
                    Accessible.ignored: true
                }
            }
        }

        IconChipButton {
            objectName: "modeEdit"
            systemImage: "pencil"
            style: IconChipButton.Bare
            hoverReveal: true
            help: row.editLabel
            accessibilityLabel: row.editLabel
            onClicked: row.rows.edit(row.index)
        }
    }

    Controls.Menu {
        id: menu
        objectName: "modeMenu"
        Controls.MenuItem {
            text: row.labels.editMode
            onTriggered: row.rows.edit(row.index)
        }
        Controls.MenuItem {
            text: row.labels.duplicateMode
            onTriggered: row.rows.duplicate(row.index)
        }
        Controls.MenuItem {
            text: row.labels.deleteMode
            onTriggered: row.rows.requestDelete(row.index)
        }
    }
}
