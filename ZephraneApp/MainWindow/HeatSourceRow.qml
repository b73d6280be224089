import QtQuick
import QtQuick.Controls as Controls
import QtQuick.Layouts
import QtQuick.Templates as T
import Zephrane.Design
import Zephrane.MainWindow

// One application of the heat sources: its chip, its name and share, a bar
// of the share, and while the pointer is over it a button that asks the
// application to quit (only for one the user may quit). A right click
// offers the same in a menu. Read as one element: the name and the share.
Item {
    id: row

    required property int index
    required property string name
    required property string percentText
    required property real fraction
    required property string accessibleLabel
    required property string quitLabel
    required property bool canQuit
    required property HeatSourcesPresenter presenter

    implicitHeight: content.implicitHeight + 16

    Accessible.role: Accessible.ListItem
    Accessible.name: accessibleLabel

    HoverHandler {
        id: hover
        onHoveredChanged: if (hovered) row.presenter.inspect(row.index)
    }
    TapHandler {
        acceptedButtons: Qt.RightButton
        onTapped: row.presenter.requestMenu(row.index)
    }
    Connections {
        target: row.presenter
        function onMenuReady(at) {
            if (at === row.index)
                menu.popup()
        }
    }
    Controls.Menu {
        id: menu
        Controls.MenuItem {
            text: row.quitLabel
            onTriggered: row.presenter.quit(row.index)
        }
    }

    HoverHighlight {
        anchors.fill: parent
        radius: 7
        style: Rules.Lighten
        hovering: hover.hovered
    }

    RowLayout {
        id: content
        x: 6
        y: 8
        width: parent.width - 12
        spacing: 10

        SensorChip {
            Layout.alignment: Qt.AlignVCenter
            symbol: "cpu"
            tint: Theme.secondary
            isActive: false
        }
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 4

            RowLayout {
                Layout.fillWidth: true
                spacing: 6

                Text {
                    Layout.fillWidth: true
                    Layout.rightMargin: 2
                    text: row.name
                    font: Theme.fontBody
                    color: Theme.primary
                    elide: Text.ElideRight
                    maximumLineCount: 1
                    Accessible.ignored: true
                }
                Text {
                    text: row.percentText
                    font: Theme.fontBodyDigits
                    color: Theme.primary
                    Accessible.ignored: true
                }
                Item {
                    implicitWidth: 60
                    implicitHeight: 26

                    T.AbstractButton {
                        id: quit
                        objectName: "quitButton"
                        anchors.right: parent.right
                        anchors.verticalCenter: parent.verticalCenter
                        visible: hover.hovered && row.canQuit
                        implicitWidth: label.implicitWidth + 16
                        implicitHeight: 26
                        focusPolicy: Qt.TabFocus
                        hoverEnabled: true
                        scale: Rules.pressScale(down)
                        text: MainWindowTexts.quit

                        Accessible.role: Accessible.Button
                        Accessible.name: row.quitLabel
                        Accessible.ignored: !visible
                        Accessible.onPressAction: quit.clicked()
                        Keys.onReturnPressed: quit.clicked()
                        Keys.onEnterPressed: quit.clicked()
                        onClicked: row.presenter.quit(row.index)

                        background: Item {
                            HoverHighlight {
                                anchors.fill: parent
                                radius: 7
                                style: Rules.Lighten
                                hovering: quit.hovered
                            }
                            FocusRing {
                                radius: 7
                                focused: quit.activeFocus
                            }
                        }
                        contentItem: Text {
                            id: label
                            text: quit.text
                            font: Theme.fontCallout
                            color: Theme.secondary
                            horizontalAlignment: Text.AlignHCenter
                            verticalAlignment: Text.AlignVCenter
                            Accessible.ignored: true
                        }
                    }
                }
            }
            LinearTrack {
                Layout.fillWidth: true
                barHeight: 3
                fraction: row.fraction
            }
        }
    }
}
