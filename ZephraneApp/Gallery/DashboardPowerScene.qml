import QtQuick
import Zephrane.Dashboard

// The dashboard's power card at a dashboard column's width.
GalleryScene {
    DashboardPowerCard {
        width: 420
    }
}
