import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Zephrane.Design

// The app's segmented control: text segments on one glass plate, the
// selected one under a glass highlight that slides from segment to segment
// (or fades, under Reduce Motion). Clicking the selected segment again
// clears the selection where `allowsDeselect`. The arrow keys move the
// keyboard focus between segments without wrapping and leave the selection
// alone; Space or Return chooses the focused segment.
//
// `segments`: [{id, title, accessibilityHint}]. `selection`: an id, or
// undefined for none. Every choice writes `selection` and emits `activated`
// with it, also when it is unchanged.
Item {
    id: root

    enum Size { Regular, Compact }

    property var segments: []
    property var selection
    property bool allowsDeselect: false
    property int size: GlassTabs.Regular
    property string accessibilityLabel
    // The id of the segment holding keyboard focus; undefined for none.
    property var focusedId

    signal activated(var selection)

    readonly property var metrics: Rules.tabsMetrics(size === GlassTabs.Compact)
    readonly property var ids: segments.map(segment => segment.id)
    readonly property int selectedIndex: Rules.indexOfId(ids, selection)

    implicitWidth: row.implicitWidth + 2 * metrics.platePadding
    implicitHeight: metrics.controlHeight
    opacity: Rules.enabledOpacity(enabled)

    Accessible.role: Accessible.PageTabList
    Accessible.name: accessibilityLabel

    function choose(id) {
        const chosen = Rules.tabsTap(selection, id, allowsDeselect)
        selection = chosen
        activated(chosen)
    }

    function moveFocus(key) {
        const target = Rules.tabsMove(ids, focusedId, selection, key)
        const index = Rules.indexOfId(ids, target)
        if (index < 0)
            return
        focusedId = target
        repeater.itemAt(index).forceActiveFocus(Qt.TabFocusReason)
    }

    // Places the sliding highlight on the selected segment; it slides only
    // from a segment it already shows on.
    function placeHighlight() {
        const segment = selectedIndex >= 0 ? repeater.itemAt(selectedIndex) : null
        if (segment === null) {
            highlight.shown = false
            return
        }
        highlight.sliding = highlight.shown
        highlight.x = segment.x + row.x
        highlight.width = segment.width
        highlight.shown = true
    }

    onSelectedIndexChanged: placeHighlight()

    GlassSurface {
        anchors.fill: parent
        radius: root.metrics.plateRadius
    }

    GlassCardSurface {
        id: highlight

        property bool shown: false
        property bool sliding: false

        y: row.y
        height: row.height
        radius: root.metrics.segmentRadius
        visible: !Theme.reduceMotion && opacity > 0
        opacity: Rules.hoverOpacity(Rules.Glass, shown)

        Behavior on x {
            enabled: highlight.sliding
            MotionAnimation {}
        }
        Behavior on width {
            enabled: highlight.sliding
            MotionAnimation {}
        }
        Behavior on opacity {
            MotionAnimation {}
        }
    }

    RowLayout {
        id: row
        anchors.fill: parent
        anchors.margins: root.metrics.platePadding
        spacing: root.metrics.segmentSpacing

        onWidthChanged: root.placeHighlight()

        Repeater {
            id: repeater
            model: root.segments
            onItemAdded: root.placeHighlight()

            delegate: T.AbstractButton {
                id: segment

                required property var modelData
                required property int index
                readonly property bool selected: Rules.sameId(root.selection, modelData.id)

                Layout.fillWidth: true
                Layout.minimumWidth: root.metrics.segmentMinimumWidth
                Layout.preferredWidth: Math.max(implicitWidth, root.metrics.segmentMinimumWidth)
                Layout.preferredHeight: root.metrics.segmentHeight
                implicitWidth: title.implicitWidth + 2 * root.metrics.titlePadding
                implicitHeight: root.metrics.segmentHeight
                focusPolicy: Qt.TabFocus
                hoverEnabled: true
                text: modelData.title
                // A toggle to assistive technologies, on while selected.
                // Clicking would flip `checked` by itself; the selection
                // decides it, so the binding is put back after every click.
                checkable: true
                checked: selected

                Accessible.role: Accessible.Button
                Accessible.name: modelData.title
                Accessible.description: modelData.accessibilityHint || ""
                Accessible.selectable: true
                Accessible.selected: selected
                Accessible.onPressAction: segment.clicked()
                Accessible.onToggleAction: segment.clicked()

                onClicked: {
                    root.choose(modelData.id)
                    checked = Qt.binding(() => segment.selected)
                }
                onXChanged: root.placeHighlight()
                onWidthChanged: root.placeHighlight()
                onActiveFocusChanged: {
                    if (activeFocus)
                        root.focusedId = modelData.id
                    else if (Rules.sameId(root.focusedId, modelData.id))
                        root.focusedId = undefined
                }
                Keys.onPressed: event => {
                    if (Rules.isArrowKey(event.key)) {
                        root.moveFocus(event.key)
                        event.accepted = true
                    }
                }
                Keys.onReturnPressed: segment.clicked()
                Keys.onEnterPressed: segment.clicked()

                background: Item {
                    // Under Reduce Motion each segment fades its own highlight.
                    GlassCardSurface {
                        anchors.fill: parent
                        radius: root.metrics.segmentRadius
                        visible: Theme.reduceMotion && opacity > 0
                        opacity: Rules.hoverOpacity(Rules.Glass, segment.selected)
                        Behavior on opacity {
                            MotionAnimation {}
                        }
                    }
                    HoverHighlight {
                        anchors.fill: parent
                        radius: root.metrics.segmentRadius
                        hovering: segment.hovered
                    }
                    FocusRing {
                        radius: root.metrics.segmentRadius
                        focused: segment.activeFocus
                    }
                }
                contentItem: Text {
                    id: title
                    text: segment.modelData.title
                    font: Theme.fontCalloutMedium
                    color: Theme.primary
                    elide: Text.ElideRight
                    maximumLineCount: 1
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                    Accessible.ignored: true
                }
            }
        }
    }
}
