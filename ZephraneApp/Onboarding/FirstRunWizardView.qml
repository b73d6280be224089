import QtQuick
import Zephrane.Design
import Zephrane.Face

// The first-run wizard, shown in a sheet of the main window while first-run
// setup is not complete.
Item {
    id: root

    // The wizard asks its sheet to close (Finish, or Skip on the last step).
    // Any dismissal of the sheet completes first-run setup; the host does that.
    signal dismissRequested()

    implicitWidth: 460
    implicitHeight: 420

    Text {
        text: "Welcome"
        color: Theme.secondary
    }
}
