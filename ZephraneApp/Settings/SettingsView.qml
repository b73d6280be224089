import QtQuick
import QtQuick.Controls as Controls
import QtQuick.Layouts
import QtQuick.Templates as T
import Zephrane.Design
import Zephrane.Face
import Zephrane.Settings

// The settings page: one scrolling grouped form of every preference, the
// fan-control daemon's state, the updates, the engine's last error and
// "Restore Defaults…". Every setting is read from and written to the
// engine through the face; the form keeps only its own view state (the
// login item's error, the shortcut being recorded, the alert rows opened,
// the restore's question). The column stays at most 720 points wide,
// centred; the keyboard scrolls the form to the control it moves to.
Item {
    id: root

    // The shell's updater view model; without one (or one that cannot
    // check) there is no Updates section.
    property QtObject updater: null
    readonly property alias form: form
    readonly property alias recorder: recorder
    readonly property alias alertRules: alertRows
    // The whole form's height, for a host that shows it unscrolled.
    readonly property real formHeight: column.implicitHeight + 48
    // Every photograph's thumbnail in the background picker has loaded.
    readonly property bool backdropThumbnailsLoaded: {
        for (let i = 0; i < backdropTiles.count; ++i) {
            const tile = backdropTiles.itemAt(i)
            if (!tile || !tile.thumbnailShown)
                return false
        }
        return backdropTiles.count > 0
    }

    implicitWidth: 760
    implicitHeight: 720
    BackdropHasPhotoKey.backdropHasPhoto: false

    // Scrolls the section of that object name to the top.
    function showSection(name) {
        for (let i = 0; i < column.children.length; ++i) {
            const section = column.children[i]
            if (section.objectName === name) {
                flick.contentY = form.revealedContentY(0, flick.height, flick.contentHeight, section.y + column.y - 12,
                                                       flick.height, 0)
                return
            }
        }
    }

    SettingsForm {
        id: form
        face: Face
        updater: root.updater
    }
    ShortcutRecorder {
        id: recorder
        preferences: Face.preferences
    }
    AlertRuleRows {
        id: alertRows
        face: Face
    }

    // The control the keyboard moved to comes into view.
    Connections {
        target: root.Window.window
        function onActiveFocusItemChanged() {
            const item = root.Window.window.activeFocusItem
            if (!form.holds(flick.contentItem, item))
                return
            const top = flick.contentItem.mapFromItem(item, 0, 0).y
            flick.contentY = form.revealedContentY(flick.contentY, flick.height, flick.contentHeight, top, item.height, 12)
        }
    }

    Flickable {
        id: flick
        anchors.fill: parent
        contentWidth: width
        contentHeight: root.formHeight
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        Controls.ScrollBar.vertical: Controls.ScrollBar {
            policy: Controls.ScrollBar.AlwaysOn
            visible: flick.contentHeight > flick.height
        }

        ColumnLayout {
            id: column
            x: (flick.width - width) / 2
            y: 24
            width: Math.max(0, Math.min(720, flick.width - 48))
            spacing: 22

            FormSection {
                objectName: "generalSection"
                title: "General"

                ToggleRow {
                    objectName: "launchAtLoginRow"
                    label: "Start at login"
                    checked: form.launchAtLogin
                    onToggled: checked => form.setLaunchAtLogin(checked)
                }
                HelpRow {
                    objectName: "loginItemError"
                    visible: form.hasLoginItemError
                    text: form.loginItemError
                    color: Theme.warningColor
                }
                ToggleRow {
                    objectName: "dockIconRow"
                    label: "Show icon in Dock"
                    checked: Face.preferences.showDockIcon
                    onToggled: checked => Face.preferences.showDockIcon = checked
                }
                ToggleRow {
                    objectName: "fahrenheitRow"
                    label: "Use Fahrenheit temperature scale"
                    checked: Face.preferences.useFahrenheit
                    onToggled: checked => Face.preferences.useFahrenheit = checked
                }
                ToggleRow {
                    objectName: "preciseRow"
                    label: "Precise display (e.g. 45.4\u00b0)"
                    checked: Face.preferences.preciseTemperatures
                    onToggled: checked => Face.preferences.preciseTemperatures = checked
                }
            }

            FormSection {
                objectName: "appearanceSection"
                title: "Appearance"

                FormRow {
                    id: backdropRow
                    verticalPadding: 10
                    HoverHandler { id: backdropHover }
                    Controls.ToolTip.visible: backdropHover.hovered
                    Controls.ToolTip.delay: 800
                    Controls.ToolTip.text: "Background for the main window and its sheets. Each photograph is "
                                           + "graded for both light and dark appearance; System is the native "
                                           + "macOS window material."

                    ColumnLayout {
                        Layout.fillWidth: true
                        spacing: 8

                        Text {
                            text: "Window Background"
                            font: Theme.fontBody
                            color: Theme.primary
                        }
                        Grid {
                            id: backdropGrid
                            Layout.fillWidth: true
                            columns: form.adaptiveColumns(width, 78, 12)
                            columnSpacing: 12
                            rowSpacing: 10
                            readonly property real cellWidth: (width - (columns - 1) * columnSpacing) / columns

                            Repeater {
                                id: backdropTiles
                                model: form.backdrops
                                delegate: SelectableSwatch {
                                    id: tile
                                    required property int index
                                    required property var modelData
                                    readonly property bool thumbnailShown: swatch.hasThumbnail || !modelData.isPhoto
                                    objectName: "backdropTile"
                                    width: backdropGrid.cellWidth
                                    isSelected: form.selectedBackdropIndex === index
                                    accessibilityLabel: modelData.name
                                    accessibilityHint: modelData.summary
                                    onClicked: Face.preferences.windowBackdrop = modelData.raw
                                    Controls.ToolTip.visible: hovered
                                    Controls.ToolTip.delay: 800
                                    Controls.ToolTip.text: modelData.summary

                                    Column {
                                        spacing: 5
                                        BackdropSwatch {
                                            id: swatch
                                            anchors.horizontalCenter: parent.horizontalCenter
                                            backdrop: tile.modelData.raw
                                        }
                                        Text {
                                            anchors.horizontalCenter: parent.horizontalCenter
                                            text: tile.modelData.name
                                            font: tile.isSelected ? Theme.fontCalloutSemibold : Theme.fontCallout
                                            color: tile.isSelected ? Theme.primary : Theme.secondary
                                            Accessible.ignored: true
                                        }
                                    }
                                }
                            }
                        }
                    }
                }
                FormRow {
                    objectName: "accentRow"
                    HoverHandler { id: accentHover }
                    Controls.ToolTip.visible: accentHover.hovered
                    Controls.ToolTip.delay: 800
                    Controls.ToolTip.text: "Accent color for controls and highlights. Heat colors are reserved for "
                                           + "temperature."

                    Text {
                        Layout.fillWidth: true
                        text: "Accent"
                        font: Theme.fontBody
                        color: Theme.primary
                    }
                    Row {
                        spacing: 10
                        Repeater {
                            model: form.accentNames
                            delegate: SelectableSwatch {
                                id: accentSwatch
                                required property int index
                                required property string modelData
                                objectName: "accentSwatch"
                                isSelected: Face.preferences.accentChoice === index
                                accessibilityLabel: modelData
                                onClicked: Face.preferences.accentChoice = index

                                Rectangle {
                                    width: 16
                                    height: 16
                                    radius: 8
                                    color: form.accentColors[accentSwatch.index]
                                }
                            }
                        }
                    }
                }
            }

            FormSection {
                objectName: "fanBehaviorSection"
                title: "Fan Behavior"

                PickerRow {
                    objectName: "controlSourceRow"
                    label: "Control source"
                    model: form.controlSourceNames
                    currentIndex: Face.preferences.controlSource
                    onActivated: index => Face.preferences.controlSource = index
                }
                HelpRow {
                    visible: form.controlSourceUnavailable
                    text: "Not available on this Mac. Using the hottest sensor instead."
                }
                SliderRow {
                    objectName: "smoothingRow"
                    label: "Smoothing"
                    from: 0.05
                    to: 1
                    stepSize: 0.05
                    value: Face.preferences.acousticAlpha
                    valueText: form.smoothingText
                    onMoved: value => Face.preferences.acousticAlpha = value
                }
                SliderRow {
                    objectName: "spoolRateRow"
                    separated: false
                    label: "Spool rate"
                    from: 120
                    to: 9000
                    stepSize: 120
                    value: Face.preferences.spoolRate
                    valueText: form.spoolRateText
                    onMoved: value => Face.preferences.spoolRate = value
                }
                HelpRow {
                    text: "Lower values are smoother and quieter; higher values react faster."
                }
                ToggleRow {
                    objectName: "preSpoolRow"
                    label: "Pre-spool on rising heat"
                    checked: Face.preferences.preSpoolEnabled
                    onToggled: checked => Face.preferences.preSpoolEnabled = checked
                }
            }

            FormSection {
                objectName: "speedLimitsSection"
                title: "Speed Limits"

                CapGroupRow { objectName: "quietCaps"; preset: PresetCapGroup.Quiet }
                CapGroupRow { objectName: "balancedCaps"; preset: PresetCapGroup.Balanced }
                HelpRow { text: "Max always runs at 100%." }
                ToggleRow {
                    objectName: "batterySwitchRow"
                    label: "Switch to Quiet on battery"
                    checked: Face.preferences.autoSwitchOnBattery
                    onToggled: checked => Face.preferences.autoSwitchOnBattery = checked
                }
            }

            FormSection {
                objectName: "quietHoursSection"
                title: "Quiet Hours"

                ToggleRow {
                    objectName: "quietHoursRow"
                    label: "Automatically switch to Quiet"
                    checked: Face.preferences.quietHoursEnabled
                    onToggled: checked => Face.preferences.quietHoursEnabled = checked
                }
                TimePickerRow {
                    objectName: "quietFromRow"
                    label: "From"
                    enabled: Face.preferences.quietHoursEnabled
                    minutes: Face.preferences.quietHoursStart
                    onPicked: minutes => Face.preferences.quietHoursStart = minutes
                }
                TimePickerRow {
                    objectName: "quietUntilRow"
                    label: "Until"
                    enabled: Face.preferences.quietHoursEnabled
                    minutes: Face.preferences.quietHoursEnd
                    onPicked: minutes => Face.preferences.quietHoursEnd = minutes
                }
                ToggleRow {
                    objectName: "meetingQuietRow"
                    label: "Quiet during meetings"
                    checked: Face.preferences.meetingQuietEnabled
                    onToggled: checked => Face.preferences.meetingQuietEnabled = checked
                }
                HelpRow { text: "Manual control is never interrupted." }
            }

            FormSection {
                objectName: "alertsSection"
                title: "Alerts"

                SliderRow {
                    objectName: "overheatRow"
                    label: "Threshold"
                    from: 50
                    to: 100
                    stepSize: 1
                    snapMode: T.Slider.SnapAlways
                    value: Face.preferences.overheatThreshold
                    valueText: form.overheatText
                    valueColor: form.overheatColor
                    onMoved: value => Face.preferences.overheatThreshold = value
                }
                HelpRow { text: "One global threshold, checked against the hottest sensor anywhere." }
                Repeater {
                    model: alertRows
                    delegate: AlertCategoryRow { rules: alertRows }
                }
                HelpRow {
                    separated: false
                    text: "Auto-boost runs fans at maximum while that group is over its threshold."
                }
                ToggleRow {
                    objectName: "fanHealthRow"
                    label: "Warn about fan problems"
                    checked: Face.preferences.fanHealthWarningsEnabled
                    onToggled: checked => Face.preferences.fanHealthWarningsEnabled = checked
                }
            }

            FormSection {
                objectName: "menuBarSection"
                title: "Menu Bar"

                PickerRow {
                    objectName: "menuBarReadoutRow"
                    label: "Show in menu bar"
                    model: form.menuBarReadoutNames
                    currentIndex: Face.preferences.menuBarReadout
                    onActivated: index => Face.preferences.menuBarReadout = index
                }
                PickerRow {
                    objectName: "menuBarSourceRow"
                    label: "Temperature source"
                    model: form.menuBarTempSourceNames
                    currentIndex: Face.preferences.menuBarTempSource
                    onActivated: index => Face.preferences.menuBarTempSource = index
                }
                ToggleRow {
                    objectName: "animateIconRow"
                    label: "Animate fan icon"
                    checked: Face.preferences.menuBarIconAnimated
                    onToggled: checked => Face.preferences.menuBarIconAnimated = checked
                }
                SummonShortcutRow {
                    objectName: "summonRow"
                    recorder: recorder
                }
            }

            FormSection {
                objectName: "helperSection"
                title: "Fan-Control Helper"

                FormRow {
                    objectName: "helperStatusRow"
                    Text {
                        Layout.fillWidth: true
                        text: "Status"
                        font: Theme.fontBody
                        color: Theme.primary
                        Accessible.ignored: true
                    }
                    SymbolIcon {
                        name: form.helperStatusSymbol
                        color: form.helperStatusColor
                        size: Theme.symbolSize(Theme.fontCallout)
                    }
                    Text {
                        objectName: "helperStatus"
                        text: form.helperStatusText
                        font: Theme.fontCallout
                        color: form.helperStatusColor
                        Accessible.role: Accessible.StaticText
                        Accessible.name: text
                    }
                }
                FormRow {
                    separated: false
                    visible: helperAction.presenter.action !== HelperStateAction.None
                    HelperStateActionView {
                        id: helperAction
                        Layout.fillWidth: true
                        daemon: Face.daemon
                        prominent: false
                        showsConnectingCaption: true
                    }
                }
                HelpRow {
                    objectName: "helperIssue"
                    visible: form.hasHelperIssue
                    text: form.helperIssue
                    color: Theme.warningColor
                }
                HelpRow { text: "Sensor readings work without it; controlling fan speeds requires it." }
            }

            FormSection {
                objectName: "updatesSection"
                title: "Updates"
                visible: form.showsUpdates

                ToggleRow {
                    objectName: "automaticUpdatesRow"
                    label: "Automatically check for updates"
                    checked: form.showsUpdates && root.updater.automaticallyChecksForUpdates
                    onToggled: checked => root.updater.automaticallyChecksForUpdates = checked
                }
                FormRow {
                    FormButton {
                        objectName: "checkForUpdatesButton"
                        text: "Check for Updates\u2026"
                        onClicked: form.checkForUpdates()
                    }
                }
            }

            FormSection {
                objectName: "lastErrorSection"
                title: "Last Error"
                visible: form.showsLastError

                HelpRow {
                    objectName: "lastError"
                    text: form.lastError
                    color: Theme.warningColor
                }
            }

            FormSection {
                objectName: "restoreSection"

                FormRow {
                    FormButton {
                        objectName: "restoreDefaultsButton"
                        text: "Restore Defaults\u2026"
                        textColor: form.destructiveColor
                        accessibleDescription: restoreHelp.text
                        onClicked: form.askToRestoreDefaults()
                        Controls.ToolTip.visible: hovered
                        Controls.ToolTip.delay: 800
                        Controls.ToolTip.text: restoreHelp.text
                        Text {
                            id: restoreHelp
                            visible: false
                            text: "Reset smoothing, spool rate, pre-spool, control source, battery automation, "
                                  + "meeting quiet, overheat threshold, sensor alert rules, temperature display, "
                                  + "accent color, window background, preset speed caps, quiet hours, dock icon, "
                                  + "fan-health warnings, menu bar readout/source/animation, and the summon "
                                  + "shortcut to their defaults."
                        }
                    }
                    Item { Layout.fillWidth: true }
                }
            }
        }
    }

    RestoreDefaultsDialog {
        form: form
    }
}
