// The real app on a throw-away desktop (scripts/desktop: Xvfb, openbox,
// trayer) against the simulated machine and the real daemon, driven the way
// a user would, with keys and clicks through XTEST: the tray icon, the panel
// under it, the hot key, the tray menu, and SIGTERM at the end with every
// fan back on automatic.
#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "tests/integration/DesktopX.hpp"
#include "tests/integration/SimProgram.hpp"

namespace zephrane {
namespace {

using integration::DesktopX;
using integration::KeyboardGrabWatch;
using integration::SimProgram;
namespace keysym = integration::keysym;
using namespace std::chrono_literals;

bool waitFor(const std::function<bool()>& condition, std::chrono::seconds deadline = std::chrono::seconds(30)) {
    return sim::testing::eventually(condition, deadline);
}

class DesktopEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "runs under scripts/desktop";
        ASSERT_TRUE(x.connected()) << "no X server with XTEST";
        ASSERT_TRUE(keyboard.connected());
        ASSERT_TRUE(sim.waitUntilServing()) << sim.log();
        const QString dir = QString::fromStdString(sim.dir().string());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ZEPHRANE_SIM_DIR", dir);
        environment.insert("ZEPHRANE_XPC_DIR", dir);
        environment.insert("XDG_DATA_HOME", home.path() + "/data");
        environment.insert("XDG_CONFIG_HOME", home.path() + "/config");
        daemon.setProcessEnvironment(environment);
        daemon.setProcessChannelMode(QProcess::MergedChannels);
        daemon.setStandardOutputFile(home.path() + "/daemon.log");
        daemon.start(ZEPHRANE_DAEMON_PROGRAM, {});
        ASSERT_TRUE(daemon.waitForStarted());
        ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(dir + "/com.zephrane.Fanwarden.xpc"); }));
        app.setProcessEnvironment(environment);
        app.setProcessChannelMode(QProcess::MergedChannels);
        app.setStandardOutputFile(home.path() + "/app.log");
        app.start(ZEPHRANE_APP_PROGRAM, {});
        ASSERT_TRUE(app.waitForStarted());
    }

    void TearDown() override {
        if (app.state() != QProcess::NotRunning) {
            app.kill();
            app.waitForFinished();
        }
        if (daemon.state() != QProcess::NotRunning) {
            daemon.terminate();
            daemon.waitForFinished();
        }
    }

    // The app's log, then the daemon's: a refused link shows only there.
    std::string logs() const {
        std::string text;
        for (const char* name : {"/app.log", "/daemon.log"}) {
            QFile file(home.path() + name);
            file.open(QIODevice::ReadOnly);
            text += std::string("--- ") + (name + 1) + "\n" + file.readAll().toStdString();
        }
        return text;
    }

    int fanMode(int fan) {
        const std::string key = "F" + std::to_string(fan) + "Md";
        return static_cast<int>(sim.control({{"command", "readKey"}, {"key", key}})["value"].get<double>());
    }

    std::optional<DesktopX::Rect> viewable(const std::string& title) {
        const auto window = x.findViewable(title);
        return window ? x.geometry(*window) : std::nullopt;
    }

    DesktopX x;
    KeyboardGrabWatch keyboard;
    QTemporaryDir home;
    SimProgram sim{{"--machine", "two-fan-laptop", "--allow-writers", "any"}};
    QProcess daemon;
    QProcess app;
};

