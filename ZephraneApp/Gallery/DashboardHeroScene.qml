import QtQuick
import Zephrane.Dashboard

// The dashboard's temperature hero card at a dashboard column's width.
GalleryScene {
    TemperatureHeroView {
        width: 420
    }
}
