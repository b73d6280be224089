import QtQuick
import QtTest
import Zephrane.Dashboard
import Zephrane.Face

// The device sensor row alone, as the dashboard's sensors card places it:
// a click, Return or Space asks the caller to expand it; a row without taps
// takes no focus and leaves the keys alone; the history shows while
// expanded; the pin button pins a pinnable row.
Item {
    id: host
    width: 420
    height: 300

    Component {
        id: rowComponent
        DeviceSensorRow {
            width: 400
            readingId: "cpu.avg"
        }
    }

    TestCase {
        name: "DeviceSensorRow"
        when: windowShown

        function make(properties) {
            viewTest.stage("sensor-list", "essentials")
            viewTest.clearCommands()
            const row = createTemporaryObject(rowComponent, host, properties || {})
            verify(row !== null)
            return row
        }

        function test_clickReturnAndSpaceAskToExpand() {
            const row = make()
            const taps = createTemporaryObject(signalSpyComponent, row, {target: row, signalName: "tapped"})
            mouseClick(row, 40, 10)
            compare(taps.count, 1)
            row.forceActiveFocus()
            keyClick(Qt.Key_Return)
            keyClick(Qt.Key_Space)
            compare(taps.count, 3)
            compare(row.Accessible.role, Accessible.Button)
            compare(row.Accessible.description, "Expands the history graph.")
            verify(row.Accessible.name.startsWith("CPU Core Average, "))
        }

        function test_aRowWithoutTapsTakesNoFocusAndIgnoresTheKeys() {
            const row = make({interactive: false})
            const taps = createTemporaryObject(signalSpyComponent, row, {target: row, signalName: "tapped"})
            verify(!row.activeFocusOnTab)
            row.forceActiveFocus()
            keyClick(Qt.Key_Return)
            mouseClick(row, 40, 10)
            compare(taps.count, 0)
            compare(findChild(row, "deviceRowChevron").visible, false)
            compare(row.Accessible.description, "")
        }

        function test_theHistoryShowsWhileExpanded() {
            const row = make()
            compare(findChild(row, "deviceRowGraph"), null, "a collapsed row builds no graph")
            const collapsed = row.implicitHeight
            row.isExpanded = true
            tryVerify(() => findChild(row, "deviceRowGraph") !== null)
            tryVerify(() => row.implicitHeight > collapsed + 30)
            verify(findChild(row, "deviceRowGraph").samples.length > 10)
            verify(findChild(row, "deviceRowMin").text.startsWith("min "))
            verify(row.Accessible.description.indexOf("ranging") > 0)
            tryCompare(findChild(row, "deviceRowChevron"), "rotation", 90)
            viewTest.setReduceMotion(true)
            tryCompare(findChild(row, "deviceRowChevron"), "rotation", 0, 1000, "the chevron never turns under Reduce Motion")
            viewTest.setReduceMotion(false)
        }

        function test_thePinButtonPinsOnlyAPinnableRow() {
            const plain = make({readingId: "TB0T"})
            compare(findChild(plain, "deviceRowPin").visible, false)
            const row = make({readingId: "TB0T", isPinnableKey: true})
            const pin = findChild(row, "deviceRowPin")
            verify(pin.visible)
            compare(pin.accessibilityLabel, "Pin Battery")
            mouseClick(pin)
            compare(viewTest.commands(), ["TogglePin(TB0T)"])
            compare(pin.accessibilityLabel, "Unpin Battery")
        }
    }

    Component {
        id: signalSpyComponent
        SignalSpy {}
    }
}
