#include "platform/spaces/X11Spaces.hpp"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaObject>
#include <QObject>

#include <xcb/xcb.h>

namespace zephrane::spaces {
namespace {

template <class T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t internAtom(xcb_connection_t* c, std::string_view name) {
    const auto cookie = xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.data());
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

std::optional<std::uint32_t> cardinal(xcb_connection_t* c, xcb_window_t window, xcb_atom_t atom) {
    if (atom == XCB_ATOM_NONE) return std::nullopt;
    const auto cookie = xcb_get_property(c, 0, window, atom, XCB_ATOM_CARDINAL, 0, 1);
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, nullptr), &std::free);
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) return std::nullopt;
    std::uint32_t value = 0;
    std::memcpy(&value, xcb_get_property_value(reply.get()), sizeof value);
    return value;
}

// Picks the desktop changes out of the events Qt's connection receives and
// hands them to the GUI thread's event loop.
class DesktopEvents final : public QObject, public QAbstractNativeEventFilter {
public:
    DesktopEvents(xcb_atom_t currentDesktop, xcb_atom_t windowDesktop)
        : currentDesktop_(currentDesktop), windowDesktop_(windowDesktop) {}

    std::function<void()> changed;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
        const auto* property = static_cast<const xcb_property_notify_event_t*>(message);
        if (property->atom != currentDesktop_ && property->atom != windowDesktop_) return false;
        // Qt's own handling goes on; ours runs once the event is done.
        QMetaObject::invokeMethod(this, [this] {
            if (changed) changed();
        }, Qt::QueuedConnection);
        return false;
    }

private:
    xcb_atom_t currentDesktop_;
    xcb_atom_t windowDesktop_;
};

}  // namespace

struct X11Spaces::Connection {
    xcb_connection_t* c = nullptr;
    xcb_window_t root = XCB_WINDOW_NONE;
    xcb_atom_t currentDesktop = XCB_ATOM_NONE;
    xcb_atom_t windowDesktop = XCB_ATOM_NONE;
    std::unique_ptr<DesktopEvents> events;
};

std::unique_ptr<X11Spaces> X11Spaces::make() {
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 != nullptr ? x11->connection() : nullptr;
    if (c == nullptr) return nullptr;
    const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    if (screens.rem == 0) return nullptr;
    auto connection = std::make_unique<Connection>();
    connection->c = c;
    connection->root = screens.data->root;
    connection->currentDesktop = internAtom(c, "_NET_CURRENT_DESKTOP");
    connection->windowDesktop = internAtom(c, "_NET_WM_DESKTOP");
    connection->events = std::make_unique<DesktopEvents>(connection->currentDesktop, connection->windowDesktop);
    QCoreApplication::instance()->installNativeEventFilter(connection->events.get());
    return std::unique_ptr<X11Spaces>(new X11Spaces(std::move(connection)));
}

X11Spaces::X11Spaces(std::unique_ptr<Connection> connection) : x_(std::move(connection)) {}

X11Spaces::~X11Spaces() {
    if (QCoreApplication::instance() != nullptr) QCoreApplication::instance()->removeNativeEventFilter(x_->events.get());
}

void X11Spaces::joinAllDesktops(WindowId window) {
    if (x_->windowDesktop == XCB_ATOM_NONE) return;
    // A window not yet mapped carries its wish as the property; a mapped one
    // asks the window manager, which owns the property from then on.
    const std::uint32_t all = kAllDesktops;
    xcb_change_property(x_->c, XCB_PROP_MODE_REPLACE, window, x_->windowDesktop, XCB_ATOM_CARDINAL, 32, 1, &all);
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = x_->windowDesktop;
    message.data.data32[0] = kAllDesktops;
    message.data.data32[1] = 1;  // from an application
    xcb_send_event(x_->c, 0, x_->root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(x_->c);
}

std::optional<std::uint32_t> X11Spaces::windowDesktop(WindowId window) {
    return cardinal(x_->c, window, x_->windowDesktop);
}

std::optional<std::uint32_t> X11Spaces::currentDesktop() { return cardinal(x_->c, x_->root, x_->currentDesktop); }

std::optional<bool> X11Spaces::onCurrentDesktop(WindowId window) {
    return showsOnDesktop(windowDesktop(window), currentDesktop());
}

void X11Spaces::setChangeHandler(std::function<void()> changed) { x_->events->changed = std::move(changed); }

}  // namespace zephrane::spaces
