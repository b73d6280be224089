#include "platform/xpc/ServiceAddress.hpp"

#include <sys/un.h>

#include <cstdlib>
#include <stdexcept>

namespace zephrane::xpc {

bool isValidServiceName(std::string_view name) {
    return !name.empty() && name.find('/') == std::string_view::npos &&
           name.find("..") == std::string_view::npos && name.find('\0') == std::string_view::npos &&
           name != ".";
}

std::string serviceDirectory(const std::optional<std::string>& directory) {
    if (directory) return *directory;
    if (const char* fromEnvironment = std::getenv(kDirectoryVariable.data()); fromEnvironment && *fromEnvironment) {
        return fromEnvironment;
    }
    return std::string(kDefaultDirectory);
}

std::string socketPathForService(std::string_view name, const std::optional<std::string>& directory) {
    if (!isValidServiceName(name)) {
        throw std::invalid_argument("invalid Mach service name \"" + std::string(name) + "\"");
    }
    std::string path = serviceDirectory(directory);
    if (path.empty() || path.back() != '/') path += '/';
    path += name;
    if (path.size() >= sizeof(sockaddr_un::sun_path)) {
        throw std::invalid_argument("socket path \"" + path + "\" is too long");
    }
    return path;
}

}  // namespace zephrane::xpc
