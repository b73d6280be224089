import QtQuick
import Zephrane.Design
import Zephrane.Settings

// The settings form on the gallery's plate: the whole form unscrolled, or a
// window of it scrolled to one section; recording a shortcut, asking to
// restore the defaults, with the alert rows opened or updates configured,
// as the state asks.
GalleryScene {
    id: scene

    property string scrollTo: ""
    property bool recording: false
    property bool confirmingRestore: false
    property bool updates: false
    property bool expanded: false

    // What the shell's updater view model offers the form.
    QtObject {
        id: configuredUpdater
        property bool canCheckForUpdates: true
        property bool automaticallyChecksForUpdates: true
        function checkForUpdates() {}
    }

    // Once the form is on screen and laid out (its thumbnails come later
    // still), as a user would: scrolled to the section, recording, asking
    // to restore.
    settled: shown
    property bool shown: false
    Timer {
        running: view.backdropThumbnailsLoaded
        interval: 0
        onTriggered: {
            if (scene.scrollTo.length > 0)
                view.showSection(scene.scrollTo)
            if (scene.recording)
                view.recorder.startRecording()
            if (scene.confirmingRestore)
                view.form.askToRestoreDefaults()
            scene.shown = true
        }
    }

    SettingsView {
        id: view
        width: 760
        height: scene.scrollTo.length > 0 ? 720 : view.formHeight
        updater: scene.updates ? configuredUpdater : null

        Component.onCompleted: {
            if (scene.expanded) {
                view.alertRules.setExpanded(0, true)
                view.alertRules.setExpanded(4, true)
            }
        }
    }
}
