#include "tests/integration/DesktopX.hpp"

#include <xcb/xcbext.h>

#include <sys/uio.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <tuple>
#include <utility>

namespace zephrane::integration {

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> own(T* reply) {
    return Reply<T>(reply, &std::free);
}

// The XTEST extension's FakeInput request; no xcb binding of it is
// installed here, so the request is laid out by hand.
struct FakeInputRequest {
    std::uint8_t majorOpcode = 0;
    std::uint8_t minorOpcode = 2;
    std::uint16_t length = 9;  // in 4-byte units
    std::uint8_t type = 0;
    std::uint8_t detail = 0;
    std::uint16_t pad0 = 0;
    std::uint32_t time = 0;  // CurrentTime: at once
    std::uint32_t root = 0;
    std::uint32_t pad1[2] = {0, 0};
    std::int16_t rootX = 0;
    std::int16_t rootY = 0;
    std::uint8_t pad2[7] = {};
    std::uint8_t deviceId = 0;
};
static_assert(sizeof(FakeInputRequest) == 36);

// A connection to $DISPLAY and its default screen's root; none when the
// server cannot be reached.
std::pair<xcb_connection_t*, xcb_window_t> connectToDisplay() {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        return {nullptr, 0};
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
    return {connection, screens.data->root};
}

}  // namespace

std::uint64_t nowMicros() {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

DesktopX::DesktopX() {
    std::tie(connection_, root_) = connectToDisplay();
    if (connection_ == nullptr) return;
    symbols_ = xcb_key_symbols_alloc(connection_);
    static constexpr char kXTest[] = "XTEST";
    const auto extension = own(xcb_query_extension_reply(
        connection_, xcb_query_extension(connection_, sizeof kXTest - 1, kXTest), nullptr));
    if (extension && extension->present != 0) xtestOpcode_ = extension->major_opcode;
}

DesktopX::~DesktopX() {
    if (symbols_ != nullptr) xcb_key_symbols_free(symbols_);
    if (connection_ != nullptr) xcb_disconnect(connection_);
}

xcb_atom_t DesktopX::atom(const char* name) {
    const auto reply = own(xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

std::string DesktopX::title(xcb_window_t window) {
    // Qt sets both; the EWMH one is UTF-8.
    for (const auto& [property, type] : {std::pair{atom("_NET_WM_NAME"), atom("UTF8_STRING")},
                                        std::pair{xcb_atom_t{XCB_ATOM_WM_NAME}, xcb_atom_t{XCB_ATOM_STRING}}}) {
        const auto reply = own(xcb_get_property_reply(
            connection_, xcb_get_property(connection_, 0, window, property, type, 0, 256), nullptr));
        if (reply && xcb_get_property_value_length(reply.get()) > 0)
            return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                               static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
    }
    return {};
}

bool DesktopX::viewable(xcb_window_t window) {
    const auto reply =
        own(xcb_get_window_attributes_reply(connection_, xcb_get_window_attributes(connection_, window), nullptr));
    return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
}

bool DesktopX::managedAndViewable(xcb_window_t window) {
    const auto reply =
        own(xcb_get_window_attributes_reply(connection_, xcb_get_window_attributes(connection_, window), nullptr));
    return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE && reply->override_redirect == 0;
}

std::optional<xcb_window_t> DesktopX::search(xcb_window_t window, const std::string& wanted, bool mustBeViewable,
                                             int depth) {
    const auto tree = own(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, window), nullptr));
    if (!tree) return std::nullopt;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        if (title(children[i]) == wanted && (!mustBeViewable || managedAndViewable(children[i]))) return children[i];
        // The window manager's frames hold the app's windows one or two
        // levels down.
        if (depth > 0)
            if (auto found = search(children[i], wanted, mustBeViewable, depth - 1)) return found;
    }
    return std::nullopt;
}

std::optional<xcb_window_t> DesktopX::findViewable(const std::string& wanted) {
    return search(root_, wanted, true, 2);
}

std::optional<xcb_window_t> DesktopX::find(const std::string& wanted) { return search(root_, wanted, false, 2); }

void DesktopX::watchStructure(xcb_window_t window) {
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, window, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection_);
}

void DesktopX::watchRootChildren() {
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection_);
}

void DesktopX::close(xcb_window_t window) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom("WM_PROTOCOLS");
    message.data.data32[0] = atom("WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection_, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
    xcb_flush(connection_);
}

void DesktopX::activate(xcb_window_t window) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom("_NET_ACTIVE_WINDOW");
    message.data.data32[0] = 2;  // from a pager: the window manager obeys
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection_, 0, root_,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection_);
}

xcb_keycode_t DesktopX::keycode(xcb_keysym_t keysym) {
    const auto codes = own(xcb_key_symbols_get_keycode(symbols_, keysym));
    return codes ? codes.get()[0] : 0;
}

void DesktopX::fakeInput(std::uint8_t type, std::uint8_t detail, std::int16_t x, std::int16_t y) {
    FakeInputRequest request;
    request.majorOpcode = xtestOpcode_;
    request.type = type;
    request.detail = detail;
    request.root = root_;
    request.rootX = x;
    request.rootY = y;
    // Room for the two vectors xcb may put in front of the request.
    iovec parts[3]{};
    parts[2].iov_base = &request;
    parts[2].iov_len = sizeof request;
    const xcb_protocol_request_t protocol{1, nullptr, 0, 1};
    xcb_send_request(connection_, XCB_REQUEST_RAW, parts + 2, &protocol);
}

