import QtQuick
import QtQuick.Layouts
import Zephrane.Design
import Zephrane.Testing

// Every control of the design module in its main states, for screenshots
// and for the accessibility check. Not part of the app.
Rectangle {
    id: gallery
    width: 1180
    height: 800
    color: Theme.windowBackground

    component Caption: Text {
        font: Theme.fontCaption2
        color: Theme.secondary
    }

    FakeEngine { id: notRegistered; helperStateKind: 1 }
    FakeEngine { id: unavailable; helperStateKind: 0 }
    FakeEngine { id: approval; helperStateKind: 2 }
    FakeEngine { id: connecting; helperStateKind: 3 }
    FakeEngine { id: issue; helperStateKind: 4; helperInstallIssue: "The helper’s files are damaged." }

    GridLayout {
        anchors.fill: parent
        anchors.margins: 20
        columns: 3
        columnSpacing: 28
        rowSpacing: 14

        // Column 1: surfaces.
        ColumnLayout {
            Layout.alignment: Qt.AlignTop
            spacing: 10
            Caption { text: "Surfaces: plain, tinted, over a photo with its blur" }
            Item {
                Layout.preferredWidth: 330
                Layout.preferredHeight: 130
                Rectangle {
                    id: photo
                    anchors.fill: parent
                    radius: 12
                    gradient: Gradient {
                        orientation: Gradient.Horizontal
                        GradientStop { position: 0.0; color: Theme.temperatureColor(40) }
                        GradientStop { position: 0.5; color: Theme.temperatureColor(70) }
                        GradientStop { position: 1.0; color: Theme.temperatureColor(90) }
                    }
                    Repeater {
                        model: 6
                        Rectangle {
                            x: 20 + index * 52; y: 20 + (index % 2) * 50
                            width: 30; height: 30; radius: 15
                            color: Theme.windowBackground
                        }
                    }
                }
                GlassSurface { x: 12; y: 12; width: 90; height: 44 }
                GlassSurface { x: 12; y: 70; width: 90; height: 44; tint: Theme.accentColor }
                GlassPlate { x: 140; y: 30; width: 170; height: 70; radius: 14; overMedia: true; backdrop: photo }
            }
            Caption { text: "Plates: low, medium, high" }
            RowLayout {
                spacing: 22
                Repeater {
                    model: [Theme.Low, Theme.Medium, Theme.High]
                    GlassPlate { Layout.preferredWidth: 90; Layout.preferredHeight: 44; elevation: modelData }
                }
            }
            Caption { text: "Card surface; hover: lighten, tonal, glass; focus ring" }
            RowLayout {
                spacing: 12
                GlassCardSurface { Layout.preferredWidth: 60; Layout.preferredHeight: 34; radius: 7 }
                Repeater {
                    model: [Rules.Lighten, Rules.Tonal, Rules.Glass]
                    Item {
                        Layout.preferredWidth: 60; Layout.preferredHeight: 34
                        Rectangle { anchors.fill: parent; radius: 7; color: "transparent"; border.color: Theme.separatorStroke }
                        HoverHighlight { anchors.fill: parent; radius: 7; style: modelData; hovering: true }
                    }
                }
                Item {
                    Layout.preferredWidth: 60; Layout.preferredHeight: 34
                    FocusRing { radius: 10; focused: true; visible: true }
                }
            }
            Caption { text: "Banner card" }
            BannerCard {
                Layout.preferredWidth: 330
                tint: Theme.warningColor
                RowLayout {
                    spacing: 8
                    SymbolIcon { name: "flame.fill"; color: Theme.temperatureColor(85); size: 18 }
                    Text { text: "Fan 2 is not spinning"; font: Theme.fontSubheadlineSemibold; color: Theme.primary }
                }
            }
            Caption { text: "Heat colours 40–90 °C: plain, and as text" }
            Row {
                spacing: 2
                Repeater {
                    model: 11
                    Rectangle { width: 28; height: 16; radius: 3; color: Theme.temperatureColor(40 + index * 5) }
                }
            }
            Row {
                spacing: 6
                Repeater {
                    model: 6
                    Text {
                        text: (50 + index * 7) + "°"
                        font: Theme.fontBodyDigits
                        color: Theme.adaptiveTemperatureColor(50 + index * 7, Theme.dark)
                    }
                }
            }
        }

        // Column 2: controls.
        ColumnLayout {
            Layout.alignment: Qt.AlignTop
            spacing: 10
            Caption { text: "Tabs: regular, compact (deselectable)" }
            GlassTabs {
                objectName: "fanControlTabs"
                Layout.preferredWidth: 330
                accessibilityLabel: "Fan Control"
                segments: [{id: "quiet", title: "Quiet"}, {id: "auto", title: "Balanced"}, {id: "max", title: "Max"}]
                selection: "auto"
            }
            GlassTabs {
                size: GlassTabs.Compact
                allowsDeselect: true
                accessibilityLabel: "Fan mode"
                segments: [{id: 0, title: "Auto"}, {id: 1, title: "Manual", accessibilityHint: "Set the speed yourself"}]
                selection: 1
            }
            Caption { text: "Sliders: left to right, right to left, disabled" }
            CapsuleSlider {
                objectName: "fanSpeedSlider"
                Layout.preferredWidth: 330
                value: 0.4
                icon: "fan.fill"
                trailingIcon: "speedometer"
                label: "Fan speed"
            }
            CapsuleSlider {
                Layout.preferredWidth: 330
                LayoutMirroring.enabled: true
                value: 0.7
                icon: "fan.fill"
                trailingIcon: "bolt.fill"
                label: "Right to left"
            }
            CapsuleSlider {
                Layout.preferredWidth: 330
                enabled: false
                value: 0.25
                icon: "fan.fill"
                label: "Disabled"
            }
            Caption { text: "Buttons: action, with symbol, disabled; push" }
            RowLayout {
                spacing: 10
                GlassActionButton { text: "Export"; help: "Export the power history" }
                GlassActionButton { text: "Open Settings"; trailingSystemImage: "chevron.right"; help: "" }
                GlassActionButton { text: "Disabled"; enabled: false }
            }
            RowLayout {
                spacing: 10
                PushButton { text: "Prominent"; prominent: true }
                PushButton { text: "Default" }
            }
            Caption { text: "Spinning symbols, chips, readout" }
            RowLayout {
                spacing: 14
                SpinningSymbol { width: 22; height: 22; angularVelocity: 8; color: Theme.primary }
                SpinningSymbol { width: 22; height: 22; angularVelocity: 0; color: Theme.accentColor }
                SensorChip { symbol: "cpu"; tint: Theme.sensorTint("cpu.avg", Theme.dark); isActive: true }
                SensorChip { symbol: "memorychip"; tint: Theme.sensorTint("gpu.1", Theme.dark) }
                SensorChip { symbol: "minus.plus.batteryblock"; tint: Theme.sensorTint("TB0T", Theme.dark) }
                SensorChip { symbol: "bolt.horizontal.fill"; tint: Theme.sensorTint("TDeL", Theme.dark) }
                NumericReadout { text: "64 °C"; font: Theme.fontDisplay20; color: Theme.adaptiveTemperatureReadoutColor(64, Theme.dark) }
            }
            Caption { text: "Mini graphs: thermal with fill, tinted" }
            RowLayout {
                spacing: 14
                MiniGraph {
                    Layout.preferredWidth: 150; Layout.preferredHeight: 44
                    samples: [48, 51, 55, 61, 66, 70, 74, 78, 76, 80, 83, 86]
                    thermal: true; showFill: true; tint: Theme.temperatureColor(80)
                    label: "CPU"; unit: "°C"
                }
                MiniGraph {
                    Layout.preferredWidth: 150; Layout.preferredHeight: 44
                    samples: [12, 14, 11, 18, 22, 19, 25, 21, 17, 16]
                    tint: Theme.accentColor; lineWidth: 2
                    label: "System power"; unit: " W"
                }
            }
        }

        // Column 3: states.
        ColumnLayout {
            Layout.alignment: Qt.AlignTop
            spacing: 10
            Caption { text: "Daemon: not registered, unavailable (prominent)" }
            HelperStateActionView { daemon: notRegistered.daemon }
            HelperStateActionView { daemon: unavailable.daemon; prominent: true }
            Caption { text: "Daemon: awaiting approval, connecting, install issue" }
            HelperStateActionView { daemon: approval.daemon; prominent: true }
            HelperStateActionView { Layout.preferredWidth: 300; daemon: connecting.daemon; showsConnectingCaption: true }
            HelperStateActionView { daemon: issue.daemon }
            Caption { text: "Empty states: compact, full" }
            EmptyState {
                Layout.preferredWidth: 300
                title: "No heat sources"
                systemImage: "cpu"
                description: "Nothing is working hard right now."
            }
            EmptyState {
                Layout.preferredWidth: 300
                form: EmptyState.Full
                title: "No fans detected"
                systemImage: "fan.slash"
                description: "This Mac reports no controllable fans."
                GlassActionButton { text: "Refresh" }
            }
            Caption { text: "Symbols" }
            Flow {
                Layout.preferredWidth: 300
                spacing: 6
                Repeater {
                    model: symbolNames
                    SymbolIcon { name: modelData; color: Theme.primary; size: 18 }
                }
            }
        }
    }
}
