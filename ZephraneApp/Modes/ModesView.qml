import QtQuick
import QtQuick.Controls as Controls
import QtQuick.Layouts
import QtQuick.Templates as T
import Zephrane.Design
import Zephrane.Face
import Zephrane.Modes

// The modes section of the main window: the user's custom modes, each a row
// that engages it, with the count over them; on a Mac without fans a notice
// that none can be engaged; with no modes yet, the templates to start from.
// "New Custom Mode…" (the toolbar, the empty state, or the app's Ctrl+N
// menu command through its request) opens the editor sheet; a row's delete
// asks first. The screen's presenter decides all of it.
Item {
    id: root

    implicitWidth: 760
    implicitHeight: 560

    readonly property ModesScreen screen: presenter
    // The editor sheet's content while it is open.
    readonly property Item editorContent: sheets.count > 0 ? sheets.itemAt(0) : null

    // In view: shown in a window that is on screen.
    ModesScreen {
        id: presenter
        shown: root.visible && root.inWindow && root.Window.window.visible
    }

    // A push button with a leading symbol, as the toolbar shows its items.
    component ToolbarButton: T.AbstractButton {
        id: toolbarButton

        property string systemImage
        property string help

        implicitWidth: toolbarRow.implicitWidth + 20
        implicitHeight: 28
        focusPolicy: Qt.TabFocus
        hoverEnabled: true
        scale: Rules.pressScale(down)
        Behavior on scale {
            MotionAnimation {}
        }

        Accessible.role: Accessible.Button
        Accessible.name: text
        Accessible.onPressAction: toolbarButton.clicked()
        Keys.onReturnPressed: toolbarButton.clicked()
        Keys.onEnterPressed: toolbarButton.clicked()

        Controls.ToolTip.text: help
        Controls.ToolTip.delay: 800
        Controls.ToolTip.visible: hovered && Rules.hasText(help)

        background: Rectangle {
            radius: 6
            color: Theme.pushButtonFill(false, Theme.dark)
            border.color: Theme.separatorStroke
            border.width: 0.5
            HoverHighlight {
                anchors.fill: parent
                radius: 6
                hovering: toolbarButton.hovered
            }
            FocusRing {
                radius: 6
                focused: toolbarButton.activeFocus
            }
        }
        contentItem: Item {
            Row {
                id: toolbarRow
                anchors.centerIn: parent
                spacing: 6
                SymbolIcon {
                    anchors.verticalCenter: parent.verticalCenter
                    name: toolbarButton.systemImage
                    color: Theme.primary
                    size: Theme.symbolSize(Theme.fontCallout)
                    Accessible.ignored: true
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: toolbarButton.text
                    font: Theme.fontCallout
                    color: Theme.primary
                    Accessible.ignored: true
                }
            }
        }
    }

    // A template of the empty state: a tap adds a copy of it.
    component TemplateTile: T.AbstractButton {
        id: tile

        required property int index
        required property string name
        required property string symbolName
        required property string speedSummary
        required property string accessibleLabel
        required property string accessibleHint

        objectName: "template:" + name
        width: 88
        implicitHeight: implicitContentHeight + topPadding + bottomPadding
        padding: 10
        focusPolicy: Qt.TabFocus
        hoverEnabled: true
        scale: Rules.pressScale(down)
        Behavior on scale {
            MotionAnimation {}
        }

        Accessible.role: Accessible.Button
        Accessible.name: accessibleLabel
        Accessible.description: accessibleHint
        Accessible.onPressAction: tile.clicked()
        Keys.onReturnPressed: tile.clicked()
        Keys.onEnterPressed: tile.clicked()

        onClicked: presenter.addFromTemplate(index)

        background: Rectangle {
            radius: 7
            color: Theme.quaternaryFill
            HoverHighlight {
                anchors.fill: parent
                radius: 7
                hovering: tile.hovered
            }
            FocusRing {
                radius: 7
                focused: tile.activeFocus
            }
        }
        contentItem: Column {
            spacing: 6

            SensorChip {
                anchors.horizontalCenter: parent.horizontalCenter
                symbol: tile.symbolName
                tint: Theme.secondary
                isActive: false
            }
            Text {
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                text: tile.name
                font: Theme.fontCallout
                color: Theme.primary
                elide: Text.ElideRight
                maximumLineCount: 1
                Accessible.ignored: true
            }
            Text {
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                text: tile.speedSummary
                font: Theme.fontCaption2
                color: Theme.secondary
                maximumLineCount: 1
                fontSizeMode: Text.HorizontalFit
                minimumPixelSize: Theme.fontCaption2.pixelSize * 0.85
                elide: Text.ElideRight
                Accessible.ignored: true
            }
        }
    }

    // The toolbar: the screen's title and its one action.
    Item {
        id: toolbar
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        height: 52

        Text {
            anchors.left: parent.left
            anchors.leftMargin: 24
            anchors.verticalCenter: parent.verticalCenter
            text: qsTr("Modes")
            font: Theme.fontTitle2Semibold
            color: Theme.primary
            Accessible.role: Accessible.Heading
            Accessible.name: text
        }
        ToolbarButton {
            id: newModeButton
            objectName: "toolbarNewMode"
            anchors.right: parent.right
            anchors.rightMargin: 24
            anchors.verticalCenter: parent.verticalCenter
            text: qsTr("New Custom Mode\u2026")
            help: qsTr("New Custom Mode\u2026")
            systemImage: "plus"
            onClicked: presenter.newMode()
        }
    }

    Flickable {
        id: page
        anchors.top: toolbar.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        clip: true
        contentWidth: width
        contentHeight: plate.height + 48
        boundsBehavior: Flickable.StopAtBounds
        Controls.ScrollBar.vertical: Controls.ScrollBar {}

        // Brings an item that took the keyboard focus into view.
        function reveal(item) {
            const box = item.mapToItem(page.contentItem, 0, 0, item.width, item.height)
            if (box.y < contentY)
                contentY = Math.max(0, box.y - 24)
            else if (box.y + box.height > contentY + height)
                contentY = Math.min(contentHeight - height, box.y + box.height - height + 24)
        }

        GlassPlate {
            id: plate
            x: (page.width - width) / 2
            y: 24
            width: Math.min(720, page.width - 48)
            height: column.implicitHeight + 56
            radius: 20
            elevation: Theme.Medium

            ColumnLayout {
                id: column
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: parent.top
                anchors.margins: 28
                spacing: 16

                Text {
                    objectName: "modeCount"
                    visible: presenter.hasModes
                    text: presenter.countText
                    font: Theme.fontCallout
                    color: Theme.secondary
                }
                Text {
                    objectName: "noFansNotice"
                    Layout.fillWidth: true
                    visible: !presenter.canEngage
                    text: presenter.modeDisabledReason
                    font: Theme.fontBody
                    color: Theme.secondary
                    wrapMode: Text.WordWrap
                }
                Column {
                    id: rows
                    objectName: "modeRows"
                    Layout.fillWidth: true
                    visible: presenter.hasModes
                    spacing: 0

                    add: Transition {
                        NumberAnimation {
                            property: "opacity"
                            from: 0
                            to: 1
                            duration: Theme.motionDuration(Theme.Smooth, Theme.reduceMotion)
                            easing: Theme.motionEasing(Theme.Smooth, Theme.reduceMotion)
                        }
                    }
                    // Under Reduce Motion rows fade in place of moving.
                    move: Transition {
                        enabled: !Theme.reduceMotion
                        NumberAnimation {
                            property: "y"
                            duration: Theme.motionDuration(Theme.Smooth, Theme.reduceMotion)
                            easing: Theme.motionEasing(Theme.Smooth, Theme.reduceMotion)
                        }
                    }

                    Repeater {
                        model: presenter.rows
                        delegate: ModeRow {
                            required property string modeId

                            objectName: "modeRow:" + name
                            width: rows.width
                            canEngage: presenter.canEngage
                            inertReason: presenter.modeDisabledReason
                            onEngage: presenter.engageOrDisengageMode(modeId, isActive)
                            onEdit: presenter.editMode(modeId)
                            onDuplicate: presenter.duplicateMode(modeId)
                            onRemove: presenter.askToDelete(modeId)
                            onFocusInsideChanged: {
                                if (focusInside)
                                    page.reveal(this)
                            }
                        }
                    }
                }
                // Made only while there is no mode, so that screen readers
                // never meet it hidden.
                Loader {
                    id: emptyState
                    Layout.fillWidth: true
                    Layout.topMargin: 20
                    Layout.bottomMargin: 20
                    active: !presenter.hasModes
                    visible: active
                    sourceComponent: EmptyState {
                        objectName: "modesEmptyState"
                        form: EmptyState.Full
                        title: qsTr("No Custom Modes")
                        systemImage: "square.grid.2x2"
                        description: qsTr("A custom mode is one tap for a fan speed you pick. Start from a template, or build your own.")

                        Column {
                            spacing: 14

                            Row {
                                anchors.horizontalCenter: parent.horizontalCenter
                                spacing: 10
                                Repeater {
                                    model: presenter.templates
                                    delegate: TemplateTile {}
                                }
                            }
                            PushButton {
                                objectName: "emptyNewMode"
                                anchors.horizontalCenter: parent.horizontalCenter
                                text: qsTr("New Custom Mode\u2026")
                                onClicked: presenter.newMode()
                            }
                        }
                    }
                }
            }
        }
    }

    // The editor sheet, made afresh for each target it is opened for. A
    // dialog, so that screen readers hear its title.
    Controls.Dialog {
        id: editorSheet
        objectName: "modeEditorSheet"
        anchors.centerIn: Controls.Overlay.overlay
        modal: true
        focus: true
        padding: 0
        title: presenter.editor.title
        header: null
        footer: null
        closePolicy: Controls.Popup.CloseOnEscape
        background: Rectangle {
            radius: 10
            color: Theme.windowBackground
            border.color: Theme.separatorStroke
            border.width: 0.5
        }

        contentItem: Item {
            implicitWidth: 380
            implicitHeight: sheets.count > 0 ? sheets.itemAt(0).implicitHeight : 0

            Repeater {
                id: sheets
                model: presenter.editorOpen ? [presenter.editorTargetIdentity] : []
                delegate: ModeEditorSheet {
                    anchors.fill: parent
                    editor: presenter.editor
                    onSaveRequested: presenter.saveEditedMode()
                    onCancelRequested: editorSheet.close()
                }
            }
        }

        onOpened: {
            if (sheets.count > 0)
                sheets.itemAt(0).takeFocus()
        }
        onClosed: presenter.closeEditor()
    }

    Controls.Dialog {
        id: deleteConfirmation
        objectName: "deleteConfirmation"
        anchors.centerIn: Controls.Overlay.overlay
        width: 320
        modal: true
        closePolicy: Controls.Popup.CloseOnEscape
        title: qsTr("Delete this mode?")
        padding: 20
        topPadding: 8

        background: Rectangle {
            radius: 10
            color: Theme.windowBackground
            border.color: Theme.separatorStroke
            border.width: 0.5
        }
        header: Text {
            topPadding: 20
            leftPadding: 20
            rightPadding: 20
            text: deleteConfirmation.title
            font: Theme.fontHeadline
            color: Theme.primary
            wrapMode: Text.WordWrap
            Accessible.ignored: true
        }
        contentItem: Text {
            objectName: "deleteMessage"
            text: presenter.deleteMessage
            font: Theme.fontCallout
            color: Theme.secondary
            wrapMode: Text.WordWrap
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
        footer: Item {
            implicitHeight: buttons.implicitHeight + 20
            Row {
                id: buttons
                anchors.right: parent.right
                anchors.rightMargin: 20
                anchors.top: parent.top
                spacing: 12
                PushButton {
                    id: deleteButton
                    objectName: "confirmDelete"
                    text: qsTr("Delete")
                    onClicked: presenter.confirmDelete()
                }
                PushButton {
                    objectName: "cancelDelete"
                    text: qsTr("Cancel")
                    onClicked: presenter.cancelDelete()
                }
            }
        }

        onOpened: deleteButton.forceActiveFocus()
        onClosed: presenter.cancelDelete()
    }

    // The sheet and the confirmation follow the presenter, which a row, a
    // button or a request on the engine may change at any time.
    readonly property bool inWindow: Window.window !== null
    // A popup learns of the window after the view does.
    onInWindowChanged: Qt.callLater(syncPopups)

    function syncPopups() {
        if (!inWindow)
            return
        if (presenter.editorOpen && !editorSheet.visible)
            editorSheet.open()
        else if (!presenter.editorOpen && editorSheet.visible)
            editorSheet.close()
        if (presenter.confirmingDelete && !deleteConfirmation.visible)
            deleteConfirmation.open()
        else if (!presenter.confirmingDelete && deleteConfirmation.visible)
            deleteConfirmation.close()
    }

    Connections {
        target: presenter
        function onEditorTargetChanged() { root.syncPopups() }
        function onPendingDeleteChanged() { root.syncPopups() }
    }
    Component.onCompleted: syncPopups()
}
