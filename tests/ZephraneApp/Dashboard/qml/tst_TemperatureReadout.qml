import QtQuick
import QtTest
import Zephrane.Dashboard

// The large readout as its two callers give it values: the digits follow
// the caller, no reading shows the dash dimmed (also below zero), it reads
// as one element, and a narrow readout shrinks its digits.
Item {
    id: host
    width: 400
    height: 200

    Component {
        id: readoutComponent
        TemperatureReadout {
            unitText: "\u00B0C"
            accessibleName: "Hottest temperature"
        }
    }

    TestCase {
        name: "TemperatureReadout"
        when: windowShown

        function make(properties) {
            const readout = createTemporaryObject(readoutComponent, host, properties)
            verify(readout !== null)
            return readout
        }

        function test_theDigitsFollowTheCaller() {
            const readout = make({temperature: 47.6, digitsText: "47.6", accessibleValue: "47.6 degrees Celsius"})
            const digits = findChild(readout, "readoutText")
            tryCompare(digits, "text", "47.6")
            compare(readout.opacity, 1)
            readout.temperature = 48.2
            readout.digitsText = "48.2"
            tryCompare(digits, "text", "48.2")
            compare(readout.Accessible.name, "Hottest temperature")
            compare(readout.Accessible.description, "47.6 degrees Celsius")
            compare(findChild(readout, "readoutUnit").text, "\u00B0C")
        }

        function test_noReadingIsTheDashDimmed() {
            for (const celsius of [0, -3, NaN, Infinity]) {
                const readout = make({temperature: celsius, digitsText: "-3", tier: TemperatureReadout.Gauge})
                tryCompare(findChild(readout, "readoutText"), "text", "\u2014")
                compare(readout.opacity, 0.45)
                compare(findChild(readout, "readoutUnit").visible, true)
            }
        }

        function test_aNarrowReadoutShrinksItsDigits() {
            const readout = make({temperature: 47.6, digitsText: "1234.5"})
            const digits = findChild(readout, "readoutText")
            tryCompare(digits, "text", "1234.5")
            tryCompare(digits, "shownScale", 1)
            readout.width = readout.implicitWidth * 0.4
            tryVerify(() => digits.shownScale < 1)
            verify(digits.shownScale >= 0.55)
        }
    }
}
