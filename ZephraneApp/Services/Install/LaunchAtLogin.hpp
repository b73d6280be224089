// Launch at login, as the settings and the first-run wizard switch it: the
// app's own login item registered (true) or unregistered (false). Returns
// nothing on success and the failure's description otherwise, for the
// caller to show; it keeps no state and never throws.
#pragma once

#include <optional>
#include <string>

#include "platform/servicemanagement/LoginItem.hpp"

namespace zephrane {

std::optional<std::string> setLaunchAtLogin(bool enabled, const servicemanagement::LoginItem& item);
// The current user's login item.
std::optional<std::string> setLaunchAtLogin(bool enabled);

}  // namespace zephrane
