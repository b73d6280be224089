import QtQuick
import QtTest
import Zephrane.Dashboard
import Zephrane.Face

// The sensor list on the simulated laptop's sensors: the keyboard alone
// walks it (Tab into the list, arrows between rows, Return or Space expands,
// the menu key pins), the search filters it, and the filter stores its
// choice.
Item {
    id: host
    width: 900
    height: 800

    Component {
        id: viewComponent
        SensorsView {
            width: 800
            height: 760
        }
    }

    TestCase {
        name: "SensorsView"
        when: windowShown

        function makeView(state) {
            viewTest.stage("sensor-list", state)
            viewTest.clearCommands()
            const view = createTemporaryObject(viewComponent, host)
            verify(view !== null)
            return view
        }

        function list(view, name) {
            const found = findChild(view, name)
            verify(found !== null, name)
            return found
        }

        function type(text) {
            for (const character of text)
                keyClick(character)
        }

        function test_tabIntoTheListArrowsAndReturnExpands() {
            const view = makeView("essentials")
            const essentials = list(view, "essentialsList")
            tryCompare(essentials, "visible", true)
            verify(essentials.count > 10)
            const search = findChild(view, "sensorSearch")
            search.forceActiveFocus()
            // The field, the filter's two segments, then the list.
            for (let i = 0; i < 6 && !essentials.activeFocus; ++i)
                keyClick(Qt.Key_Tab)
            verify(essentials.activeFocus, "Tab reaches the list")
            compare(essentials.currentIndex, 0)
            verify(essentials.currentItem.activeFocus, "the current row holds the focus")

            keyClick(Qt.Key_Down)
            keyClick(Qt.Key_Down)
            compare(essentials.currentIndex, 2)
            verify(essentials.currentItem.activeFocus)
            const third = essentials.currentItem
            keyClick(Qt.Key_Return)
            compare(view.expandedSensorID, third.readingId)
            verify(third.isExpanded)

            keyClick(Qt.Key_Down)
            keyClick(Qt.Key_Space)
            compare(view.expandedSensorID, essentials.currentItem.readingId, "Space expands another, one at a time")
            verify(!third.isExpanded)
            keyClick(Qt.Key_Space)
            compare(view.expandedSensorID, "", "and collapses it again")
            keyClick(Qt.Key_Up)
            compare(essentials.currentIndex, 2)
        }

        function test_theMenuKeyPinsTheFocusedRow() {
            const view = makeView("all")
            const grouped = list(view, "groupedList")
            tryCompare(grouped, "visible", true)
            grouped.forceActiveFocus()
            keyClick(Qt.Key_Down)
            const row = grouped.currentItem
            const key = row.key
            keyClick(Qt.Key_Menu)
            keyClick(Qt.Key_Return)
            compare(viewTest.commands(), ["TogglePin(" + key + ")"])
            // The scripted engine stores the pin: the row moves to Pinned.
            tryVerify(() => grouped.model.groupCounts["Pinned"] === "1")
            grouped.forceLayout()
            const pinned = grouped.itemAtIndex(0)
            compare(pinned.key, key)
            verify(pinned.spokenText.endsWith(", pinned"))
        }

        function test_theMenuKeyPinsADeviceRowThatNamesASensor() {
            const view = makeView("essentials")
            const essentials = list(view, "essentialsList")
            tryCompare(essentials, "visible", true)
            essentials.forceActiveFocus()
            // The battery's row is a sensor's key; the CPU average is not.
            let battery = -1
            for (let i = 0; i < essentials.count; ++i)
                if (essentials.itemAtIndex(i) && essentials.itemAtIndex(i).readingId === "TB0T")
                    battery = i
            verify(battery >= 0)
            essentials.currentIndex = battery
            verify(essentials.currentItem.isPinnableKey)
            keyClick(Qt.Key_Menu)
            keyClick(Qt.Key_Return)
            compare(viewTest.commands(), ["TogglePin(TB0T)"])
        }

        function test_theSearchFiltersAndHidesTheFilter() {
            const view = makeView("essentials")
            const search = findChild(view, "sensorSearch")
            const filter = findChild(view, "sensorFilter")
            const count = findChild(view, "sensorCount")
            mouseClick(search)
            keyClick(Qt.Key_Space)
            verify(filter.visible, "a space is no search")
            compare(count.text.indexOf("key readings") > 0, true)
            type("core")
            compare(view.query, " core")
            const grouped = list(view, "groupedList")
            tryCompare(grouped, "visible", true)
            verify(!filter.visible)
            verify(grouped.count > 0)
            compare(count.text, grouped.count + " of " + Face.sensors.allSensors.count)
            type("zzqq")
            tryCompare(findChild(view, "sensorsEmpty"), "visible", true)
            compare(count.text, "0 of " + Face.sensors.allSensors.count)
            keyClick(Qt.Key_Escape)
            compare(view.query, "")
            tryCompare(list(view, "essentialsList"), "visible", true)
            verify(filter.visible)
            compare(viewTest.commands(), [], "searching asks nothing of the engine")
        }

        function test_theFilterStoresTheChoice() {
            const view = makeView("essentials")
            const filter = findChild(view, "sensorFilter")
            filter.activated("all")
            tryCompare(list(view, "groupedList"), "visible", true)
            filter.activated("essentials")
            compare(viewTest.commands(), ["ChangeSetting(showAllSensors, true)", "ChangeSetting(showAllSensors, false)"])
        }

        function test_thePinButtonPins() {
            const view = makeView("pinned")
            const grouped = list(view, "groupedList")
            tryCompare(grouped, "visible", true)
            const first = grouped.itemAtIndex(0)
            const pin = findChild(first, "sensorRowPin")
            mouseClick(pin)
            compare(viewTest.commands(), ["TogglePin(" + first.key + ")"])
        }
    }
}
