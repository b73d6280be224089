import QtQuick
import QtQuick.Templates as T
import Zephrane.Design

// A menu picker: a button showing the chosen item that opens the list of
// items under it. The arrow keys choose the previous or next item without
// opening it, Space opens it; `activated` tells the index chosen.
T.ComboBox {
    id: control

    property string accessibleName

    implicitWidth: Math.max(170, implicitContentWidth + leftPadding + rightPadding)
    implicitContentWidthPolicy: T.ComboBox.WidestText
    implicitHeight: 24
    leftPadding: 10
    rightPadding: 26
    focusPolicy: Qt.StrongFocus
    hoverEnabled: true
    opacity: Rules.enabledOpacity(enabled)

    Accessible.name: accessibleName

    background: Rectangle {
        radius: 6
        color: Theme.pushButtonFill(false, Theme.dark)
        border.color: Theme.separatorStroke
        border.width: 0.5
        HoverHighlight {
            anchors.fill: parent
            radius: 6
            hovering: control.hovered
        }
        FocusRing {
            radius: 6
            focused: control.activeFocus
        }
    }
    contentItem: Text {
        text: control.displayText
        font: Theme.fontCallout
        color: Theme.primary
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
        Accessible.ignored: true
    }
    indicator: SymbolIcon {
        x: control.width - width - 8
        y: (control.height - height) / 2
        name: "chevron.right"
        rotation: 90
        color: Theme.secondary
        size: Theme.symbolSize(Theme.fontCallout)
    }
    delegate: T.ItemDelegate {
        id: item
        required property int index
        required property string modelData
        width: ListView.view ? ListView.view.width : implicitWidth
        implicitWidth: label.implicitWidth + 20
        implicitHeight: 24
        text: modelData
        highlighted: control.highlightedIndex === index
        Accessible.name: modelData
        contentItem: Text {
            id: label
            leftPadding: 10
            text: item.text
            font: Theme.fontCallout
            color: item.highlighted ? Theme.onAccent : Theme.primary
            verticalAlignment: Text.AlignVCenter
        }
        background: Rectangle {
            radius: 4
            color: item.highlighted ? Theme.accentColor : "transparent"
        }
    }
    popup: T.Popup {
        y: control.height + 2
        width: control.width
        implicitHeight: list.contentHeight + topPadding + bottomPadding
        padding: 4
        contentItem: ListView {
            id: list
            clip: true
            implicitHeight: contentHeight
            model: control.popup.visible ? control.delegateModel : null
            currentIndex: control.highlightedIndex
        }
        background: Rectangle {
            radius: 8
            color: Theme.windowBackground
            border.color: Theme.separatorStroke
            border.width: 0.5
        }
    }
}
