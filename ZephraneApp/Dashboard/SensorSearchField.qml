import QtQuick
import QtQuick.Templates as T
import Zephrane.Dashboard
import Zephrane.Design

// The sensor list's search field: a glass capsule with a magnifying glass,
// its prompt while empty. Escape clears it.
T.TextField {
    id: field

    implicitWidth: 240
    implicitHeight: 28
    leftPadding: 28
    rightPadding: 10
    verticalAlignment: TextInput.AlignVCenter
    font: Theme.fontBody
    color: Theme.primary
    selectionColor: Theme.accentColor
    selectedTextColor: Theme.onAccent
    placeholderTextColor: Theme.secondary
    selectByMouse: true

    Accessible.role: Accessible.EditableText
    Accessible.name: placeholderText

    Keys.onEscapePressed: event => {
        if (field.text.length === 0) {
            event.accepted = false
            return
        }
        field.clear()
        field.textEdited()
    }

    background: Item {
        GlassSurface {
            anchors.fill: parent
            radius: height / 2
        }
        SymbolIcon {
            anchors.left: parent.left
            anchors.leftMargin: 9
            anchors.verticalCenter: parent.verticalCenter
            name: "magnifyingglass"
            color: Theme.secondary
            size: Theme.symbolSize(Theme.fontCallout)
        }
        Text {
            x: field.leftPadding
            width: parent.width - field.leftPadding - field.rightPadding
            anchors.verticalCenter: parent.verticalCenter
            visible: field.length === 0 && field.preeditText.length === 0
            text: field.placeholderText
            font: field.font
            color: field.placeholderTextColor
            elide: Text.ElideRight
            Accessible.ignored: true
        }
        FocusRing {
            radius: height / 2
            focused: field.activeFocus
        }
    }
}
