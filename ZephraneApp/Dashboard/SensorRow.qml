import QtQuick
import QtQuick.Controls as Controls
import QtQuick.Layouts
import Zephrane.Dashboard
import Zephrane.Design

// One discovered sensor in the grouped sensor list, a row of SensorsView's
// group model: its symbol, name, value and pin button, read as one element.
// Its pin button, its context menu and the menu key (while it has the
// keyboard's focus) ask to pin or unpin it (`pinToggled`).
FocusScope {
    id: root

    required property string key
    required property string name
    required property string symbol
    required property string valueText
    required property bool valueIsHot
    required property real valueCelsius
    required property string pinSymbol
    required property string pinLabel
    required property string pinMenuText
    required property string spokenText

    signal pinToggled()

    implicitWidth: 320
    implicitHeight: line.implicitHeight + 16

    // A row the list keeps for reuse, or one of a list not shown, is not read.
    Accessible.ignored: !root.visible
    Accessible.role: Accessible.ListItem
    Accessible.name: root.spokenText
    Accessible.focusable: true

    function openMenu(x, y) {
        menuLoader.active = true
        menuLoader.item.popup(root, x, y)
        menuLoader.item.currentIndex = 0
    }

    Keys.onPressed: event => {
        if (event.key === Qt.Key_Menu || (event.key === Qt.Key_F10 && event.modifiers & Qt.ShiftModifier)) {
            root.openMenu(line.x, line.y + line.height / 2)
            event.accepted = true
        }
    }

    HoverHandler { id: hover }
    // The whole row answers the context menu, gaps included.
    TapHandler {
        acceptedButtons: Qt.RightButton
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

    RowLayout {
        id: line
        x: 6
        y: 8
        width: root.width - 12
        spacing: 8

        SensorChip {
            symbol: root.symbol
            tint: Theme.sensorTint(root.key, Theme.dark)
        }
        Text {
            Layout.fillWidth: true
            text: root.name
            font: Theme.fontBody
            color: Theme.primary
            elide: Text.ElideMiddle
            maximumLineCount: 1
            Accessible.ignored: true
        }
        Text {
            objectName: "sensorRowValue"
            Layout.leftMargin: 4
            text: root.valueText
            font: Theme.fontBodyDigits
            color: root.valueIsHot ? Theme.adaptiveTemperatureColor(root.valueCelsius, Theme.dark) : Theme.primary
            Accessible.ignored: true
        }
        IconChipButton {
            objectName: "sensorRowPin"
            Layout.preferredWidth: 26
            Layout.preferredHeight: 26
            systemImage: root.pinSymbol
            style: IconChipButton.Bare
            hoverReveal: true
            help: root.pinLabel
            accessibilityLabel: root.pinLabel
            Accessible.ignored: !root.visible
            // The row is the keyboard's stop; the menu key pins.
            focusPolicy: Qt.NoFocus
            onClicked: root.pinToggled()
        }
        Item {
            Layout.preferredWidth: 26
            Layout.preferredHeight: 26
        }
    }

    // Made on first use: most rows never show their menu.
    Loader {
        id: menuLoader
        active: false
        sourceComponent: Controls.Menu {
            Controls.MenuItem {
                text: root.pinMenuText
                onTriggered: root.pinToggled()
            }
        }
    }
}
