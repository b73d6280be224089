import QtQuick
import QtTest
import Zephrane.Dashboard

// The hero and power cards on the gallery's laptop: what they show and what
// their rows read out, and that they take their row's height when asked.
Item {
    id: host
    width: 900
    height: 700

    Component {
        id: heroComponent
        TemperatureHeroView { width: 420 }
    }
    Component {
        id: powerComponent
        DashboardPowerCard { width: 420 }
    }

    TestCase {
        name: "DashboardCards"
        when: windowShown

        function test_theHeroCard() {
            viewTest.stage("temperature-hero", "laptop")
            const card = createTemporaryObject(heroComponent, host)
            const readout = findChild(card, "heroReadout")
            tryCompare(findChild(readout, "readoutText"), "text", "61.4")
            compare(readout.Accessible.name, "Hottest temperature")
            compare(readout.Accessible.description, "61.4 degrees Celsius")
            const ram = findChild(card, "loadRow_RAM")
            compare(ram.Accessible.description, "63 percent, 20.1 GB of 32.0 GB")
            compare(findChild(ram, "loadPercent").text, "63%")
            const gpuBar = findChild(findChild(card, "loadRow_GPU"), "loadBar")
            verify(gpuBar.width >= 6)
            const natural = card.height
            card.stretchesVertically = true
            card.height = natural + 120
            verify(readout.mapToItem(card, 0, 0).y > 100, "the reading moves down into the room")

            viewTest.stage("temperature-hero", "no-reading")
            tryCompare(findChild(readout, "readoutText"), "text", "\u2014")
            compare(readout.Accessible.description, "no reading")
        }

        function test_thePowerCard() {
            viewTest.stage("power-card", "laptop")
            const card = createTemporaryObject(powerComponent, host)
            compare(findChild(card, "powerCharge").text, "Charging")
            compare(findChild(card, "powerSummaryValue").text, "80%")
            verify(findChild(card, "batteryHealth").visible)
            compare(findChild(card, "batteryHealth").Accessible.description, "87% maximum capacity")
            viewTest.stage("power-card", "no-reading")
            compare(findChild(card, "powerSummaryValue").text, "Unknown")
            verify(!findChild(card, "batteryHealth").visible)
            compare(findChild(card, "powerSymbol").name, "bolt.slash")
        }
    }
}
