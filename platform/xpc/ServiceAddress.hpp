// Where a Mach service lives on Linux: a Unix socket named after the service
// in one directory, so "com.zephrane.Fanwarden.xpc" is
// /run/zephrane/com.zephrane.Fanwarden.xpc unless $ZEPHRANE_XPC_DIR or the
// caller names another directory (tests use a temporary one).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zephrane::xpc {

inline constexpr std::string_view kDirectoryVariable = "ZEPHRANE_XPC_DIR";
inline constexpr std::string_view kDefaultDirectory = "/run/zephrane";

// Not empty, no "/", no "..", no NUL: a name can never leave its directory.
bool isValidServiceName(std::string_view name);

// The directory given, else $ZEPHRANE_XPC_DIR when set and not empty, else
// the default.
std::string serviceDirectory(const std::optional<std::string>& directory);

// Throws std::invalid_argument for an invalid name or a path too long for a
// Unix socket address.
std::string socketPathForService(std::string_view name, const std::optional<std::string>& directory);

}  // namespace zephrane::xpc
