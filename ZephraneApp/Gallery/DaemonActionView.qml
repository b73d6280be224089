import QtQuick
import Zephrane.Design
import Zephrane.Face

GalleryScene {
    id: view
    property bool prominent: false

    HelperStateActionView {
        width: 300
        daemon: Face.daemon
        prominent: view.prominent
        showsConnectingCaption: true
    }
}
