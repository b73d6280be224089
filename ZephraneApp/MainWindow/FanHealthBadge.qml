import QtQuick
import QtQuick.Controls as Controls
import Zephrane.Design
import Zephrane.MainWindow

// The warning triangle over a fan's gauge while its health monitor finds
// it stalled or held back; nothing otherwise.
Item {
    id: root

    // "", "stalled" or "underperforming", as the fan list says.
    property string warning
    property string help
    property string accessibilityLabel

    visible: warning !== ""
    implicitWidth: symbol.implicitWidth
    implicitHeight: symbol.implicitHeight

    Accessible.role: Accessible.StaticText
    Accessible.name: accessibilityLabel
    Accessible.ignored: !visible

    SymbolIcon {
        id: symbol
        name: "exclamationmark.triangle.fill"
        color: Theme.warningColor
        size: Theme.symbolSize(Theme.fontSubheadlineSemibold)
        Accessible.ignored: true
    }
    HoverHandler {
        id: hover
    }
    Controls.ToolTip.text: root.help
    Controls.ToolTip.visible: hover.hovered && root.visible
    Controls.ToolTip.delay: 800
}
