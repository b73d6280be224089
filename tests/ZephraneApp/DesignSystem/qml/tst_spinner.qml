import QtQuick
import QtTest
import Zephrane.Design

Item {
    id: scene
    width: 200
    height: 100

    SpinningSymbol {
        id: spinner
        width: 24; height: 24
        color: Theme.primary
    }

    TestCase {
        name: "SpinningSymbol"
        when: windowShown

        function init() {
            // Any warning from QML fails the test that caused it.
            failOnWarning(/.?/)
        }

        function cleanup() {
            themeControl.setOptions(false, false, false)
            spinner.visible = true
            spinner.angularVelocity = 0
        }

        function test_spins_while_asked_then_winds_down_and_stops() {
            verify(!spinner.running)
            spinner.angularVelocity = 12
            verify(spinner.running)
            const start = spinner.angle
            tryVerify(() => spinner.angle !== start, 2000)
            spinner.angularVelocity = 0.2  // below a quarter radian a second: stop
            verify(spinner.running)        // it still runs down
            tryCompare(spinner, "running", false, 10000)
        }

        function test_reduce_motion_freezes_it() {
            spinner.angularVelocity = 12
            tryVerify(() => spinner.angle > 0, 2000)
            themeControl.setOptions(true, false, false)
            verify(!spinner.running)
            themeControl.setOptions(false, false, false)
            verify(spinner.running)
        }

        function test_a_hidden_symbol_draws_no_frames() {
            spinner.angularVelocity = 12
            verify(spinner.running)
            spinner.visible = false
            verify(!spinner.running)
            spinner.visible = true
            verify(spinner.running)
        }

        function test_hidden_from_screen_readers() {
            verify(spinner.Accessible.ignored)
        }
    }
}
