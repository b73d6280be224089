// The stored Dock preference at launch, on a desktop of its own
// (scripts/desktop: Xvfb, openbox, trayer): with "Show icon in Dock" off in
// the settings file, the app's main window is left out of the task bar from
// the start, without the settings form ever being shown.
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "tests/integration/DesktopX.hpp"

namespace zephrane {
namespace {

using integration::DesktopX;
using namespace std::chrono_literals;

bool waitFor(const std::function<bool()>& condition, std::chrono::seconds deadline = 30s) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(20ms);  // between looks at the X server
    }
    return true;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

bool skipsTaskbar(DesktopX& x, xcb_window_t window) {
    xcb_connection_t* c = x.connection();
    const xcb_atom_t state = atom(c, "_NET_WM_STATE");
    const xcb_atom_t skip = atom(c, "_NET_WM_STATE_SKIP_TASKBAR");
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, state, XCB_ATOM_ATOM, 0, 64), nullptr), &std::free);
    if (!reply || reply->format != 32) return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / static_cast<int>(sizeof(xcb_atom_t));
    for (int i = 0; i < count; ++i)
        if (atoms[i] == skip) return true;
    return false;
}

class DockPreferenceAtLaunch : public testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "runs under scripts/desktop";
        ASSERT_TRUE(x.connected());
    }
    void TearDown() override {
        if (app.state() != QProcess::NotRunning) {
            app.terminate();
            if (!app.waitForFinished(10000)) app.kill();
            app.waitForFinished();
        }
    }

    // Starts the app with "Show icon in Dock" stored as `show`, and gives
    // its main window once the window manager shows it.
    std::optional<xcb_window_t> launch(bool show) {
        QSettings stored(home.path() + "/config/Zephrane/com.zephrane.app.ini", QSettings::IniFormat);
        stored.setValue("com.zephrane.showDockIcon", show);
        stored.setValue("com.zephrane.hasCompletedFirstRunSetup", true);
        stored.sync();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_DATA_HOME", home.path() + "/data");
        environment.insert("XDG_CONFIG_HOME", home.path() + "/config");
        // No simulated machine: the app starts without one.
        environment.insert("ZEPHRANE_SIM_DIR", home.path() + "/no-machine");
        environment.insert("ZEPHRANE_XPC_DIR", home.path() + "/no-machine");
        app.setProcessEnvironment(environment);
        app.setProcessChannelMode(QProcess::MergedChannels);
        app.setStandardOutputFile(home.path() + "/app.log");
        app.start(ZEPHRANE_APP_PROGRAM, {});
        if (!app.waitForStarted()) return std::nullopt;
        std::optional<xcb_window_t> window;
        waitFor([&] { return (window = x.findViewable("Brumalune")).has_value(); });
        return window;
    }

    DesktopX x;
    QTemporaryDir home;
    QProcess app;
};

TEST_F(DockPreferenceAtLaunch, AHiddenDockIconKeepsTheMainWindowOutOfTheTaskBarFromTheStart) {
    const auto window = launch(false);
    ASSERT_TRUE(window.has_value()) << "the main window did not show";
    EXPECT_TRUE(waitFor([&] { return skipsTaskbar(x, *window); }));
}

}  // namespace
}  // namespace zephrane
