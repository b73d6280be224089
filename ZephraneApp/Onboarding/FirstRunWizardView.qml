import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Zephrane.Design
import Zephrane.Face
import Zephrane.Onboarding
import Zephrane.Settings

// The first-run wizard, shown in a sheet of the main window while first-run
// setup is not complete: welcome, the fan-control daemon, overheat alerts,
// launch at login, done. Each step's body slides in from the trailing edge
// as the previous one leaves toward the leading edge (a fade under Reduce
// Motion); the step's symbol changes in place above it. Return moves on
// (or finishes on the last step), Escape skips the setup; both end the
// wizard for good once it finishes. It takes the keyboard within its sheet
// (a focus scope that asks for focus), so Tab moves among its own controls.
FocusScope {
    id: root

    // Finish or Skip Setup: the sheet closes. Any dismissal of the sheet
    // completes first-run setup; the host does that.
    signal dismissRequested()
    // The step the wizard opens on (0 = welcome); for a host that resumes
    // one, and the gallery.
    property int initialStep: 0
    readonly property alias wizard: wizard

    implicitWidth: 460
    implicitHeight: 420
    width: 460
    height: 420
    focus: true

    FirstRunWizard {
        id: wizard
        face: Face
        step: root.initialStep
        onDismissRequested: root.dismissRequested()
        onStepChanged: {
            if (root.ready)
                body.replace(null, stepBody, {"shownStep": wizard.step}, T.StackView.ReplaceTransition)
        }
    }
    property bool ready: false
    Component.onCompleted: {
        body.push(stepBody, {"shownStep": wizard.step}, T.StackView.Immediate)
        ready = true
    }

    Shortcut {
        sequences: ["Return", "Enter"]
        enabled: root.visible
        onActivated: wizard.showsFinish ? wizard.finish() : wizard.forward()
    }
    Shortcut {
        sequence: "Escape"
        enabled: root.visible && wizard.showsSkip
        onActivated: wizard.finish()
    }

    SheetRootBackgroundModifier {
        anchors.fill: parent
        backdrop: Face.preferences.windowBackdrop

        ColumnLayout {
            anchors.fill: parent
            spacing: 0

            ColumnLayout {
                Layout.fillWidth: true
                Layout.fillHeight: true
                // 28 at the sides; less above and below, so the daemon
                // step's longest content (a status, a button and a
                // two-line hint) still leaves the footer its margin.
                Layout.leftMargin: 28
                Layout.rightMargin: 28
                Layout.topMargin: 20
                Layout.bottomMargin: 8
                spacing: 16

                Item { Layout.fillHeight: true }
                Item {
                    Layout.alignment: Qt.AlignHCenter
                    implicitWidth: 72
                    implicitHeight: 72
                    Accessible.ignored: true

                    GlassSurface {
                        anchors.fill: parent
                        radius: 36
                    }
                    SymbolIcon {
                        objectName: "stepSymbol"
                        anchors.centerIn: parent
                        name: wizard.symbol
                        color: Theme.accentColor
                        size: Theme.symbolSize(Theme.fontDisplay34)
                    }
                }
                T.StackView {
                    id: body
                    Layout.fillWidth: true
                    implicitHeight: currentItem ? currentItem.implicitHeight : 0
                    clip: false

                    replaceEnter: Transition {
                        NumberAnimation { property: "opacity"; from: 0; to: 1; duration: Theme.motionDuration(Theme.Smooth, Theme.reduceMotion) }
                        NumberAnimation {
                            property: "x"
                            from: Theme.reduceMotion ? 0 : body.width
                            to: 0
                            duration: Theme.motionDuration(Theme.Smooth, Theme.reduceMotion)
                            easing: Theme.motionEasing(Theme.Smooth, Theme.reduceMotion)
                        }
                    }
                    replaceExit: Transition {
                        NumberAnimation { property: "opacity"; from: 1; to: 0; duration: Theme.motionDuration(Theme.Smooth, Theme.reduceMotion) }
                        NumberAnimation {
                            property: "x"
                            from: 0
                            to: Theme.reduceMotion ? 0 : -body.width
                            duration: Theme.motionDuration(Theme.Smooth, Theme.reduceMotion)
                            easing: Theme.motionEasing(Theme.Smooth, Theme.reduceMotion)
                        }
                    }
                }
                Item { Layout.fillHeight: true }
            }
            Text {
                objectName: "stepCounter"
                Layout.alignment: Qt.AlignHCenter
                Layout.bottomMargin: 14
                text: wizard.counterText
                font: Theme.fontCallout
                color: Theme.secondary
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }
            Rectangle {
                Layout.fillWidth: true
                implicitHeight: 1
                color: Theme.separatorStroke
            }
            RowLayout {
                Layout.fillWidth: true
                Layout.margins: 16
                spacing: 12

                PushButton {
                    objectName: "backButton"
                    visible: wizard.showsBack
                    implicitHeight: 32
                    text: "Back"
                    onClicked: wizard.back()
                }
                Item { Layout.fillWidth: true }
                PushButton {
                    objectName: "skipButton"
                    visible: wizard.showsSkip
                    implicitHeight: 32
                    text: "Skip Setup"
                    onClicked: wizard.finish()
                }
                PushButton {
                    objectName: "forwardButton"
                    visible: wizard.showsForward
                    implicitHeight: 32
                    prominent: true
                    text: wizard.forwardTitle
                    onClicked: wizard.forward()
                }
                PushButton {
                    objectName: "finishButton"
                    visible: wizard.showsFinish
                    implicitHeight: 32
                    prominent: true
                    text: "Finish"
                    onClicked: wizard.finish()
                }
            }
        }
    }

    // One step's body: its title, subtitle and own content; a new one for
    // every step, so each comes and goes with its own transition.
    Component {
        id: stepBody

        ColumnLayout {
            id: shown
            // The step this body shows, kept while it leaves.
            property int shownStep: 0

            spacing: 12

            Text {
                objectName: "stepTitle"
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                text: wizard.titleOf(shown.shownStep)
                font: Theme.fontTitle2Semibold
                color: Theme.primary
                wrapMode: Text.Wrap
                Accessible.role: Accessible.Heading
                Accessible.name: text
            }
            Text {
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                text: wizard.subtitleOf(shown.shownStep)
                font: Theme.fontCallout
                color: Theme.secondary
                wrapMode: Text.Wrap
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }
            Loader {
                Layout.fillWidth: true
                Layout.topMargin: 4
                sourceComponent: [null, helperStep, notificationsStep, loginItemStep, null][shown.shownStep]
            }
        }
    }

    Component {
        id: helperStep

        ColumnLayout {
            spacing: 12

            RowLayout {
                Layout.alignment: Qt.AlignHCenter
                spacing: 6
                SymbolIcon {
                    name: wizard.helperStatusSymbol
                    color: wizard.helperStatusColor
                    size: Theme.symbolSize(Theme.fontCalloutMedium)
                }
                Text {
                    objectName: "helperStatus"
                    text: wizard.helperStatusText
                    font: Theme.fontCalloutMedium
                    color: wizard.helperStatusColor
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                }
            }
            Text {
                Layout.fillWidth: true
                visible: wizard.hasHelperIssue
                horizontalAlignment: Text.AlignHCenter
                text: wizard.helperIssue
                font: Theme.fontCallout
                color: Theme.warningColor
                wrapMode: Text.Wrap
            }
            HelperStateActionView {
                Layout.alignment: Qt.AlignHCenter
                visible: wizard.helperAction === FirstRunWizard.Repair
                daemon: Face.daemon
                prominent: true
                showsConnectingCaption: false
            }
            Text {
                Layout.fillWidth: true
                visible: wizard.helperAction === FirstRunWizard.TryAgain
                horizontalAlignment: Text.AlignHCenter
                text: wizard.helperReason
                font: Theme.fontCallout
                color: Theme.warningColor
                wrapMode: Text.Wrap
            }
            PushButton {
                objectName: "helperStepButton"
                Layout.alignment: Qt.AlignHCenter
                visible: wizard.helperAction === FirstRunWizard.Install
                         || wizard.helperAction === FirstRunWizard.Approve
                         || wizard.helperAction === FirstRunWizard.TryAgain
                prominent: true
                text: wizard.helperActionTitle
                onClicked: wizard.performHelperAction()
            }
            Text {
                Layout.fillWidth: true
                visible: wizard.helperAction === FirstRunWizard.Approve
                horizontalAlignment: Text.AlignHCenter
                text: "Approve Brumalune under Login Items & Extensions, then return here."
                font: Theme.fontCallout
                color: Theme.secondary
                wrapMode: Text.Wrap
            }
        }
    }

    Component {
        id: notificationsStep

        ColumnLayout {
            spacing: 12

            PushButton {
                objectName: "enableNotificationsButton"
                Layout.alignment: Qt.AlignHCenter
                visible: !wizard.notificationsRequested
                prominent: true
                text: "Enable Notifications"
                onClicked: wizard.requestNotifications()
            }
            RowLayout {
                Layout.alignment: Qt.AlignHCenter
                visible: wizard.notificationsRequested
                spacing: 6
                SymbolIcon {
                    name: wizard.notificationStatusSymbol
                    color: wizard.notificationStatusColor
                    size: Theme.symbolSize(Theme.fontBody)
                }
                Text {
                    objectName: "notificationStatus"
                    text: wizard.notificationStatusText
                    font: Theme.fontBody
                    color: Theme.primary
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                }
            }
            Text {
                Layout.fillWidth: true
                visible: wizard.notificationsRequested && !wizard.notificationsGranted
                horizontalAlignment: Text.AlignHCenter
                text: wizard.notificationHint
                font: Theme.fontCallout
                color: Theme.secondary
                wrapMode: Text.Wrap
            }
            Text {
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                text: "Set per-sensor-group thresholds anytime in Settings \u25b8 Alerts."
                font: Theme.fontCallout
                color: Theme.secondary
                wrapMode: Text.Wrap
            }
        }
    }

    Component {
        id: loginItemStep

        ColumnLayout {
            spacing: 12

            RowLayout {
                Layout.alignment: Qt.AlignHCenter
                Layout.maximumWidth: 300
                spacing: 12
                Text {
                    Layout.fillWidth: true
                    text: "Start at login"
                    font: Theme.fontBody
                    color: Theme.primary
                    Accessible.ignored: true
                }
                FormToggle {
                    objectName: "launchAtLoginToggle"
                    text: "Start at login"
                    checked: wizard.launchAtLogin
                    onToggled: wizard.setLaunchAtLogin(checked)
                }
            }
            Text {
                objectName: "loginItemError"
                Layout.fillWidth: true
                Layout.maximumWidth: 300
                Layout.alignment: Qt.AlignHCenter
                visible: wizard.hasLoginItemError
                horizontalAlignment: Text.AlignHCenter
                text: wizard.loginItemError
                font: Theme.fontCallout
                color: Theme.warningColor
                wrapMode: Text.Wrap
            }
        }
    }
}
