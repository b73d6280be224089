import QtQuick
import Zephrane.Design

// A sheet's root: the selected backdrop behind the whole sheet, as the main
// window has it, and whether a photograph lies behind handed down to
// everything inside. Under Reduce Transparency the theme's opaque window
// background, not the material. Put the sheet's content inside it.
BackdropModifier {
    sheet: true
}
