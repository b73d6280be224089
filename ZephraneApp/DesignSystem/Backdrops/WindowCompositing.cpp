#include "ZephraneApp/DesignSystem/Backdrops/WindowCompositing.hpp"

#include <cstdlib>
#include <cstring>
#include <memory>

#include <QGuiApplication>

#if ZEPHRANE_DESIGN_HAS_XCB
#include <xcb/xcb.h>
#endif

namespace zephrane::design {
namespace {

#if ZEPHRANE_DESIGN_HAS_XCB
bool x11CompositingManagerRuns() {
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr) return false;
    constexpr const char* kSelection = "_NET_WM_CM_S0";
    const auto atomCookie =
        xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(std::strlen(kSelection)), kSelection);
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(connection, atomCookie, nullptr), &std::free);
    // Nobody ever asked for the name, so nobody can own it.
    if (!atom || atom->atom == XCB_ATOM_NONE) return false;
    const std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr),
        &std::free);
    return owner && owner->owner != XCB_WINDOW_NONE;
}
#endif

}  // namespace

bool windowCompositingActive() {
    if (qGuiApp == nullptr) return false;
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(QLatin1String("wayland"))) return true;
#if ZEPHRANE_DESIGN_HAS_XCB
    if (platform == QLatin1String("xcb")) return x11CompositingManagerRuns();
#endif
    return false;
}

}  // namespace zephrane::design
