// The X11 hot-key center against a real X server (run under with_xvfb.sh),
// with key presses typed by xdotool through XTEST, as a user would.
#include "platform/hotkey/X11HotKeyCenter.hpp"

#include <chrono>
#include <cstdlib>
#include <functional>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>

#include <gtest/gtest.h>

#include "platform/hotkey/CarbonKeyMap.hpp"

namespace zephrane::hotkey {
namespace {

constexpr std::uint32_t kF = 3;
constexpr std::uint32_t kOptionShift = 0x0A00;
constexpr HotKeyID kId{fourCharCode("ZPsm"), 1};

bool waitFor(const std::function<bool()>& condition) {
    QDeadlineTimer deadline(std::chrono::seconds(20));
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

void type(const QStringList& keys) {
    QProcess xdotool;
    xdotool.start("xdotool", QStringList{"key"} + keys);
    ASSERT_TRUE(xdotool.waitForFinished(20000));
    ASSERT_EQ(xdotool.exitCode(), 0) << xdotool.readAllStandardError().toStdString();
}

class X11HotKeyCenterTest : public testing::Test {
protected:
    void SetUp() override {
        const char* display = std::getenv("DISPLAY");
        if (display == nullptr || *display == '\0') GTEST_SKIP() << "needs an X server (with_xvfb.sh)";
        ASSERT_TRUE(center.connected());
    }
    X11HotKeyCenter center;
};

TEST_F(X11HotKeyCenterTest, APressArrivesOnceWithAndWithoutTheLockKeys) {
    std::vector<HotKeyID> presses;
    ASSERT_EQ(center.installPressedHandler([&](HotKeyID id) { presses.push_back(id); }), noErr);
    HotKeyRef ref = 0;
    ASSERT_EQ(center.registerHotKey(kF, kOptionShift, kId, &ref), noErr);
    EXPECT_NE(ref, 0u);

    type({"alt+shift+f"});
    ASSERT_TRUE(waitFor([&] { return presses.size() == 1; }));
    EXPECT_EQ(presses[0], kId);

    // Caps Lock on: the grab of that variant takes the press. xdotool lets
    // go of the modifiers before the key, so this also proves a release
    // without them ends the first press.
    type({"Caps_Lock", "alt+shift+f", "Caps_Lock"});
    ASSERT_TRUE(waitFor([&] { return presses.size() == 2; }));
    type({"Num_Lock", "alt+shift+f", "Num_Lock"});
    ASSERT_TRUE(waitFor([&] { return presses.size() == 3; }));

    // Another combination of the same key is not ours.
    type({"alt+f", "alt+shift+f"});
    ASSERT_TRUE(waitFor([&] { return presses.size() == 4; }));
    EXPECT_EQ(center.unregisterHotKey(ref), noErr);
    EXPECT_EQ(center.unregisterHotKey(ref), eventHotKeyInvalidErr);
}

TEST_F(X11HotKeyCenterTest, AKeyAnotherClientHoldsIsAConflictUntilReleased) {
    X11HotKeyCenter other;
    ASSERT_TRUE(other.connected());
    HotKeyRef held = 0;
    ASSERT_EQ(other.registerHotKey(kF, kOptionShift, kId, &held), noErr);

    HotKeyRef ref = 7;
    EXPECT_EQ(center.registerHotKey(kF, kOptionShift, kId, &ref), eventHotKeyExistsErr);
    EXPECT_EQ(ref, 0u);
    // The same center twice is a conflict too.
    EXPECT_EQ(other.registerHotKey(kF, kOptionShift, kId, &ref), eventHotKeyExistsErr);

    // Once the other client lets go, every lock variant is free again: a
    // failed attempt left none of its own grabs behind either.
    ASSERT_EQ(other.unregisterHotKey(held), noErr);
    ASSERT_EQ(center.registerHotKey(kF, kOptionShift, kId, &ref), noErr);
    HotKeyRef stolen = 0;
    EXPECT_EQ(other.registerHotKey(kF, kOptionShift, kId, &stolen), eventHotKeyExistsErr);
}

TEST_F(X11HotKeyCenterTest, KeysTheMacTableLacksAreInvalid) {
    HotKeyRef ref = 0;
    EXPECT_EQ(center.registerHotKey(10, 0x100, kId, &ref), eventHotKeyInvalidErr);
    EXPECT_EQ(center.registerHotKey(kF, 0x100, kId, nullptr), paramErr);
}

TEST(CarbonKeyMap, ModifiersAndKeysMapBothWays) {
    EXPECT_EQ(xModifiersForCarbon(0x0A00), kXShift | kXMod1);
    EXPECT_EQ(xModifiersForCarbon(0x1100), kXControl | kXMod4);
    EXPECT_EQ(xModifiersForCarbon(0x00FF | 0x0400), 0);
    EXPECT_EQ(keysymForKeyCode(3), 'f');
    EXPECT_EQ(keyCodeForKeysym('F'), 3u);
    EXPECT_EQ(keysymForKeyCode(111), 0xffc9u);  // F12
    EXPECT_EQ(keysymForKeyCode(10), std::nullopt);
    for (std::uint32_t code = 0; code < 128; ++code) {
        if (const auto keysym = keysymForKeyCode(code)) {
            EXPECT_EQ(keyCodeForKeysym(*keysym), code) << code;
        }
    }
}

TEST(DesktopHotKeyCenter, WaylandAndNoDisplayRefuseEveryKeyAsAConflict) {
    const QByteArray display = qgetenv("DISPLAY");
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
    for (const auto& [setDisplay, setWayland] : {std::pair{true, true}, std::pair{false, false}}) {
        if (!setDisplay) qunsetenv("DISPLAY");
        if (setWayland) qputenv("WAYLAND_DISPLAY", "wayland-0");
        auto center = makeDesktopHotKeyCenter();
        HotKeyRef ref = 5;
        EXPECT_EQ(center->registerHotKey(kF, kOptionShift, kId, &ref), eventHotKeyExistsErr);
        EXPECT_EQ(ref, 0u);
        qputenv("DISPLAY", display);
        if (wayland.isNull()) {
            qunsetenv("WAYLAND_DISPLAY");
        } else {
            qputenv("WAYLAND_DISPLAY", wayland);
        }
    }
}

}  // namespace
}  // namespace zephrane::hotkey

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Xvfb resets when its last client leaves, and a test connecting during
    // the reset finds no server: one connection stays for the whole run.
    const zephrane::hotkey::X11HotKeyCenter keepServer;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
