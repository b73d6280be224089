// The panel's content in an ordinary window, opened with --preview-panel.
import QtQuick

Window {
    objectName: "panel-preview"
    title: "Panel Preview"
    width: loader.implicitWidth
    height: loader.implicitHeight
    visible: true
    Loader { id: loader; anchors.fill: parent; source: "Panel.qml" }
}
