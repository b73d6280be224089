#include "tests/integration/SimulatedHIDEventSystemClient.hpp"

namespace zephrane::integration {
namespace {

constexpr std::int64_t kTemperatureUsagePage = 0xFF00;
constexpr std::int64_t kTemperatureUsage = 5;

// A product of a type a property cannot hold (null, array, object) is left
// out, as if the service had none.
std::optional<iokit::HIDPropertyValue> propertyValue(const Json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_boolean()) return value.get<bool>();
    if (value.is_number_integer()) return value.get<std::int64_t>();
    if (value.is_number()) return value.get<double>();
    return std::nullopt;
}

}  // namespace

void SimulatedHIDEventSystemClient::setMatching(iokit::HIDMatching matching) {
    std::lock_guard lock(mutex_);
    matching_ = std::move(matching);
}

std::optional<std::vector<std::shared_ptr<iokit::HIDServiceClient>>> SimulatedHIDEventSystemClient::copyServices() {
    iokit::HIDMatching matching;
    {
        std::lock_guard lock(mutex_);
        matching = matching_;
    }
    std::vector<std::shared_ptr<iokit::HIDServiceClient>> matched;
    for (const sim::HIDServiceReading& reading : smc_.hidServices()) {
        std::map<std::string, iokit::HIDPropertyValue, std::less<>> properties{
            {std::string(iokit::kIOHIDPrimaryUsagePageKey), kTemperatureUsagePage},
            {std::string(iokit::kIOHIDPrimaryUsageKey), kTemperatureUsage},
        };
        if (auto product = propertyValue(reading.product))
            properties.emplace(std::string(iokit::kIOHIDProductKey), std::move(*product));
        auto service = std::make_shared<iokit::HIDServiceSnapshot>(std::move(properties), reading.celsius);
        if (service->matches(matching)) matched.push_back(std::move(service));
    }
    return matched;
}

}  // namespace zephrane::integration
