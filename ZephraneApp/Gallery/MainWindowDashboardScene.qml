import QtQuick
import Zephrane.Face
import Zephrane.MainWindow

// The dashboard at a given width, as tall as its cards, with the window's
// presenter behind it.
GalleryScene {
    id: scene
    property real dashboardWidth: 800

    MainViewPresenter {
        id: mainPresenter
        face: Face
        windowShown: true
    }
    DashboardView {
        id: dashboard
        width: scene.dashboardWidth
        height: dashboard.contentHeight
        main: mainPresenter
    }
}
