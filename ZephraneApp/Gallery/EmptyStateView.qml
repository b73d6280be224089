import QtQuick
import Zephrane.Design

GalleryScene {
    id: view
    property bool fullForm: false

    EmptyState {
        width: 300
        form: view.fullForm ? EmptyState.Full : EmptyState.Compact
        title: view.fullForm ? "No fans detected" : "No heat sources"
        systemImage: view.fullForm ? "fan.slash" : "cpu"
        description: view.fullForm ? "This Mac reports no controllable fans." : "Nothing is working hard right now."
    }
}
