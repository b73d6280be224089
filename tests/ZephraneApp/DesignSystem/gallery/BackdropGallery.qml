import QtQuick
import QtQuick.Layouts
import Zephrane.Design

// A small window over every backdrop, and a sheet, each with the content
// that reads the backdrop (glass, a plate over a photograph) and the small
// controls: for screenshots in light and dark, with Increase Contrast and
// with Reduce Transparency. Not part of the app. `backdrops` (raw value and
// display name of every backdrop) comes from the gallery program.
Rectangle {
    id: gallery
    width: 1180
    height: 800
    color: Theme.windowBackground

    // Every photograph and thumbnail asked for is on screen (or known to be
    // missing), so a picture shows what the user would see.
    readonly property bool settled: {
        for (let i = 0; i < cells.count; ++i) {
            const cell = cells.itemAt(i)
            if (!cell || !cell.settled) return false
        }
        return sheetCell.settled
    }

    // A window (WindowGlassModifier) or a sheet (SheetRootBackgroundModifier):
    // both are this base with `sheet` set.
    component Cell: BackdropModifier {
        id: cell
        property string title
        readonly property bool settled: (photoLoaded || !hasPhoto) && (backdrop === "system" || ownSwatch.hasThumbnail)
        objectName: (sheet ? "sheet-" : "window-") + backdrop
        width: 280
        height: 180

        RowLayout {
            x: 10; y: 10
            width: parent.width - 20
            spacing: 6
            GlassSurface {
                Layout.preferredWidth: titleText.implicitWidth + 16
                Layout.preferredHeight: 26
                radius: 8
                Text {
                    id: titleText
                    anchors.centerIn: parent
                    text: cell.title
                    font: Theme.fontSubheadlineSemibold
                    color: Theme.primary
                }
            }
            Item { Layout.fillWidth: true }
            IconChipButton { systemImage: "info.circle"; style: IconChipButton.Bare; hoverReveal: true; accessibilityLabel: "Details" }
            IconChipButton { systemImage: "xmark"; accessibilityLabel: "Close" }
        }
        BackdropContentPlateModifier {
            x: 10; y: 46
            width: parent.width - 20
            height: 76
            ColumnLayout {
                anchors.fill: parent
                anchors.margins: 10
                spacing: 6
                Text { text: "Fan 1 · 2 400 rpm"; font: Theme.fontCallout; color: Theme.primary }
                LinearTrack { Layout.preferredWidth: 200; fraction: 0.55; targetFraction: 0.7 }
                Text { text: "Heat sources"; font: Theme.fontCaption2; color: Theme.secondary }
            }
        }
        // Left clear at the bottom left: the gallery's check reads the
        // backdrop's own pixels there.
        Row {
            x: 60; y: 130
            spacing: 4
            SelectableSwatch {
                isSelected: true
                accessibilityLabel: cell.title
                BackdropSwatch { id: ownSwatch; backdrop: cell.backdrop }
            }
            SelectableSwatch {
                accessibilityLabel: "System"
                BackdropSwatch { backdrop: "system" }
            }
        }
    }

    Grid {
        anchors.fill: parent
        anchors.margins: 14
        columns: 4
        spacing: 14
        Repeater {
            id: cells
            model: backdrops
            Cell { backdrop: modelData.raw; title: modelData.name }
        }
        Cell { id: sheetCell; sheet: true; backdrop: "aurora"; title: "Sheet · Aurora" }
    }
}
