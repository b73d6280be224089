import QtQuick
import QtQuick.Layouts
import Zephrane.Design

GalleryScene {
    id: view
    property bool overheat: false

    BannerCard {
        width: 330
        tint: view.overheat ? Theme.temperatureColor(85) : Theme.warningColor
        RowLayout {
            spacing: 8
            SymbolIcon { name: view.overheat ? "flame.fill" : "exclamationmark.triangle.fill"; color: Theme.temperatureColor(85); size: 18 }
            Text {
                text: view.overheat ? "CPU Proximity is at 96 °C" : "Fan 2 is not spinning"
                font: Theme.fontSubheadlineSemibold
                color: Theme.primary
            }
        }
    }
}
