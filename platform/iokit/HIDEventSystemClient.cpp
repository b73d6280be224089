#include "platform/iokit/HIDEventSystemClient.hpp"

namespace zephrane::iokit {
namespace {

std::optional<double> numberValue(const HIDPropertyValue& value) {
    if (const auto* integer = std::get_if<std::int64_t>(&value)) return static_cast<double>(*integer);
    if (const auto* real = std::get_if<double>(&value)) return *real;
    return std::nullopt;
}

// Numbers compare by value whatever their representation, as the event
// system compares numbers; everything else needs the same kind and value.
bool sameValue(const HIDPropertyValue& a, const HIDPropertyValue& b) {
    const auto x = numberValue(a);
    const auto y = numberValue(b);
    if (x && y) return *x == *y;
    return a == b;
}

}  // namespace

double HIDEvent::floatValue(std::uint32_t field) const {
    auto it = floatFields_.find(field);
    return it == floatFields_.end() ? 0.0 : it->second;
}

std::optional<HIDPropertyValue> HIDServiceSnapshot::copyProperty(std::string_view key) const {
    auto it = properties_.find(key);
    if (it == properties_.end()) return std::nullopt;
    return it->second;
}

std::optional<HIDEvent> HIDServiceSnapshot::copyEvent(std::int64_t type, std::int32_t /*options*/,
                                                      std::uint64_t /*timestamp*/) const {
    if (type != kIOHIDEventTypeTemperature || !celsius_) return std::nullopt;
    return HIDEvent(type, {{kIOHIDEventFieldTemperatureLevel, *celsius_}});
}

bool HIDServiceSnapshot::matches(const HIDMatching& matching) const {
    for (const auto& [key, wanted] : matching) {
        auto it = properties_.find(key);
        if (it == properties_.end() || !sameValue(it->second, wanted)) return false;
    }
    return true;
}

}  // namespace zephrane::iokit
