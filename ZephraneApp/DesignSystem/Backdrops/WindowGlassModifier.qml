import QtQuick
import Zephrane.Design

// The main window's root: the selected backdrop behind the whole window,
// title bar included, and whether a photograph lies behind handed down to
// everything inside (`BackdropHasPhotoKey.backdropHasPhoto`). Under Reduce
// Transparency, for "System" and for a photograph that cannot be shown,
// the window material. Put the window's content inside it.
BackdropModifier {
    sheet: false
}
