// The X11 Spaces on a desktop with a window manager (run under
// scripts/desktop: Xvfb and openbox): a window put on every desktop stays in
// view whichever desktop is shown; one left on its own desktop is out of
// view on another, and each switch is told.
#include "platform/spaces/X11Spaces.hpp"

#include <chrono>
#include <cstring>

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QWindow>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

namespace zephrane::spaces {
namespace {

bool settleUntil(const std::function<bool()>& condition) {
    const QDeadlineTimer deadline(std::chrono::seconds(10));
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// What a pager does: asks the window manager through the root window (a
// window of none: the root's own property).
void ask(const char* property, xcb_window_t window, std::uint32_t value) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11->connection();
    const auto cookie = xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(property)), property);
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(c, cookie, nullptr);
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    message.window = window == XCB_WINDOW_NONE ? root : window;
    message.type = atom->atom;
    message.data.data32[0] = value;
    message.data.data32[1] = 2;  // from a pager
    std::free(atom);
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(c);
}

class X11SpacesDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "runs under scripts/desktop";
        spaces_ = X11Spaces::make();
        ASSERT_NE(spaces_, nullptr);
        spaces_->setChangeHandler([this] { ++changes_; });
        window_.resize(200, 150);
        window_.show();
        ASSERT_TRUE(settleUntil([&] { return window_.isExposed(); }));
        ASSERT_TRUE(settleUntil([&] { return spaces_->currentDesktop().has_value(); })) << "no EWMH window manager";
        ask("_NET_CURRENT_DESKTOP", XCB_WINDOW_NONE, 0);
        ASSERT_TRUE(settleUntil([&] { return spaces_->currentDesktop() == 0u; }));
    }
    void TearDown() override {
        if (spaces_) ask("_NET_CURRENT_DESKTOP", XCB_WINDOW_NONE, 0);
    }
    WindowId id() { return static_cast<WindowId>(window_.winId()); }

    QWindow window_;
    std::unique_ptr<X11Spaces> spaces_;
    int changes_ = 0;
};

TEST_F(X11SpacesDesktopTest, AWindowOnEveryDesktopStaysInView) {
    spaces_->joinAllDesktops(id());
    ASSERT_TRUE(settleUntil([&] { return spaces_->windowDesktop(id()) == kAllDesktops; }));
    const int before = changes_;
    ask("_NET_CURRENT_DESKTOP", XCB_WINDOW_NONE, 1);
    ASSERT_TRUE(settleUntil([&] { return changes_ > before && spaces_->currentDesktop() == 1u; }));
    EXPECT_EQ(spaces_->onCurrentDesktop(id()), true);
}

TEST_F(X11SpacesDesktopTest, AWindowOnItsOwnDesktopIsOutOfViewOnAnother) {
    ask("_NET_WM_DESKTOP", id(), 0);
    ASSERT_TRUE(settleUntil([&] { return spaces_->windowDesktop(id()) == 0u; }));
    EXPECT_EQ(spaces_->onCurrentDesktop(id()), true);
    const int before = changes_;
    ask("_NET_CURRENT_DESKTOP", XCB_WINDOW_NONE, 1);
    ASSERT_TRUE(settleUntil([&] { return changes_ > before && spaces_->onCurrentDesktop(id()) == false; }));
    ask("_NET_CURRENT_DESKTOP", XCB_WINDOW_NONE, 0);
    EXPECT_TRUE(settleUntil([&] { return spaces_->onCurrentDesktop(id()) == true; }));
}

}  // namespace
}  // namespace zephrane::spaces

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
