import QtQuick
import Zephrane.Modes

// The mode editor sheet on its own: blank, or for the listed mode `modeId`.
GalleryScene {
    id: scene
    property string modeId

    ModesScreen {
        id: screen
        Component.onCompleted: {
            if (scene.modeId.length > 0)
                screen.editMode(scene.modeId)
            else
                screen.newMode()
        }
    }
    ModeEditorSheet {
        editor: screen.editor
    }
}
