#include "platform/activationpolicy/TaskbarActivationPolicy.hpp"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include <QEvent>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

namespace zephrane::activationpolicy {
namespace {

// EWMH's _NET_WM_STATE actions and the source of a request: an application.
constexpr std::uint32_t kRemove = 0;
constexpr std::uint32_t kAdd = 1;
constexpr std::uint32_t kFromApplication = 1;

xcb_connection_t* x11Connection() {
    auto* app = qGuiApp;
    if (app == nullptr) return nullptr;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

std::optional<xcb_atom_t> atom(xcb_connection_t* c, const char* name) {
    const auto cookie = xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(xcb_intern_atom_reply(c, cookie, nullptr),
                                                                         &std::free);
    if (!reply || reply->atom == XCB_ATOM_NONE) return std::nullopt;
    return reply->atom;
}

struct StateAtoms {
    xcb_atom_t state;
    xcb_atom_t skipTaskbar;
};

std::optional<StateAtoms> stateAtoms(xcb_connection_t* c) {
    const auto state = atom(c, "_NET_WM_STATE");
    const auto skip = atom(c, "_NET_WM_STATE_SKIP_TASKBAR");
    if (!state || !skip) return std::nullopt;
    return StateAtoms{*state, *skip};
}

std::vector<xcb_atom_t> windowState(xcb_connection_t* c, xcb_window_t window, const StateAtoms& atoms) {
    const auto cookie = xcb_get_property(c, 0, window, atoms.state, XCB_ATOM_ATOM, 0, 64);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(xcb_get_property_reply(c, cookie, nullptr),
                                                                          &std::free);
    if (!reply || reply->format != 32 || reply->type != XCB_ATOM_ATOM) return {};
    const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    return {values, values + xcb_get_property_value_length(reply.get()) / static_cast<int>(sizeof(xcb_atom_t))};
}

xcb_window_t rootOf(xcb_connection_t* c, xcb_window_t window) {
    const auto cookie = xcb_get_geometry(c, window);
    std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> reply(xcb_get_geometry_reply(c, cookie, nullptr),
                                                                          &std::free);
    if (reply) return reply->root;
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

}  // namespace

TaskbarActivationPolicy::TaskbarActivationPolicy(QObject* parent) : QObject(parent) {}

void TaskbarActivationPolicy::addWindow(QWindow* window) {
    if (window == nullptr) return;
    windows_.emplace_back(window);
    connect(window, &QWindow::visibleChanged, this, [this, window](bool visible) {
        std::erase(exposed_, window);
        if (visible) apply(*window);
    });
    connect(window, &QObject::destroyed, this, [this, window] { std::erase(exposed_, window); });
    window->installEventFilter(this);
    apply(*window);
}

bool TaskbarActivationPolicy::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Expose) {
        auto* window = static_cast<QWindow*>(watched);
        // Exposed means the window manager holds the window now: the first
        // time after a show, ask it once more.
        if (window->isExposed() && std::ranges::find(exposed_, window) == exposed_.end()) {
            exposed_.push_back(window);
            apply(*window);
        }
    }
    return QObject::eventFilter(watched, event);
}

void TaskbarActivationPolicy::setActivationPolicy(Policy policy) {
    policy_ = policy;
    std::erase_if(windows_, [](const QPointer<QWindow>& window) { return window.isNull(); });
    for (const QPointer<QWindow>& window : windows_) apply(*window);
}

void TaskbarActivationPolicy::apply(QWindow& window) {
    xcb_connection_t* c = x11Connection();
    if (c == nullptr) return;
    const auto atoms = stateAtoms(c);
    if (!atoms) return;
    const bool skip = policy_ == Policy::accessory;
    const auto id = static_cast<xcb_window_t>(window.winId());
    // The property first: it is what a window manager reads when it takes
    // a window on, which may still be ahead for a window just shown.
    std::vector<xcb_atom_t> state = windowState(c, id, *atoms);
    std::erase(state, atoms->skipTaskbar);
    if (skip) state.push_back(atoms->skipTaskbar);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atoms->state, XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(state.size()), state.data());
    if (window.isVisible()) {
        // A managed window's state is the window manager's to change.
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = id;
        message.type = atoms->state;
        message.data.data32[0] = skip ? kAdd : kRemove;
        message.data.data32[1] = atoms->skipTaskbar;
        message.data.data32[3] = kFromApplication;
        xcb_send_event(c, 0, rootOf(c, id),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
    }
    xcb_flush(c);
}

bool TaskbarActivationPolicy::skipsTaskbar(QWindow& window) {
    xcb_connection_t* c = x11Connection();
    if (c == nullptr) return false;
    const auto atoms = stateAtoms(c);
    if (!atoms) return false;
    const std::vector<xcb_atom_t> state = windowState(c, static_cast<xcb_window_t>(window.winId()), *atoms);
    return std::ranges::find(state, atoms->skipTaskbar) != state.end();
}

}  // namespace zephrane::activationpolicy
