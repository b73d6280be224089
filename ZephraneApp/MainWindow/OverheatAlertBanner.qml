import QtQuick
import QtQuick.Layouts
import Zephrane.Design
import Zephrane.Face
import Zephrane.MainWindow

// The overheat alert inside the window, when the desktop would not show it
// as a notification: the flame, the alert's own words and a cross that
// dismisses it. It slides in from the top (fades, under Reduce Motion) and
// leaves the same way; without an alert it takes no room.
Item {
    id: root

    readonly property bool shown: Face.alerts.hasInAppAlert
    // The last text stays while the banner leaves.
    property string shownText

    implicitHeight: shown || leaving.running ? card.implicitHeight : 0
    height: implicitHeight
    visible: shown || leaving.running
    // Clipped only while it slides, so its shadow shows once it is in place.
    clip: arriving.running || leaving.running

    onShownChanged: {
        if (shown) {
            shownText = Face.alerts.inAppAlert
            arriving.restart()
        } else {
            leaving.restart()
        }
    }
    Connections {
        target: Face.alerts
        function onInAppAlertChanged() {
            if (Face.alerts.hasInAppAlert)
                root.shownText = Face.alerts.inAppAlert
        }
    }
    Component.onCompleted: if (shown) shownText = Face.alerts.inAppAlert

    BannerCard {
        id: card
        width: root.width
        padding: 16
        tint: Theme.temperatureColor(85)

        RowLayout {
            width: card.width - 2 * card.padding
            spacing: 12

            SymbolIcon {
                name: "flame.fill"
                color: Theme.temperatureColor(85)
                size: 20
                Accessible.ignored: true
            }
            Text {
                Layout.fillWidth: true
                text: root.shownText
                font: Theme.fontCallout
                color: Theme.primary
                wrapMode: Text.WordWrap
                Accessible.role: Accessible.StaticText
                Accessible.name: text
                Accessible.ignored: !root.shown
            }
            IconChipButton {
                objectName: "dismissOverheatAlert"
                systemImage: "xmark.circle.fill"
                style: IconChipButton.Bare
                accessibilityLabel: MainWindowTexts.dismissOverheatAlert
                Accessible.ignored: !root.shown
                onClicked: Face.alerts.dismissInAppAlert()
            }
        }
    }

    ParallelAnimation {
        id: arriving
        MotionAnimation {
            target: card
            property: "y"
            from: Theme.reduceMotion ? 0 : -card.height
            to: 0
            spring: Theme.Bouncy
        }
        MotionAnimation {
            target: card
            property: "opacity"
            from: 0
            to: 1
            spring: Theme.Bouncy
        }
    }
    ParallelAnimation {
        id: leaving
        MotionAnimation {
            target: card
            property: "y"
            from: 0
            to: Theme.reduceMotion ? 0 : -card.height
            spring: Theme.Bouncy
        }
        MotionAnimation {
            target: card
            property: "opacity"
            from: 1
            to: 0
            spring: Theme.Bouncy
        }
    }
}
