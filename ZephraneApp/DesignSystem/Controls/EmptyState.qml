import QtQuick
import Zephrane.Design

// The placeholder of a pane, card or list with nothing to show: a symbol,
// a title, an optional explanation and optional actions. `Full` fills a
// pane; `Compact` is the small centred block for cards and short lists.
// Either way the symbol and texts are read as one element.
Item {
    id: root

    enum Form { Full, Compact }

    property int form: EmptyState.Compact
    property string title
    property string systemImage
    property string description
    default property alias actions: actionHolder.data

    readonly property bool full: form === EmptyState.Full

    implicitWidth: Math.max(message.implicitWidth, actionHolder.childrenRect.width)
    implicitHeight: message.implicitHeight + 8 + actionHolder.childrenRect.height

    Column {
        id: block
        anchors.centerIn: parent
        spacing: 0

        Column {
            id: message
            anchors.horizontalCenter: parent.horizontalCenter
            spacing: 0
            Accessible.role: Accessible.StaticText
            Accessible.name: Rules.emptyStateLabel(root.title, root.description)

            SymbolIcon {
                anchors.horizontalCenter: parent.horizontalCenter
                name: root.systemImage
                color: Theme.secondary
                size: Theme.emptyStateSymbolSize(root.full)
            }
            Item { width: 1; height: 8 }
            Text {
                anchors.horizontalCenter: parent.horizontalCenter
                text: root.title
                font: Theme.emptyStateTitleFont(root.full)
                color: Theme.primary
                Accessible.ignored: true
            }
            Item {
                width: 1
                height: 4
                visible: Rules.hasText(root.description)
            }
            Text {
                anchors.horizontalCenter: parent.horizontalCenter
                width: Math.min(implicitWidth, root.width)
                visible: Rules.hasText(root.description)
                text: root.description
                font: Theme.fontCallout
                color: Theme.secondary
                wrapMode: Text.WordWrap
                horizontalAlignment: Text.AlignHCenter
                Accessible.ignored: true
            }
        }
        Item { width: 1; height: 8 }
        Item {
            id: actionHolder
            anchors.horizontalCenter: parent.horizontalCenter
            width: childrenRect.width
            height: childrenRect.height
        }
    }
}
