import QtQuick
import Zephrane.Design
import Zephrane.Face

// One fan: its speed beside a spinning fan and a track filled to its share
// of the range, with a marker where it is heading. Reads the fan `fanId`
// from Face.drive.fans.
Item {
    id: root

    enum Style { Regular, Mini }

    required property int fanId
    // Every fan id the caller shows, ascending: names the fan.
    property var sortedIDs: []
    property int style: FanFlowMeter.Regular

    implicitWidth: 160
    implicitHeight: root.style === FanFlowMeter.Mini ? 40 : 120

    Text {
        text: "Fan " + root.fanId
        color: Theme.secondary
    }
}
