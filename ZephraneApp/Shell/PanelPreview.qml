// The panel's content in an ordinary window, opened with --preview-panel.
// Without the floating panel's bridge the view opens the main window
// itself and asks to be dismissed: the preview closes.
import QtQuick

Window {
    id: window
    objectName: "panel-preview"
    title: "Panel Preview"
    width: panel.implicitWidth
    height: panel.implicitHeight
    visible: true

    Panel {
        id: panel
        anchors.fill: parent
        onDismissRequested: window.close()
    }
}
