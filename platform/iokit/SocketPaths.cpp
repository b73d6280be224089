#include "platform/iokit/SocketPaths.hpp"

#include <charconv>
#include <cstdlib>
#include <string_view>

#include "platform/iokit/SimulatorProtocol.hpp"

namespace zephrane::iokit {
namespace {

std::string variable(std::string_view name) {
    const char* value = std::getenv(std::string(name).c_str());
    return value ? std::string(value) : std::string();
}

std::string socketPath(std::string_view overrideVariable, std::string_view fileName) {
    if (std::string path = variable(overrideVariable); !path.empty()) return path;
    std::string directory = variable(wire::kDirectoryVariable);
    if (directory.empty()) directory = wire::kDefaultDirectory;
    if (directory.back() != '/') directory.push_back('/');
    return directory.append(fileName);
}

}  // namespace

std::string smcSocketPath() { return socketPath(wire::kSMCSocketVariable, wire::kSMCSocketName); }

std::string hidSocketPath() { return socketPath(wire::kHIDSocketVariable, wire::kHIDSocketName); }

std::string registrySocketPath() {
    return socketPath(wire::kRegistrySocketVariable, wire::kRegistrySocketName);
}

std::chrono::milliseconds smcCallDeadline() {
    const std::string text = variable(wire::kSMCDeadlineVariable);
    long long milliseconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), milliseconds);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || milliseconds < 1 ||
        milliseconds > 600'000)
        return kDefaultSMCCallDeadline;
    return std::chrono::milliseconds(milliseconds);
}

}  // namespace zephrane::iokit
