// The main window's two invisible items in a real (offscreen) window with
// desktops in memory: the window floats, keeps its other flags and joins
// every desktop each time it shows; the engine hears whether the window can
// be seen as it is minimised, hidden, left on another desktop and torn down.
#include "ZephraneApp/MainWindow/WindowItems.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickWindow>

#include "PresenterTesting.hpp"
#include "ZephraneApp/MainWindow/WindowSpaces.hpp"
#include "platform/spaces/FakeSpaces.hpp"

namespace zephrane::mainwindow {
namespace {

using testing::described;
using testing::settleUntil;

struct Desktop {
    face::ScriptedEngineFace face;
    QQmlEngine qml;
    spaces::FakeSpaces* fake = new spaces::FakeSpaces;
    WindowSpaces spaces{std::unique_ptr<spaces::Spaces>(fake)};
    QQuickWindow window;

    Desktop() {
        WindowSpaces::provide(qml, &spaces);
        window.resize(400, 300);
    }
    // An item of `qml`, in the window.
    template <class Item>
    Item* add() {
        auto* item = new Item;
        QQmlEngine::setContextForObject(item, qml.rootContext());
        item->setParentItem(window.contentItem());
        item->setParent(window.contentItem());  // goes with the window
        return item;
    }
    spaces::WindowId id() { return static_cast<spaces::WindowId>(window.winId()); }
    std::string last() {
        const auto all = described(face);
        return all.empty() ? "" : all.back();
    }
};

TEST(WindowItemsTest, TheEngineHearsWhetherTheWindowCanBeSeen) {
    Desktop desktop;
    auto* observer = desktop.add<WindowVisibilityObserver>();
    observer->setShell(&desktop.face.shell());
    desktop.window.show();
    ASSERT_TRUE(settleUntil([&] { return desktop.window.isExposed(); }));
    ASSERT_TRUE(settleUntil([&] { return desktop.last() == "ReportMainWindowVisible(true)"; }));

    desktop.fake->setCurrentDesktop(1);
    desktop.fake->moveWindow(desktop.id(), 0);
    EXPECT_EQ(desktop.last(), "ReportMainWindowVisible(false)") << "on another desktop";
    desktop.fake->setCurrentDesktop(0);
    EXPECT_EQ(desktop.last(), "ReportMainWindowVisible(true)");
    desktop.fake->moveWindow(desktop.id(), spaces::kAllDesktops);
    desktop.fake->setCurrentDesktop(3);
    EXPECT_EQ(desktop.last(), "ReportMainWindowVisible(true)") << "on every desktop";

    desktop.window.showMinimized();
    EXPECT_TRUE(settleUntil([&] { return desktop.last() == "ReportMainWindowVisible(false)"; })) << "minimised";
    desktop.window.showNormal();
    EXPECT_TRUE(settleUntil([&] { return desktop.last() == "ReportMainWindowVisible(true)"; }));
    desktop.window.hide();
    EXPECT_TRUE(settleUntil([&] { return desktop.last() == "ReportMainWindowVisible(false)"; })) << "closed";

    delete observer;
    EXPECT_EQ(desktop.last(), "ReportMainWindowVisible(true)") << "a torn-down observer leaves the engine at visible";
}

TEST(WindowItemsTest, AnObserverMovedToAnotherWindowWatchesOnlyThatOne) {
    Desktop desktop;
    auto* observer = desktop.add<WindowVisibilityObserver>();
    observer->setShell(&desktop.face.shell());
    desktop.window.show();
    QQuickWindow other;
    other.resize(200, 200);
    other.show();
    ASSERT_TRUE(settleUntil([&] { return desktop.window.isExposed() && other.isExposed(); }));
    observer->setParentItem(other.contentItem());
    ASSERT_TRUE(settleUntil([&] { return desktop.last() == "ReportMainWindowVisible(true)"; }));
    desktop.face.clearCommands();
    desktop.window.hide();
    QCoreApplication::processEvents();
    EXPECT_EQ(desktop.last(), "") << "the old window's changes are not heard";
    other.hide();
    EXPECT_TRUE(settleUntil([&] { return desktop.last() == "ReportMainWindowVisible(false)"; }));
    delete observer;
}

TEST(WindowItemsTest, TheWindowFloatsOnEveryDesktopEachTimeItShows) {
    Desktop desktop;
    desktop.window.setFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    desktop.add<FloatingWindowConfigurator>();
    const Qt::WindowFlags flags = desktop.window.flags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint) && flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(desktop.fake->joinedAll(desktop.id()));

    desktop.window.show();
    // The window manager forgets a hidden window's desktop.
    desktop.window.hide();
    desktop.fake->moveWindow(desktop.id(), 2);
    desktop.fake->setCurrentDesktop(0);
    desktop.window.show();
    EXPECT_EQ(desktop.fake->onCurrentDesktop(desktop.id()), true);
    EXPECT_EQ(desktop.window.flags(), flags) << "configuring again changes nothing more";
}

}  // namespace
}  // namespace zephrane::mainwindow
