// The tray icon's frames drawn by the X server, in a real tray host
// (scripts/desktop: Xvfb, openbox, trayer): each frame shows where Qt shows
// its icon, over the tray's background, and a window made anew since the
// frames went up refuses them until they are loaded again.
#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QWidget>

#include <gtest/gtest.h>

#include "platform/statusbar/TrayIconFrames.hpp"
#include "tests/integration/DesktopX.hpp"

namespace zephrane::statusbar {
namespace {

using namespace std::chrono_literals;

constexpr int kFrame = 16;  // smaller than the tray's icons, so a margin shows

// Qt's events handled while waiting: the icon docks, Qt paints it.
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline = 20s,
             bool handleEvents = true) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        if (handleEvents) QApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// Only the server at work: Qt cannot paint its own icon in between.
bool waitOnScreen(const std::function<bool()>& condition) { return waitFor(condition, 20s, false); }

QImage solid(QColor colour, int size = kFrame) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

QWidget* trayIconWidget() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String("QSystemTrayIconSys")) return widget;
    return nullptr;
}

class TrayIconFramesTest : public testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "runs under scripts/desktop";
        ASSERT_TRUE(x.connected());
        ASSERT_TRUE(QSystemTrayIcon::isSystemTrayAvailable() || waitFor(QSystemTrayIcon::isSystemTrayAvailable));
        tray.setIcon(QIcon(QPixmap::fromImage(solid(Qt::transparent))));
        tray.show();
        frames = TrayIconFrames::attach();
        ASSERT_NE(frames, nullptr);
        ASSERT_TRUE(waitFor([&] {
            QWidget* widget = trayIconWidget();
            return widget != nullptr && x.viewable(static_cast<xcb_window_t>(widget->winId()));
        })) << "the icon did not dock";
        window = static_cast<xcb_window_t>(trayIconWidget()->winId());
    }

    // The pixel the screen shows at (px, py) of the icon's window.
    std::optional<QRgb> pixel(int px, int py) {
        const auto where = x.geometry(window);
        if (!where) return std::nullopt;
        const auto bytes = x.pixels(x.root(), where->x + px, where->y + py, 1, 1);
        if (bytes.size() < 4) return std::nullopt;
        return qRgb(bytes[2], bytes[1], bytes[0]);
    }
    std::optional<QRgb> centre() {
        const auto where = x.geometry(window);
        return where ? pixel(where->width / 2, where->height / 2) : std::nullopt;
    }

    integration::DesktopX x;
    QSystemTrayIcon tray;
    std::unique_ptr<TrayIconFrames> frames;
    xcb_window_t window = 0;
};

TEST_F(TrayIconFramesTest, EachFrameShowsInTheIconWindowOverTheTraysBackground) {
    const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255);
    QImage ring = solid(Qt::transparent);
    ring.setPixelColor(0, 0, Qt::green);  // only the corner is drawn
    ASSERT_TRUE(waitFor([&] { return frames->load({solid(red), solid(blue), ring}); }));

    // The tray host's own colour shows in its strip just above the icon;
    // frames are centred, so the window's corner shows it too. Read afresh
    // each time: the host may still be placing and painting.
    auto trayColour = [&] { return pixel(0, -1); };
    for (const auto& [index, expected] : std::vector<std::pair<std::size_t, QRgb>>{{0, red}, {1, blue}, {0, red}}) {
        // Shown again while waiting, as the spin does: an expose of the window
        // before the first frame lands has Qt paint its own icon over it.
        EXPECT_TRUE(waitFor([&] {
            return frames->show(index) && centre() == expected && trayColour() && pixel(0, 0) == trayColour();
        })) << "frame " << index << ": " << std::hex << centre().value_or(0) << ", its corner "
            << pixel(0, 0).value_or(0) << " on the tray's " << trayColour().value_or(0);
    }
    // Where a frame is clear the tray shows through: not black, and not
    // the frame before.
    ASSERT_TRUE(frames->show(2));
    EXPECT_TRUE(waitOnScreen([&] { return trayColour() && centre() == trayColour(); }))
        << std::hex << centre().value_or(0) << " on the tray's " << trayColour().value_or(0);
}

TEST_F(TrayIconFramesTest, ANewWindowRefusesTheFramesUntilTheyAreLoadedAgain) {
    EXPECT_FALSE(frames->show(0)) << "nothing is loaded yet";
    ASSERT_TRUE(waitFor([&] { return frames->load({solid(Qt::red)}); }));
    EXPECT_TRUE(frames->show(0));
    EXPECT_FALSE(frames->show(1)) << "past the last frame";

    // Qt makes a new window for an icon shown again, as when the tray host
    // comes back.
    tray.hide();
    EXPECT_FALSE(frames->show(0));
    tray.show();
    ASSERT_TRUE(waitFor([&] { return trayIconWidget() != nullptr; }));
    EXPECT_FALSE(frames->show(0));
    ASSERT_TRUE(waitFor([&] { return frames->load({solid(Qt::red)}); }));
    EXPECT_TRUE(frames->show(0));
}

TEST_F(TrayIconFramesTest, FramesLargerThanTheWindowAreRefused) {
    const auto where = x.geometry(window);
    ASSERT_TRUE(where);
    EXPECT_FALSE(frames->load({solid(Qt::red, std::max(where->width, where->height) + 1)}));
    EXPECT_FALSE(frames->show(0));
    EXPECT_FALSE(frames->load({}));
}

}  // namespace
}  // namespace zephrane::statusbar

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (std::getenv("DISPLAY") == nullptr) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
