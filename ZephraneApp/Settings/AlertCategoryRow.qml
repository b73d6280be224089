import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Zephrane.Design
import Zephrane.Settings

// One sensor category's alert rule: a disclosure row with the category's
// name and its rule's summary; opened, the rule's "Enabled" switch and,
// while the rule is on, its threshold and auto-boost. Space or Return on
// the row opens and closes it.
Item {
    id: row

    required property int index
    required property string name
    required property string summary
    required property bool ruleEnabled
    required property real thresholdCelsius
    required property string thresholdText
    required property string thresholdLabel
    required property bool autoBoost
    required property bool expanded
    property AlertRuleRows rules

    width: parent ? parent.width : implicitWidth
    implicitWidth: content.implicitWidth
    implicitHeight: content.implicitHeight + 8

    Rectangle {
        visible: !row.Positioner.isFirstItem
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.leftMargin: 12
        height: 1
        color: Theme.separatorStroke
    }

    Column {
        id: content
        y: 4
        width: parent.width

        T.AbstractButton {
            id: disclosure
            objectName: "alertDisclosure"
            width: parent.width
            implicitHeight: 32
            leftPadding: 12
            rightPadding: 12
            focusPolicy: Qt.StrongFocus
            hoverEnabled: true
            onClicked: row.rules.setExpanded(row.index, !row.expanded)

            Accessible.role: Accessible.Button
            Accessible.name: row.name
            Accessible.description: row.summary
            Accessible.onPressAction: disclosure.clicked()
            Keys.onReturnPressed: disclosure.clicked()
            Keys.onEnterPressed: disclosure.clicked()

            background: Item {
                FocusRing {
                    anchors.leftMargin: 4
                    anchors.rightMargin: 4
                    radius: 6
                    focused: disclosure.activeFocus
                }
            }
            contentItem: RowLayout {
                spacing: 6

                SymbolIcon {
                    name: "chevron.right"
                    rotation: row.expanded ? 90 : 0
                    color: Theme.secondary
                    size: Theme.symbolSize(Theme.fontCallout)
                    Behavior on rotation {
                        MotionAnimation { spring: Theme.Snappy }
                    }
                }
                Text {
                    text: row.name
                    font: Theme.fontBody
                    color: Theme.primary
                    Accessible.ignored: true
                }
                Item { Layout.fillWidth: true }
                Text {
                    objectName: "ruleSummary"
                    text: row.summary
                    font: Theme.fontCallout
                    color: Theme.secondary
                    Accessible.ignored: true
                }
            }
        }
        Column {
            visible: row.expanded
            width: parent.width - 20
            x: 20

            ToggleRow {
                objectName: "ruleEnabled"
                separated: false
                label: "Enabled"
                checked: row.ruleEnabled
                onToggled: checked => row.rules.setEnabled(row.index, checked)
            }
            SliderRow {
                objectName: "ruleThreshold"
                visible: row.ruleEnabled
                separated: false
                label: "Threshold"
                accessibleName: row.thresholdLabel
                from: AlertRuleRows.MinimumThreshold
                to: AlertRuleRows.MaximumThreshold
                stepSize: 1
                snapMode: T.Slider.SnapAlways
                value: row.thresholdCelsius
                valueText: row.thresholdText
                onMoved: value => row.rules.setThreshold(row.index, value)
            }
            ToggleRow {
                objectName: "ruleAutoBoost"
                visible: row.ruleEnabled
                separated: false
                label: "Auto-boost"
                checked: row.autoBoost
                onToggled: checked => row.rules.setAutoBoost(row.index, checked)
            }
        }
    }
}
