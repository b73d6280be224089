import QtQuick
import QtQuick.Controls as Controls
import QtQuick.Layouts
import QtQuick.Templates as T
import Zephrane.Design
import Zephrane.Face
import Zephrane.Modes

// The sheet in which a custom mode is built or changed: name, symbol, speed
// (Minimum or Fixed, and how much), the sensor that drives the fans and the
// one the mode shows, and whether that reading takes over the main readout.
// It edits its editor model only; Save (Return) hands the mode to whoever
// opened the sheet, Cancel (Escape) drops it. 380 points wide, scrolling
// past 640 points.
Item {
    id: root

    required property ModeEditorModel editor

    signal saveRequested()
    signal cancelRequested()

    implicitWidth: 380
    implicitHeight: Math.min(640, column.implicitHeight + 56)

    // The name field takes the keyboard when the sheet opens.
    function takeFocus() {
        nameField.forceActiveFocus(Qt.TabFocusReason)
    }

    function save() {
        if (root.editor.canSave)
            root.saveRequested()
    }

    Keys.onReturnPressed: root.save()
    Keys.onEnterPressed: root.save()
    Keys.onEscapePressed: root.cancelRequested()

    // A rounded-border text field.
    component NameField: T.TextField {
        id: field

        implicitWidth: 300
        implicitHeight: Math.max(26, contentHeight + topPadding + bottomPadding)
        leftPadding: 8
        rightPadding: 8
        topPadding: 4
        bottomPadding: 4
        font: Theme.fontBody
        color: Theme.primary
        selectionColor: Theme.accentColor
        selectedTextColor: Theme.onAccent
        placeholderTextColor: Theme.secondary
        verticalAlignment: TextInput.AlignVCenter

        background: Rectangle {
            radius: 5
            color: Theme.windowBackground
            border.color: Theme.separatorStroke
            border.width: 1
            FocusRing {
                radius: 5
                focused: field.activeFocus
            }
        }
        Text {
            x: field.leftPadding
            y: field.topPadding
            width: field.width - field.leftPadding - field.rightPadding
            height: field.height - field.topPadding - field.bottomPadding
            visible: field.length === 0 && !field.preeditText
            text: field.placeholderText
            font: field.font
            color: field.placeholderTextColor
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
            Accessible.ignored: true
        }
    }

    // A menu-style picker over a list of labels.
    component SensorPicker: T.ComboBox {
        id: picker

        implicitWidth: 300
        implicitHeight: 26
        leftPadding: 10
        rightPadding: 30
        font: Theme.fontCallout
        hoverEnabled: true

        background: Rectangle {
            radius: 6
            color: Theme.pushButtonFill(false, Theme.dark)
            border.color: Theme.separatorStroke
            border.width: 0.5
            HoverHighlight {
                anchors.fill: parent
                radius: 6
                hovering: picker.hovered
            }
            FocusRing {
                radius: 6
                focused: picker.activeFocus
            }
        }
        contentItem: Text {
            text: picker.displayText
            font: picker.font
            color: Theme.primary
            elide: Text.ElideRight
            verticalAlignment: Text.AlignVCenter
            Accessible.ignored: true
        }
        indicator: SymbolIcon {
            x: picker.width - width - 8
            y: (picker.height - height) / 2
            rotation: 90
            name: "chevron.right"
            color: Theme.secondary
            size: Theme.symbolSize(Theme.fontCallout)
            Accessible.ignored: true
        }
        delegate: Component {
            T.ItemDelegate {
                id: entry
                required property int index
                required property string modelData

                width: ListView.view ? ListView.view.width : implicitWidth
                implicitHeight: 24
                leftPadding: 8
                rightPadding: 8
                text: modelData
                highlighted: picker.highlightedIndex === index
                hoverEnabled: true

                contentItem: Text {
                    text: entry.text
                    font: picker.font
                    color: entry.highlighted ? Theme.onAccent : Theme.primary
                    elide: Text.ElideRight
                    verticalAlignment: Text.AlignVCenter
                    Accessible.ignored: true
                }
                background: Rectangle {
                    radius: 4
                    color: Theme.accentColor
                    visible: entry.highlighted
                }
            }
        }
        popup: T.Popup {
            y: picker.height + 2
            width: picker.width
            implicitHeight: Math.min(contentItem.implicitHeight + topPadding + bottomPadding, 280)
            padding: 4

            contentItem: ListView {
                clip: true
                implicitHeight: contentHeight
                model: picker.popup.visible ? picker.delegateModel : null
                currentIndex: picker.highlightedIndex
                boundsBehavior: Flickable.StopAtBounds
                T.ScrollIndicator.vertical: Controls.ScrollIndicator {}
            }
            background: Rectangle {
                radius: 8
                color: Theme.windowBackground
                border.color: Theme.separatorStroke
                border.width: 0.5
            }
        }
    }

    // An on/off switch with a label that wraps.
    component LabelledToggle: T.Switch {
        id: toggle

        implicitWidth: implicitContentWidth + leftPadding + rightPadding
        implicitHeight: Math.max(implicitContentHeight, implicitIndicatorHeight) + topPadding + bottomPadding
        spacing: 10
        font: Theme.fontCallout
        hoverEnabled: true

        indicator: Rectangle {
            x: toggle.leftPadding
            y: (toggle.height - height) / 2
            implicitWidth: 34
            implicitHeight: 20
            radius: height / 2
            color: toggle.checked ? Theme.accentColor : Theme.pushButtonFill(false, Theme.dark)
            border.color: Theme.separatorStroke
            border.width: 0.5
            Behavior on color {
                MotionColorAnimation { spring: Theme.Snappy }
            }
            Rectangle {
                width: parent.height - 4
                height: width
                radius: width / 2
                y: 2
                x: toggle.checked ? parent.width - width - 2 : 2
                color: Theme.onAccent
                border.color: Theme.separatorStroke
                border.width: 0.5
                Behavior on x {
                    MotionAnimation { spring: Theme.Snappy }
                }
            }
            // Around the track, which is the accent's colour while on.
            FocusRing {
                anchors.margins: -3
                radius: parent.radius + 3
                focused: toggle.activeFocus
            }
        }
        contentItem: Text {
            leftPadding: toggle.indicator.width + toggle.spacing
            text: toggle.text
            font: toggle.font
            color: Theme.primary
            wrapMode: Text.WordWrap
            verticalAlignment: Text.AlignVCenter
            Accessible.ignored: true
        }
    }

    component Caption: Text {
        font: Theme.fontCallout
        color: Theme.secondary
        Accessible.ignored: true
    }
    component Note: Text {
        Layout.fillWidth: true
        font: Theme.fontCaption2
        color: Theme.secondary
        wrapMode: Text.WordWrap
        Accessible.ignored: true
    }

    SheetRootBackgroundModifier {
        anchors.fill: parent
        backdrop: Face.preferences.windowBackdrop

        Flickable {
            id: scroller
            anchors.fill: parent
            clip: true
            contentWidth: width
            contentHeight: column.implicitHeight + 56
            boundsBehavior: Flickable.StopAtBounds
            Controls.ScrollBar.vertical: Controls.ScrollBar {}

            ColumnLayout {
                id: column
                x: 28
                y: 28
                width: scroller.width - 56
                spacing: 16

                Text {
                    objectName: "editorTitle"
                    Layout.alignment: Qt.AlignHCenter
                    text: root.editor.title
                    font: Theme.fontTitle2Semibold
                    color: Theme.primary
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
                }

                NameField {
                    id: nameField
                    objectName: "modeName"
                    Layout.alignment: Qt.AlignHCenter
                    Layout.fillWidth: true
                    Layout.maximumWidth: 300
                    placeholderText: qsTr("Name")
                    text: root.editor.name
                    onTextEdited: root.editor.name = text
                    Accessible.name: qsTr("Name")
                }

                ColumnLayout {
                    objectName: "symbolSection"
                    Layout.alignment: Qt.AlignHCenter
                    Layout.fillWidth: true
                    Layout.maximumWidth: 300
                    spacing: 8

                    Caption { text: qsTr("Symbol") }
                    GridLayout {
                        Layout.fillWidth: true
                        columns: 4
                        columnSpacing: 8
                        rowSpacing: 8

                        Repeater {
                            model: root.editor.symbols
                            delegate: Item {
                                id: cell
                                required property var modelData
                                readonly property bool selected: root.editor.symbolName === modelData.name

                                Layout.fillWidth: true
                                Layout.minimumWidth: 10
                                implicitWidth: swatch.implicitWidth
                                implicitHeight: swatch.implicitHeight

                                SelectableSwatch {
                                    id: swatch
                                    objectName: "symbol:" + cell.modelData.name
                                    anchors.horizontalCenter: parent.horizontalCenter
                                    isSelected: cell.selected
                                    accessibilityLabel: cell.modelData.label
                                    onClicked: root.editor.symbolName = cell.modelData.name

                                    Controls.ToolTip.text: cell.modelData.label
                                    Controls.ToolTip.delay: 800
                                    Controls.ToolTip.visible: hovered

                                    Item {
                                        width: 32
                                        height: 32
                                        Rectangle {
                                            anchors.fill: parent
                                            radius: 7
                                            color: cell.selected ? Theme.accentColor : Theme.quaternaryFill
                                            opacity: cell.selected ? 0.16 : 1
                                            Behavior on opacity {
                                                MotionAnimation { spring: Theme.Snappy }
                                            }
                                        }
                                        SymbolIcon {
                                            anchors.centerIn: parent
                                            name: cell.modelData.name
                                            color: cell.selected ? Theme.accentColor : Theme.secondary
                                            size: Theme.symbolSize(Theme.fontCalloutSemibold)
                                            Accessible.ignored: true
                                        }
                                    }
                                }
                            }
                        }
                    }
                }

                ColumnLayout {
                    objectName: "speedSection"
                    Layout.alignment: Qt.AlignHCenter
                    Layout.fillWidth: true
                    Layout.maximumWidth: 300
                    spacing: 8

                    Caption { text: qsTr("Speed") }
                    GlassTabs {
                        objectName: "speedStyle"
                        Layout.fillWidth: true
                        segments: root.editor.speedStyles
                        selection: root.editor.isFixedSpeed
                        allowsDeselect: false
                        size: GlassTabs.Regular
                        accessibilityLabel: qsTr("Speed Style")
                        onActivated: chosen => root.editor.isFixedSpeed = chosen
                    }
                    RowLayout {
                        Layout.fillWidth: true
                        Text {
                            text: root.editor.speedKindText
                            font: Theme.fontCallout
                            color: Theme.secondary
                            Accessible.ignored: true
                        }
                        Item { Layout.fillWidth: true }
                        NumericReadout {
                            objectName: "speedValue"
                            text: root.editor.valueText
                            font: Theme.fontCallout
                            color: Theme.primary
                            horizontalAlignment: Text.AlignRight
                        }
                    }
                    CapsuleSlider {
                        id: speedSlider
                        objectName: "speedSlider"
                        Layout.fillWidth: true
                        value: root.editor.percentage
                        label: root.editor.sliderLabel
                        onMoved: fraction => root.editor.percentage = fraction
                        Accessible.description: root.editor.valueText
                    }
                    Note {
                        objectName: "speedCaption"
                        text: root.editor.caption
                    }
                }

                ColumnLayout {
                    Layout.alignment: Qt.AlignHCenter
                    Layout.fillWidth: true
                    Layout.maximumWidth: 300
                    spacing: 8

                    Caption { text: qsTr("Trigger Sensor") }
                    SensorPicker {
                        objectName: "triggerSensor"
                        Layout.fillWidth: true
                        model: root.editor.triggerLabels
                        currentIndex: root.editor.triggerIndex
                        onActivated: index => root.editor.chooseTrigger(index)
                        Accessible.name: qsTr("Trigger Sensor")
                        Accessible.description: displayText
                    }
                    Note { text: qsTr("Fans respond to this sensor while the mode is engaged.") }
                }

                ColumnLayout {
                    Layout.alignment: Qt.AlignHCenter
                    Layout.fillWidth: true
                    Layout.maximumWidth: 300
                    spacing: 8

                    Caption { text: qsTr("Display Sensor") }
                    SensorPicker {
                        objectName: "displaySensor"
                        Layout.fillWidth: true
                        model: root.editor.displayLabels
                        currentIndex: root.editor.displayIndex
                        onActivated: index => root.editor.chooseDisplay(index)
                        Accessible.name: qsTr("Display Sensor")
                        Accessible.description: displayText
                    }
                    Note { text: qsTr("Shown on this mode's row below, and on the Dashboard/menu bar if Main Readout is on.") }
                }

                LabelledToggle {
                    objectName: "drivesMainReadout"
                    Layout.alignment: Qt.AlignHCenter
                    Layout.fillWidth: true
                    Layout.maximumWidth: 300
                    text: qsTr("Also show this on the Dashboard and menu bar")
                    checked: root.editor.drivesMainReadout
                    onToggled: root.editor.drivesMainReadout = checked
                    Accessible.name: text
                }

                RowLayout {
                    Layout.alignment: Qt.AlignHCenter
                    Layout.fillWidth: true
                    Layout.maximumWidth: 300
                    spacing: 12

                    Item { Layout.fillWidth: true }
                    PushButton {
                        objectName: "editorCancel"
                        text: qsTr("Cancel")
                        onClicked: root.cancelRequested()
                    }
                    PushButton {
                        objectName: "editorSave"
                        prominent: true
                        text: qsTr("Save")
                        enabled: root.editor.canSave
                        onClicked: root.save()
                    }
                }
            }
        }
    }
}