void DesktopX::click(xcb_window_t window, int x, int y, std::uint8_t button) {
    const auto at = own(xcb_translate_coordinates_reply(
        connection_,
        xcb_translate_coordinates(connection_, window, root_, static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)),
        nullptr));
    if (at) clickAt(at->dst_x, at->dst_y, button);
}

void DesktopX::clickAt(int rootX, int rootY, std::uint8_t button) {
    fakeInput(XCB_MOTION_NOTIFY, 0, static_cast<std::int16_t>(rootX), static_cast<std::int16_t>(rootY));
    fakeInput(XCB_BUTTON_PRESS, button);
    fakeInput(XCB_BUTTON_RELEASE, button);
    xcb_flush(connection_);
}

std::optional<DesktopX::Rect> DesktopX::geometry(xcb_window_t window) {
    const auto size = own(xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr));
    const auto at = own(
        xcb_translate_coordinates_reply(connection_, xcb_translate_coordinates(connection_, window, root_, 0, 0), nullptr));
    if (!size || !at) return std::nullopt;
    return Rect{at->dst_x, at->dst_y, size->width, size->height};
}

xcb_window_t DesktopX::focus() {
    const auto reply = own(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    return reply ? reply->focus : xcb_window_t{XCB_NONE};
}

KeyboardGrabWatch::KeyboardGrabWatch() {
    xcb_window_t root = 0;
    std::tie(connection_, root) = connectToDisplay();
    if (connection_ == nullptr) return;
    window_ = xcb_generate_id(connection_);
    // Off screen and unmanaged: nobody sees it and the window manager
    // leaves it alone.
    const std::uint32_t values[] = {1, XCB_EVENT_MASK_FOCUS_CHANGE};
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, root, -10, -10, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    xcb_map_window(connection_, window_);
    xcb_flush(connection_);
}

KeyboardGrabWatch::~KeyboardGrabWatch() {
    if (connection_ != nullptr) xcb_disconnect(connection_);
}

void KeyboardGrabWatch::takeFocus() {
    // The map must have gone through before the window can take the focus.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto attributes =
            own(xcb_get_window_attributes_reply(connection_, xcb_get_window_attributes(connection_, window_), nullptr));
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_POINTER_ROOT, window_, XCB_CURRENT_TIME);
    own(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    while (xcb_generic_event_t* stale = xcb_poll_for_event(connection_)) std::free(stale);
}

bool KeyboardGrabWatch::waitForGrab(std::chrono::milliseconds deadline) { return waitFor(XCB_FOCUS_OUT, deadline); }

bool KeyboardGrabWatch::waitForRelease(std::chrono::milliseconds deadline) { return waitFor(XCB_FOCUS_IN, deadline); }

bool KeyboardGrabWatch::waitFor(std::uint8_t type, std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    const std::uint8_t mode = type == XCB_FOCUS_OUT ? XCB_NOTIFY_MODE_GRAB : XCB_NOTIFY_MODE_UNGRAB;
    while (std::chrono::steady_clock::now() < end) {
        xcb_generic_event_t* event = xcb_poll_for_event(connection_);
        if (event == nullptr) {
            if (xcb_connection_has_error(connection_) != 0) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        const bool match = (event->response_type & 0x7f) == type &&
                           reinterpret_cast<xcb_focus_in_event_t*>(event)->mode == mode;
        std::free(event);
        if (match) return true;
    }
    return false;
}

std::uint64_t DesktopX::chord(const std::vector<xcb_keysym_t>& modifiers, xcb_keysym_t key) {
    for (xcb_keysym_t modifier : modifiers) fakeInput(XCB_KEY_PRESS, keycode(modifier));
    xcb_flush(connection_);
    // The modifiers are down on the server before the key.
    own(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    const std::uint64_t pressed = nowMicros();
    fakeInput(XCB_KEY_PRESS, keycode(key));
    xcb_flush(connection_);
    fakeInput(XCB_KEY_RELEASE, keycode(key));
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) fakeInput(XCB_KEY_RELEASE, keycode(*it));
    xcb_flush(connection_);
    return pressed;
}

std::vector<std::uint8_t> DesktopX::pixels(xcb_drawable_t drawable, int x, int y, int width, int height) {
    xcb_generic_error_t* error = nullptr;
    const auto reply = own(xcb_get_image_reply(
        connection_,
        xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, static_cast<std::int16_t>(x),
                      static_cast<std::int16_t>(y), static_cast<std::uint16_t>(width),
                      static_cast<std::uint16_t>(height), ~0u),
        &error));
    std::free(error);
    if (!reply) return {};
    const std::uint8_t* data = xcb_get_image_data(reply.get());
    return {data, data + xcb_get_image_data_length(reply.get())};
}

std::optional<std::pair<int, int>> DesktopX::size(xcb_window_t window) {
    const auto reply = own(xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr));
    if (!reply) return std::nullopt;
    return std::pair{static_cast<int>(reply->width), static_cast<int>(reply->height)};
}

}  // namespace zephrane::integration
