import QtQuick
import QtTest
import Zephrane.Onboarding

// The module's main view loads on the scripted engine without a warning.
TestCase {
    name: "OnboardingLoads"
    when: windowShown
    width: 1100
    height: 800

    Component {
        id: view
        FirstRunWizardView {}
    }

    function test_loads() {
        const made = createTemporaryObject(view, this)
        verify(made !== null)
        verify(made.implicitWidth > 0)
    }
}
