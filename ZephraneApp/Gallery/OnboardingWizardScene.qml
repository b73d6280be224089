import QtQuick
import Zephrane.Design
import Zephrane.Onboarding

// The first-run wizard at its sheet's size on the gallery's plate, opened
// on a step; on the notifications step optionally with the question asked.
GalleryScene {
    id: scene

    property int step: 0
    property bool askNotifications: false

    FirstRunWizardView {
        id: view
        initialStep: scene.step
        Component.onCompleted: {
            if (scene.askNotifications)
                view.wizard.requestNotifications()
        }
    }
}
