import QtQuick
import Zephrane.Design
import Zephrane.Face

// The dashboard's power card.
Item {
    id: root

    // True to fill the height of its row.
    property bool stretchesVertically: false

    implicitWidth: 320
    implicitHeight: 200

    Text {
        text: "Power"
        color: Theme.secondary
    }
}
