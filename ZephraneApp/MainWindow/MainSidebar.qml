import QtQuick
import QtQuick.Layouts
import Zephrane.Design
import Zephrane.MainWindow

// The sidebar: a row per section, the selected one in the accent's tint,
// chosen by click or with the arrow keys; at its foot the one-line status
// of fan control.
Item {
    id: root

    required property MainViewPresenter main

    implicitWidth: 210
    implicitHeight: list.contentHeight + footer.implicitHeight

    Rectangle {
        anchors.fill: parent
        color: Theme.quaternaryFill
        opacity: 0.5
    }
    Rectangle {
        anchors.right: parent.right
        width: 1
        height: parent.height
        color: Theme.separatorStroke
    }

    ListView {
        id: list
        objectName: "sidebar"
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: footer.top
        anchors.margins: 10
        anchors.topMargin: 12
        spacing: 2
        interactive: false
        model: root.main.sections
        currentIndex: root.main.selectedSection
        activeFocusOnTab: true
        focus: true
        keyNavigationEnabled: false
        highlightFollowsCurrentItem: false

        Accessible.role: Accessible.List
        Accessible.name: MainWindowTexts.sidebar

        Keys.onUpPressed: root.main.selectAdjacentSection(-1)
        Keys.onDownPressed: root.main.selectAdjacentSection(1)

        delegate: Item {
            id: rowItem
            required property int index
            required property var modelData
            readonly property bool selected: index === root.main.selectedSection

            width: ListView.view.width
            height: 32

            Accessible.role: Accessible.ListItem
            Accessible.name: modelData.label
            Accessible.selectable: true
            Accessible.selected: selected
            Accessible.onPressAction: root.main.selectSection(index)

            Rectangle {
                anchors.fill: parent
                radius: 7
                color: Theme.accentColor
                opacity: rowItem.selected ? 0.22 : 0
            }
            HoverHighlight {
                anchors.fill: parent
                radius: 7
                hovering: hover.hovered && !rowItem.selected
            }
            FocusRing {
                radius: 7
                focused: list.activeFocus && rowItem.selected
            }
            Row {
                anchors.verticalCenter: parent.verticalCenter
                x: 10
                spacing: 8
                SymbolIcon {
                    anchors.verticalCenter: parent.verticalCenter
                    name: rowItem.modelData.symbol
                    color: Theme.accentColor
                    size: Theme.symbolSize(Theme.fontBody)
                    Accessible.ignored: true
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: rowItem.modelData.label
                    font: Theme.fontBody
                    color: Theme.primary
                    Accessible.ignored: true
                }
            }
            HoverHandler {
                id: hover
            }
            TapHandler {
                onTapped: {
                    list.forceActiveFocus(Qt.MouseFocusReason)
                    root.main.selectSection(rowItem.index)
                }
            }
        }
    }

    RowLayout {
        id: footer
        objectName: "statusFooter"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.leftMargin: 12
        anchors.rightMargin: 12
        anchors.bottomMargin: 8
        height: implicitHeight + 8
        spacing: 6

        Rectangle {
            Layout.alignment: Qt.AlignVCenter
            width: 7
            height: 7
            radius: 3.5
            color: root.main.fanControlActive ? Theme.statusGreen : Theme.statusOrange
            Accessible.ignored: true
        }
        Text {
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignVCenter
            text: root.main.footerText
            font: Theme.fontCallout
            color: Theme.secondary
            elide: Text.ElideRight
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
    }
}
