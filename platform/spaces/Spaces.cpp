#include "platform/spaces/Spaces.hpp"

#include <QGuiApplication>

#include "platform/spaces/X11Spaces.hpp"

namespace zephrane::spaces {
namespace {

class NoSpaces final : public Spaces {
public:
    void joinAllDesktops(WindowId) override {}
    std::optional<bool> onCurrentDesktop(WindowId) override { return std::nullopt; }
    void setChangeHandler(std::function<void()>) override {}
};

}  // namespace

std::optional<bool> showsOnDesktop(std::optional<std::uint32_t> windowDesktop,
                                   std::optional<std::uint32_t> currentDesktop) {
    if (windowDesktop == kAllDesktops) return true;
    if (!windowDesktop || !currentDesktop) return std::nullopt;
    return *windowDesktop == *currentDesktop;
}

std::unique_ptr<Spaces> makeSpaces() {
    if (qGuiApp != nullptr && QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (auto x11 = X11Spaces::make()) return x11;
    }
    return std::make_unique<NoSpaces>();
}

}  // namespace zephrane::spaces
