import QtQuick
import Zephrane.Design

// The window's own material: the backdrop "System", and the stand-in
// wherever no photograph can show. See-through only where a compositor
// blends the window with the desktop (and the window itself is
// transparent); opaque without one and under Reduce Transparency. It takes
// no pointer events.
Rectangle {
    property bool compositing: Rules.windowCompositing()

    color: Rules.windowMaterialFill(Theme.reduceTransparency, compositing, Theme.dark)
    Accessible.ignored: true
}
