// The real app on a throw-away desktop (scripts/desktop: Xvfb, openbox,
// trayer) against the simulated machine and the real daemon, driven the way
// a user would with xdotool: the tray icon, the panel under it, the hot
// key, the tray menu, and SIGTERM at the end with every fan back on
// automatic.
#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "tests/integration/SimProgram.hpp"

namespace zephrane {
namespace {

using integration::SimProgram;

bool waitFor(const std::function<bool()>& condition, std::chrono::seconds deadline = std::chrono::seconds(30)) {
    return sim::testing::eventually(condition, deadline);
}

QString xdotool(const QStringList& arguments) {
    QProcess process;
    process.start("xdotool", arguments);
    process.waitForFinished(20000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

// The largest visible window of that exact name.
std::optional<std::pair<QString, Geometry>> window(const QString& name) {
    std::optional<std::pair<QString, Geometry>> best;
    for (const QString& id : xdotool({"search", "--onlyvisible", "--name", "^" + name + "$"}).split('\n', Qt::SkipEmptyParts)) {
        Geometry geometry;
        for (const QString& line : xdotool({"getwindowgeometry", "--shell", id}).split('\n')) {
            const auto parts = line.split('=');
            if (parts.size() != 2) continue;
            const int value = parts[1].toInt();
            if (parts[0] == "X") geometry.x = value;
            if (parts[0] == "Y") geometry.y = value;
            if (parts[0] == "WIDTH") geometry.width = value;
            if (parts[0] == "HEIGHT") geometry.height = value;
        }
        if (!best || geometry.width * geometry.height > best->second.width * best->second.height)
            best = std::pair{id, geometry};
    }
    return best;
}

class DesktopEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "runs under scripts/desktop";
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
        if (const char* options = std::getenv("ZEPHRANE_APP_ASAN_OPTIONS")) environment.insert("ASAN_OPTIONS", options);
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

    QTemporaryDir home;
    SimProgram sim{{"--machine", "two-fan-laptop", "--allow-writers", "any"}};
    QProcess daemon;
    QProcess app;
};

// Off until the tray is dependable on a loaded machine: there, about one
// run in three still loses the tray menu's "Open Brumalune" or the second
// click on the icon.
TEST_F(DesktopEndToEnd, DISABLED_TrayPanelHotKeyMenuAndAnOrderlyEnd) {
    const QString marker = home.path() + "/data/Zephrane/run.marker";

    // The icon docks in the tray; the main window opens at its size.
    std::optional<std::pair<QString, Geometry>> main;
    ASSERT_TRUE(waitFor([&] { return (main = window("Brumalune")).has_value(); })) << logs();
    EXPECT_EQ(main->second.width, 1100);
    EXPECT_EQ(main->second.height, 800);
    std::optional<std::pair<QString, Geometry>> tray;
    ASSERT_TRUE(waitFor([&] { return (tray = window("panel")) && tray->second.width >= 16; })) << logs();
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(marker); }));
    const Geometry icon{tray->second.x + tray->second.width - 24, tray->second.y, 24, tray->second.height};

    auto clickIcon = [&](const char* button) {
        xdotool({"mousemove", QString::number(icon.x + 12), QString::number(icon.y + icon.height / 2), "click",
                 button});
    };
    // From the tray menu: the main window after it was closed, then the Max
    // preset (manual control).
    xdotool({"key", "--window", main->first, "alt+F4"});
    ASSERT_TRUE(waitFor([&] { return !window("Brumalune").has_value(); }));
    // The menu is one more visible window of the app's.
    auto appWindows = [] {
        return xdotool({"search", "--onlyvisible", "--class", "Brumalune"}).split('\n', Qt::SkipEmptyParts).size();
    };
    // A click that comes while the window manager still handles the
    // closed window can be lost on the way: clicked again until the menu
    // shows, each time only after it had its chance to.
    auto openTrayMenu = [&] {
        const auto before = appWindows();
        for (int attempt = 0; attempt < 5; ++attempt) {
            clickIcon("3");
            if (waitFor([&] { return appWindows() > before; }, std::chrono::seconds(3))) return true;
        }
        return false;
    };
    ASSERT_TRUE(openTrayMenu()) << logs();
    xdotool({"key", "Down", "Return"});  // "Open Brumalune"
    ASSERT_TRUE(waitFor([&] { return (main = window("Brumalune")).has_value(); })) << logs();
    EXPECT_EQ(main->second.width, 1100);
    ASSERT_TRUE(openTrayMenu()) << logs();
    xdotool({"key", "Down", "Down", "Right"});  // "Fans", its first entry
    xdotool({"key", "Down", "Down", "Down", "Return"});  // "Max"
    EXPECT_TRUE(waitFor([&] { return fanMode(0) == 1; }, std::chrono::seconds(60))) << logs();
    ASSERT_TRUE(waitFor([&] { return appWindows() == 2; }));  // the menu went

    // A click shows the panel under the icon; a second click hides it.
    auto panelShown = [&] { return window("Brumalune Panel").has_value(); };
    clickIcon("1");
    ASSERT_TRUE(waitFor(panelShown)) << logs();
    std::optional<std::pair<QString, Geometry>> panel;
    ASSERT_TRUE(waitFor([&] {
        panel = window("Brumalune Panel");
        return panel && panel->second.y > icon.y + icon.height;  // the entrance slide ended
    }));
    EXPECT_LE(std::abs(panel->second.x + panel->second.width - (icon.x + icon.width)), 12 + 1);
    clickIcon("1");
    ASSERT_TRUE(waitFor([&] { return !panelShown(); })) << logs();

    // The summon hot key toggles it too.
    xdotool({"key", "alt+shift+f"});
    ASSERT_TRUE(waitFor(panelShown)) << logs();
    xdotool({"key", "--window", window("Brumalune Panel")->first, "Escape"});
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
    EXPECT_EQ(app.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(marker));
    EXPECT_EQ(fanMode(0), 0) << logs();
    EXPECT_EQ(fanMode(1), 0) << logs();
    const std::string log = logs();
    EXPECT_NE(log.find("SIGTERM received from outside the app"), std::string::npos) << log;
    EXPECT_NE(log.find("terminating"), std::string::npos) << log;
}

}  // namespace
}  // namespace zephrane