TEST_F(DesktopEndToEnd, TrayPanelHotKeyMenuAndAnOrderlyEnd) {
    const QString marker = home.path() + "/data/Zephrane/run.marker";

    // The main window opens at its size, the icon docks in the tray (the
    // tray host's strip along the top, the icon at its right end).
    std::optional<DesktopX::Rect> main;
    ASSERT_TRUE(waitFor([&] { return (main = viewable("Brumalune")).has_value(); })) << logs();
    EXPECT_EQ(main->width, 1100);
    EXPECT_EQ(main->height, 800);
    std::optional<DesktopX::Rect> tray;
    ASSERT_TRUE(waitFor([&] { return (tray = viewable("panel")) && tray->width >= 16; })) << logs();
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(marker); }));
    const DesktopX::Rect icon{tray->x + tray->width - 24, tray->y, 24, tray->height};
    auto clickIcon = [&](std::uint8_t button) { x.clickAt(icon.x + 12, icon.y + icon.height / 2, button); };

    // The tray menu takes the keyboard once it is up; keys typed before
    // would go elsewhere. A click that comes while the window manager still
    // handles a closed window can be lost on the way: clicked again, each
    // time only after the menu had its chance to show.
    auto openTrayMenu = [&] {
        for (int attempt = 0; attempt < 5; ++attempt) {
            keyboard.takeFocus();
            clickIcon(3);
            if (keyboard.waitForGrab(3s)) return true;
        }
        return false;
    };
    auto type = [&](std::initializer_list<xcb_keysym_t> keys) {
        for (const xcb_keysym_t key : keys) x.chord({}, key);
    };

    // From the tray menu: the main window after it was closed, then the Max
    // preset (manual control).
    x.close(*x.findViewable("Brumalune"));
    ASSERT_TRUE(waitFor([&] { return !viewable("Brumalune").has_value(); }));
    ASSERT_TRUE(openTrayMenu()) << logs();
    type({keysym::down, keysym::returnKey});  // "Open Brumalune"
    ASSERT_TRUE(waitFor([&] { return (main = viewable("Brumalune")).has_value(); })) << logs();
    EXPECT_EQ(main->width, 1100);
    ASSERT_TRUE(openTrayMenu()) << logs();
    type({keysym::down, keysym::down, keysym::right});                              // "Fans", its first entry
    type({keysym::down, keysym::down, keysym::down, keysym::returnKey});            // "Max"
    EXPECT_TRUE(keyboard.waitForRelease(30s)) << "the menu stayed open";
    EXPECT_TRUE(waitFor([&] { return fanMode(0) == 1; }, 60s)) << logs();

    // At full speed the icon turns: its pixels in the tray go through
    // several frames, each with the fan drawn on the tray's background.
    std::set<std::vector<std::uint8_t>> frames;
    EXPECT_TRUE(waitFor([&] {
        const auto shot = x.pixels(x.root(), icon.x, icon.y, icon.width, icon.height);
        std::set<std::uint32_t> colours;
        for (std::size_t i = 0; i + 4 <= shot.size(); i += 4)
            colours.insert(std::uint32_t(shot[i]) | std::uint32_t(shot[i + 1]) << 8 | std::uint32_t(shot[i + 2]) << 16);
        if (colours.size() > 4) frames.insert(shot);  // a fan, not an empty square
        return frames.size() >= 4;
    })) << "the icon did not turn: " << frames.size() << " frames seen";

    // A click shows the panel under the icon; a second click hides it.
    auto panelShown = [&] { return viewable("Brumalune Panel").has_value(); };
    clickIcon(1);
    std::optional<DesktopX::Rect> panel;
    ASSERT_TRUE(waitFor([&] {
        panel = viewable("Brumalune Panel");
        return panel && panel->y > icon.y + icon.height;  // the entrance slide ended
    })) << logs();
    EXPECT_LE(std::abs(panel->x + panel->width - (icon.x + icon.width)), 12 + 1);
    clickIcon(1);
    ASSERT_TRUE(waitFor([&] { return !panelShown(); })) << logs();
    // Two quick clicks, as a user's double click: the first opens, the
    // second closes (Qt calls the second a double click, not a click).
    clickIcon(1);
    ASSERT_TRUE(waitFor(panelShown)) << logs();
    clickIcon(1);
    ASSERT_TRUE(waitFor([&] { return !panelShown(); })) << logs();

    // The summon hot key toggles it too; the panel takes the keyboard, so
    // Escape closes it.
    x.chord({keysym::altL, keysym::shiftL}, keysym::f);
    ASSERT_TRUE(waitFor(panelShown)) << logs();
    const xcb_window_t panelWindow = *x.findViewable("Brumalune Panel");
    ASSERT_TRUE(waitFor([&] { return x.focus() == panelWindow; })) << "the panel did not take the focus";
    x.chord({}, keysym::escape);
    ASSERT_TRUE(waitFor([&] { return !panelShown(); })) << logs();
    x.chord({keysym::altL, keysym::shiftL}, keysym::f);
    ASSERT_TRUE(waitFor(panelShown)) << logs();
    x.chord({keysym::altL, keysym::shiftL}, keysym::f);
    ASSERT_TRUE(waitFor([&] { return !panelShown(); })) << logs();

    // Another program's grab of the same key is a conflict.
    QProcess probe;
    probe.start(ZEPHRANE_HOTKEY_PROBE, {"3", "2560"});
    ASSERT_TRUE(probe.waitForFinished(20000));
    EXPECT_EQ(probe.exitCode(), 3) << "the key should read as taken";

    // SIGTERM: an orderly end, the marker gone, every fan automatic.
    app.terminate();
    ASSERT_TRUE(app.waitForFinished(30000));
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.exitCode(), 0) << logs();
    EXPECT_FALSE(QFileInfo::exists(marker));
    EXPECT_EQ(fanMode(0), 0) << logs();
    EXPECT_EQ(fanMode(1), 0) << logs();
    const std::string log = logs();
    EXPECT_NE(log.find("SIGTERM received from outside the app"), std::string::npos) << log;
    EXPECT_NE(log.find("terminating"), std::string::npos) << log;
}

}  // namespace
}  // namespace zephrane
