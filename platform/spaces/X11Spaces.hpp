// Spaces on an X server with an EWMH window manager: the desktop in view is
// the root's _NET_CURRENT_DESKTOP, a window's desktop its _NET_WM_DESKTOP
// (0xFFFFFFFF: all of them). Changes arrive as property notifications,
// which Qt's own connection already receives for the root and for its
// windows; a native event filter picks them out.
#pragma once

#include <memory>

#include "platform/spaces/Spaces.hpp"

namespace zephrane::spaces {

class X11Spaces final : public Spaces {
public:
    // None when the application has no X connection.
    static std::unique_ptr<X11Spaces> make();
    ~X11Spaces() override;

    void joinAllDesktops(WindowId window) override;
    std::optional<bool> onCurrentDesktop(WindowId window) override;
    void setChangeHandler(std::function<void()> changed) override;

    // The desktop number of the property, if the window has it.
    std::optional<std::uint32_t> windowDesktop(WindowId window);
    std::optional<std::uint32_t> currentDesktop();

private:
    struct Connection;
    explicit X11Spaces(std::unique_ptr<Connection> connection);
    std::unique_ptr<Connection> x_;
};

}  // namespace zephrane::spaces
