#include "platform/iokit/HIDEventSystemClientLinux.hpp"

#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/iokit/SimulatorProtocol.hpp"
#include "platform/iokit/SocketPaths.hpp"

namespace zephrane::iokit {
namespace {

constexpr std::int64_t kTemperatureUsagePage = 0xFF00;
constexpr std::int64_t kTemperatureUsage = 5;
constexpr std::string_view kTemperatureField = "temperature";

std::optional<HIDPropertyValue> propertyValue(const nlohmann::json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_boolean()) return value.get<bool>();
    if (value.is_number_unsigned()) {
        const auto n = value.get<std::uint64_t>();
        constexpr auto largest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
        if (n <= largest) return static_cast<std::int64_t>(n);
        return static_cast<double>(n);
    }
    if (value.is_number_integer()) return value.get<std::int64_t>();
    if (value.is_number_float()) return value.get<double>();
    return std::nullopt;  // arrays, objects and null carry nothing we read
}

}  // namespace

SocketHIDEventSystemClient::SocketHIDEventSystemClient(std::string socketPath, std::chrono::milliseconds timeout)
    : connection_(std::move(socketPath), timeout) {}

void SocketHIDEventSystemClient::setMatching(HIDMatching matching) {
    std::lock_guard lock(mutex_);
    matching_ = std::move(matching);
}

std::optional<std::vector<std::shared_ptr<HIDServiceClient>>> SocketHIDEventSystemClient::copyServices() {
    const std::uint8_t request[] = {wire::kOpCopyServices};
    const auto answer = connection_.exchange(request, wire::kMaxPayload);
    if (!answer) return std::nullopt;

    auto services = parseServices(std::string(answer->begin(), answer->end()));
    if (!services) return std::nullopt;

    HIDMatching matching;
    {
        std::lock_guard lock(mutex_);
        matching = matching_;
    }
    std::vector<std::shared_ptr<HIDServiceClient>> matched;
    for (auto& service : *services)
        if (service->matches(matching)) matched.push_back(std::move(service));
    return matched;
}

std::optional<std::vector<std::shared_ptr<HIDServiceSnapshot>>> SocketHIDEventSystemClient::parseServices(
    std::string_view json) {
    const nlohmann::json answer = nlohmann::json::parse(json.begin(), json.end(), nullptr, false);
    if (answer.is_discarded() || !answer.is_array()) return std::nullopt;

    std::vector<std::shared_ptr<HIDServiceSnapshot>> services;
    services.reserve(answer.size());
    for (const auto& entry : answer) {
        if (!entry.is_object()) continue;
        std::map<std::string, HIDPropertyValue, std::less<>> properties{
            {std::string(kIOHIDPrimaryUsagePageKey), kTemperatureUsagePage},
            {std::string(kIOHIDPrimaryUsageKey), kTemperatureUsage},
        };
        std::optional<double> celsius;
        for (const auto& [key, value] : entry.items()) {
            if (key == kTemperatureField) {
                if (value.is_number()) celsius = value.get<double>();
                continue;
            }
            if (auto property = propertyValue(value)) properties.insert_or_assign(key, std::move(*property));
        }
        services.push_back(std::make_shared<HIDServiceSnapshot>(std::move(properties), celsius));
    }
    return services;
}

std::unique_ptr<HIDEventSystemClient> IOHIDEventSystemClientCreate() {
    return std::make_unique<SocketHIDEventSystemClient>(hidSocketPath());
}

}  // namespace zephrane::iokit
