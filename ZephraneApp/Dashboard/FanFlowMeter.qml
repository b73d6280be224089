import QtQuick
import QtQuick.Templates as T
import Zephrane.Dashboard
import Zephrane.Design
import Zephrane.Face

// One fan: its speed beside a spinning fan and a track filled to its share
// of the range, with a marker where it is heading. Reads the fan `fanId`
// from Face.drive.fans. The regular gauge adds the unit, the fan's name
// and, under manual control, a slider that sets the fan's target at every
// change; the mini gauge (the panel's) is the symbol, the number and a
// short track.
Item {
    id: root

    enum Style { Regular, Mini }

    required property int fanId
    // Every fan id the caller shows, ascending: names the fan.
    property var sortedIDs: []
    property int style: FanFlowMeter.Regular
    // Read-only: the user is dragging the manual slider.
    readonly property bool isDraggingManualTarget: layout.item !== null && layout.item.dragging === true

    implicitWidth: layout.item !== null ? layout.item.implicitWidth : 0
    implicitHeight: layout.item !== null ? layout.item.implicitHeight : 0

    FanGaugePresenter {
        id: gauge
        face: Face
        fanId: root.fanId
        sortedIDs: root.sortedIDs
        mini: root.style === FanFlowMeter.Mini
    }

    Loader {
        id: layout
        width: root.width
        sourceComponent: root.style === FanFlowMeter.Mini ? miniLayout : regularLayout
    }

    Component {
        id: regularLayout

        Column {
            id: regular

            readonly property bool dragging: slider.pressed

            spacing: 10

            Column {
                id: readoutGroup
                objectName: "fanReadout"
                anchors.horizontalCenter: parent.horizontalCenter
                spacing: 10
                Accessible.role: Accessible.StaticText
                Accessible.name: gauge.accessibleLabel

                Row {
                    anchors.horizontalCenter: parent.horizontalCenter
                    spacing: 8

                    SpinningSymbol {
                        objectName: "fanSymbol"
                        anchors.verticalCenter: parent.verticalCenter
                        width: Theme.symbolSize(DashboardFonts.fanSymbol)
                        height: width
                        symbolName: gauge.symbolName
                        angularVelocity: gauge.spinRate
                        color: Theme.secondary
                    }
                    Text {
                        id: speed
                        objectName: "fanSpeed"
                        anchors.verticalCenter: parent.verticalCenter
                        width: Math.min(implicitWidth, Math.max(0, regular.width - 60))
                        text: gauge.speedText
                        font: DashboardFonts.headlineFigure
                        fontSizeMode: Text.HorizontalFit
                        minimumPixelSize: DashboardFonts.minimumPixelSize(DashboardFonts.headlineFigure)
                        maximumLineCount: 1
                        elide: Text.ElideRight
                        color: Theme.primary
                        Accessible.ignored: true
                    }
                    Text {
                        anchors.baseline: speed.baseline
                        text: gauge.unitText
                        font: DashboardFonts.tracked(Theme.fontCaption2Semibold)
                        color: Theme.tertiary
                        Accessible.ignored: true
                    }
                }
                LinearTrack {
                    objectName: "fanTrack"
                    anchors.horizontalCenter: parent.horizontalCenter
                    width: 132
                    barHeight: 3
                    fraction: gauge.currentFraction
                    targetFraction: gauge.targetFraction
                }
                Text {
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: gauge.name
                    font: Theme.fontBodyMedium
                    color: Theme.secondary
                    Accessible.ignored: true
                }
            }

            // Slides in from the top as manual control starts, and out as
            // it ends; fades only, under Reduce Motion.
            Item {
                id: manual
                anchors.horizontalCenter: parent.horizontalCenter
                width: 132
                height: gauge.showsSlider ? manualColumn.implicitHeight : 0
                opacity: gauge.showsSlider ? 1 : 0
                visible: opacity > 0
                clip: true
                Behavior on height {
                    enabled: !Theme.reduceMotion
                    MotionAnimation { spring: Theme.Smooth }
                }
                Behavior on opacity {
                    MotionAnimation { spring: Theme.Smooth }
                }

                Column {
                    id: manualColumn
                    width: parent.width
                    y: manual.height - implicitHeight
                    spacing: 4

                    T.Slider {
                        id: slider
                        objectName: "fanTargetSlider"
                        width: parent.width
                        implicitHeight: 20
                        enabled: gauge.showsSlider
                        from: gauge.sliderFrom
                        to: gauge.sliderTo
                        value: gauge.sliderValue
                        stepSize: gauge.sliderStep
                        snapMode: T.Slider.NoSnap
                        live: true
                        focusPolicy: Qt.StrongFocus
                        Accessible.name: gauge.sliderLabel
                        onMoved: gauge.setTarget(value)

                        background: Item {
                            Rectangle {
                                anchors.verticalCenter: parent.verticalCenter
                                width: parent.width
                                height: 4
                                radius: 2
                                color: Theme.primary
                                opacity: 0.12
                            }
                            Rectangle {
                                anchors.verticalCenter: parent.verticalCenter
                                width: slider.handle.x + slider.handle.width / 2
                                height: 4
                                radius: 2
                                color: Theme.accentColor
                            }
                        }
                        handle: Rectangle {
                            x: slider.visualPosition * (slider.availableWidth - width)
                            anchors.verticalCenter: parent.verticalCenter
                            width: 14
                            height: 14
                            radius: 7
                            color: Theme.windowBackground
                            border.color: Theme.separatorStroke
                            border.width: 1
                            FocusRing {
                                radius: 7
                                focused: slider.activeFocus
                            }
                        }
                    }
                    Text {
                        objectName: "fanTargetCaption"
                        anchors.horizontalCenter: parent.horizontalCenter
                        text: gauge.targetCaption
                        font: Theme.fontCaption2
                        color: Theme.secondary
                        opacity: slider.pressed ? 1 : 0
                        visible: opacity > 0
                        Behavior on opacity {
                            MotionAnimation { spring: Theme.Smooth }
                        }
                        Accessible.ignored: true
                    }
                }
            }
        }
    }

    Component {
        id: miniLayout

        Column {
            readonly property bool dragging: false

            objectName: "fanReadout"
            spacing: 3
            Accessible.role: Accessible.StaticText
            Accessible.name: gauge.accessibleLabel

            Row {
                anchors.horizontalCenter: parent.horizontalCenter
                spacing: 4
                SpinningSymbol {
                    objectName: "fanSymbol"
                    anchors.verticalCenter: parent.verticalCenter
                    width: Theme.symbolSize(DashboardFonts.miniFanSymbol)
                    height: width
                    symbolName: gauge.symbolName
                    angularVelocity: gauge.spinRate
                    color: Theme.secondary
                }
                Text {
                    objectName: "fanSpeed"
                    anchors.verticalCenter: parent.verticalCenter
                    text: gauge.speedText
                    font: DashboardFonts.miniSpeed
                    maximumLineCount: 1
                    color: Theme.primary
                    Accessible.ignored: true
                }
            }
            LinearTrack {
                objectName: "fanTrack"
                anchors.horizontalCenter: parent.horizontalCenter
                width: 44
                barHeight: 2
                fraction: gauge.currentFraction
            }
        }
    }
}
