import QtQuick
import Zephrane.Dashboard

// Both fans' gauges as the dashboard's Fans card shows them, and as the
// panel shows them beneath.
GalleryScene {
    Column {
        spacing: 28

        Row {
            spacing: 40
            FanFlowMeter {
                objectName: "leftGauge"
                fanId: 0
                sortedIDs: [0, 1]
            }
            FanFlowMeter {
                fanId: 1
                sortedIDs: [0, 1]
            }
        }
        Row {
            spacing: 24
            FanFlowMeter {
                fanId: 0
                sortedIDs: [0, 1]
                style: FanFlowMeter.Mini
            }
            FanFlowMeter {
                fanId: 1
                sortedIDs: [0, 1]
                style: FanFlowMeter.Mini
            }
        }
    }
}
