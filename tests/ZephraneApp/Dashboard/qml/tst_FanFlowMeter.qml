import QtQuick
import QtTest
import Zephrane.Dashboard
import Zephrane.Face

// The fan gauge on the scripted engine: the slider shows only under manual
// control, in the regular gauge; a drag sets the fan's target at every
// step and shows the target caption while it lasts; the keyboard steps it.
Item {
    id: host
    width: 500
    height: 300

    Component {
        id: regular
        FanFlowMeter {
            fanId: 0
            sortedIDs: [0, 1]
        }
    }
    Component {
        id: mini
        FanFlowMeter {
            fanId: 1
            sortedIDs: [0, 1]
            style: FanFlowMeter.Mini
        }
    }

    TestCase {
        name: "FanFlowMeter"
        when: windowShown

        function make(component, state) {
            viewTest.stage("fan-gauge", state)
            viewTest.clearCommands()
            const gauge = createTemporaryObject(component, host)
            verify(gauge !== null)
            return gauge
        }

        function test_theGaugeReadsItsFan() {
            const gauge = make(regular, "laptop")
            compare(findChild(gauge, "fanSpeed").text, "2 460")
            compare(findChild(gauge, "fanReadout").Accessible.name, "Left Fan, 2460 RPM, target 2900")
            verify(findChild(gauge, "fanTrack").targetFraction !== undefined)
            compare(findChild(gauge, "fanTargetSlider").enabled, false)
            verify(gauge.implicitWidth > 100 && gauge.implicitHeight > 50)
            const small = make(mini, "laptop")
            compare(findChild(small, "fanReadout").Accessible.name, "Right Fan, 2515 RPM")
            compare(findChild(small, "fanTargetSlider"), null, "the mini gauge has no slider")
            compare(findChild(small, "fanTrack").targetFraction, undefined)
        }

        function test_draggingTheSliderSetsTheTargetAtEveryStep() {
            const gauge = make(regular, "on-battery")
            const slider = findChild(gauge, "fanTargetSlider")
            tryCompare(slider, "visible", true)
            tryVerify(() => slider.height > 0 && slider.enabled)
            const caption = findChild(gauge, "fanTargetCaption")
            compare(caption.visible, false)
            const y = slider.height / 2
            mousePress(slider, 4, y)
            verify(gauge.isDraggingManualTarget)
            tryCompare(caption, "visible", true)
            compare(caption.text, "target 2 400 RPM")
            mouseMove(slider, slider.width / 2, y)
            mouseMove(slider, slider.width - 4, y)
            mouseRelease(slider, slider.width - 4, y)
            verify(!gauge.isDraggingManualTarget)
            tryCompare(caption, "visible", false)
            const asked = viewTest.commands()
            verify(asked.length >= 2, asked)
            for (const command of asked)
                verify(command.startsWith("SetFanTarget(0, "), command)
            const last = parseFloat(asked[asked.length - 1].split(", ")[1])
            verify(last > 5000 && last <= 5779, last)
            const first = parseFloat(asked[0].split(", ")[1])
            verify(first < last)
        }

        function test_theKeyboardStepsTheSlider() {
            const gauge = make(regular, "on-battery")
            const slider = findChild(gauge, "fanTargetSlider")
            tryVerify(() => slider.enabled)
            slider.forceActiveFocus()
            keyClick(Qt.Key_Right)
            compare(viewTest.commands().length, 1)
            verify(viewTest.commands()[0].startsWith("SetFanTarget(0, "))
        }

        function test_leavingManualControlTakesTheSliderAway() {
            const gauge = make(regular, "on-battery")
            const slider = findChild(gauge, "fanTargetSlider")
            tryVerify(() => slider.enabled)
            viewTest.stage("fan-gauge", "laptop")
            compare(slider.enabled, false)
            tryVerify(() => !slider.parent.parent.visible, 2000, "the manual group fades out")
        }

        function test_noReadingShowsADash() {
            const gauge = make(regular, "no-reading")
            compare(findChild(gauge, "fanSpeed").text, "\u2014")
            compare(findChild(gauge, "fanReadout").Accessible.name, "Left Fan, no reading")
        }

        function test_theRegularGaugeStandsStillWhileTheWindowIsHidden() {
            const gauge = make(regular, "laptop")
            const symbol = findChild(gauge, "fanSymbol")
            verify(symbol.angularVelocity > 0)
            Face.shell.mainWindowVisible = false
            compare(symbol.angularVelocity, 0)
            const small = make(mini, "laptop")
            verify(findChild(small, "fanSymbol").angularVelocity > 0, "the panel's gauges keep turning")
            Face.shell.mainWindowVisible = true
        }
    }
}
