import QtQuick
import QtTest
import Zephrane.MainWindow

// The module's main view loads on the scripted engine without a warning.
TestCase {
    name: "MainWindowLoads"
    when: windowShown
    width: 1100
    height: 800

    Component {
        id: view
        ZephraneMainView {}
    }

    function test_loads() {
        const made = createTemporaryObject(view, this)
        verify(made !== null)
        verify(made.implicitWidth > 0)
    }
}
