import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Zephrane.Design
import Zephrane.Settings

// "Restore all settings?": the restore's confirmation over the form,
// centred on it.
// "Restore Defaults" runs the restore; "Cancel", Escape or a click outside
// changes nothing. Cancel has the keyboard when it opens.
T.Popup {
    id: dialog

    property SettingsForm form

    x: parent ? (parent.width - width) / 2 : 0
    y: parent ? (parent.height - height) / 3 : 0
    width: 360
    implicitHeight: contentHeight + topPadding + bottomPadding
    padding: 20
    modal: true
    focus: true
    closePolicy: T.Popup.CloseOnEscape | T.Popup.CloseOnPressOutside
    visible: form !== null && form.confirmingRestore
    onClosed: if (form) form.cancelRestoreDefaults()
    onOpened: cancel.forceActiveFocus()

    T.Overlay.modal: Rectangle {
        color: Theme.dark ? "#80000000" : "#40000000"
    }
    background: Rectangle {
        radius: 12
        color: Theme.windowBackground
        border.color: Theme.separatorStroke
        border.width: 0.5
    }
    contentItem: ColumnLayout {
        spacing: 12
        Accessible.role: Accessible.Dialog
        Accessible.name: title.text

        Text {
            id: title
            Layout.fillWidth: true
            text: "Restore all settings?"
            font: Theme.fontHeadline
            color: Theme.primary
            wrapMode: Text.Wrap
        }
        Text {
            Layout.fillWidth: true
            text: "Preferences, alerts, speed limits, appearance, and menu bar settings will return to their "
                  + "defaults. Your custom modes stay as they are."
            font: Theme.fontCallout
            color: Theme.secondary
            wrapMode: Text.Wrap
        }
        RowLayout {
            Layout.fillWidth: true
            Layout.topMargin: 4
            spacing: 8
            Item { Layout.fillWidth: true }
            FormButton {
                id: cancel
                objectName: "cancelRestoreButton"
                text: "Cancel"
                onClicked: dialog.form.cancelRestoreDefaults()
            }
            FormButton {
                objectName: "confirmRestoreButton"
                text: "Restore Defaults"
                textColor: dialog.form ? dialog.form.destructiveColor : Theme.primary
                onClicked: dialog.form.confirmRestoreDefaults()
            }
        }
    }
}
