#include "ZephraneApp/Services/Install/LaunchAtLogin.hpp"

namespace zephrane {

std::optional<std::string> setLaunchAtLogin(bool enabled, const servicemanagement::LoginItem& item) {
    const auto error = enabled ? item.registerService() : item.unregisterService();
    if (!error) return std::nullopt;
    return error->description;
}

std::optional<std::string> setLaunchAtLogin(bool enabled) {
    return setLaunchAtLogin(enabled, servicemanagement::LoginItem::forCurrentUser());
}

}  // namespace zephrane
