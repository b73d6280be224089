#include "platform/iokit/IORegistryLinux.hpp"

#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/iokit/FrameSocket.hpp"
#include "platform/iokit/SimulatorProtocol.hpp"
#include "platform/iokit/SocketPaths.hpp"

namespace zephrane::iokit {

SocketIORegistry::SocketIORegistry(std::string socketPath, std::chrono::milliseconds timeout)
    : socketPath_(std::move(socketPath)), timeout_(timeout) {}

std::optional<nlohmann::json> SocketIORegistry::exchange(std::uint8_t operation, std::string_view argument) const {
    if (argument.size() >= wire::kMaxPayload) return std::nullopt;
    FrameSocket socket;
    if (socket.connect(socketPath_) != 0) return std::nullopt;
    socket.setTimeout(timeout_);
    std::vector<std::uint8_t> request{operation};
    request.insert(request.end(), argument.begin(), argument.end());
    if (socket.send(request) != FrameSocket::Status::ok) return std::nullopt;
    std::vector<std::uint8_t> answer;
    if (socket.receive(answer, wire::kMaxPayload) != FrameSocket::Status::ok) return std::nullopt;
    nlohmann::json value = nlohmann::json::parse(answer.begin(), answer.end(), nullptr, false);
    if (value.is_discarded()) return std::nullopt;
    return value;
}

std::vector<RegistryProperties> SocketIORegistry::matchingServices(std::string_view className) {
    std::optional<nlohmann::json> answer = exchange(wire::kOpMatchingServices, className);
    std::vector<RegistryProperties> services;
    if (!answer || !answer->is_array()) return services;
    for (auto& service : *answer)
        if (service.is_object()) services.push_back(std::move(service));
    return services;
}

std::optional<RegistryProperties> SocketIORegistry::entryAtPath(std::string_view path) {
    std::optional<nlohmann::json> answer = exchange(wire::kOpEntryAtPath, path);
    if (!answer || !answer->is_object()) return std::nullopt;
    return answer;
}

std::optional<std::string> SocketIORegistry::providingPowerSourceType() {
    std::optional<nlohmann::json> answer = exchange(wire::kOpPowerSourceType, {});
    if (!answer || !answer->is_string()) return std::nullopt;
    return answer->get<std::string>();
}

// Passed on as the machine gave it, dictionary or not: judging the shape is
// the caller's business, as it is with the real call.
std::optional<nlohmann::json> SocketIORegistry::externalPowerAdapterDetails() {
    std::optional<nlohmann::json> answer = exchange(wire::kOpAdapterDetails, {});
    if (!answer || answer->is_null()) return std::nullopt;
    return answer;
}

std::unique_ptr<IORegistry> IORegistryCreate() {
    return std::make_unique<SocketIORegistry>(registrySocketPath());
}

}  // namespace zephrane::iokit
