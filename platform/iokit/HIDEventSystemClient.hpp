// The HID event system as the temperature source sees it: a client that is
// given a matching dictionary and hands out the matching services, each with
// properties ("Product" and the usage pair) and, on request, a fresh event
// whose float fields carry the reading.
//
// The interface is what callers depend on; SocketHIDEventSystemClient (the
// simulator's services) and FakeHIDEventSystemClient (tests) implement it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace zephrane::iokit {

// A property value: text, integer, real or boolean.
using HIDPropertyValue = std::variant<std::string, std::int64_t, double, bool>;

// Entries a service's properties must all equal, in the order given.
using HIDMatching = std::vector<std::pair<std::string, HIDPropertyValue>>;

inline constexpr std::int64_t kIOHIDEventTypeTemperature = 15;
// An event field number is the event type shifted left by 16; field 0 of the
// temperature event is its level in degrees Celsius.
inline constexpr std::uint32_t kIOHIDEventFieldTemperatureLevel =
    static_cast<std::uint32_t>(kIOHIDEventTypeTemperature) << 16;

inline constexpr std::string_view kIOHIDProductKey = "Product";
inline constexpr std::string_view kIOHIDPrimaryUsagePageKey = "PrimaryUsagePage";
inline constexpr std::string_view kIOHIDPrimaryUsageKey = "PrimaryUsage";

class HIDEvent {
public:
    HIDEvent(std::int64_t type, std::map<std::uint32_t, double> floatFields)
        : type_(type), floatFields_(std::move(floatFields)) {}

    std::int64_t type() const { return type_; }
    // 0 for a field the event does not carry.
    double floatValue(std::uint32_t field) const;

private:
    std::int64_t type_;
    std::map<std::uint32_t, double> floatFields_;
};

class HIDServiceClient {
public:
    virtual ~HIDServiceClient() = default;

    virtual std::optional<HIDPropertyValue> copyProperty(std::string_view key) const = 0;
    // The service's current event of that type, or nothing when it has none.
    virtual std::optional<HIDEvent> copyEvent(std::int64_t type, std::int32_t options,
                                              std::uint64_t timestamp) const = 0;
};

class HIDEventSystemClient {
public:
    virtual ~HIDEventSystemClient() = default;

    virtual void setMatching(HIDMatching matching) = 0;
    // The services that match, asked for anew on every call; nothing when the
    // event system cannot be reached.
    virtual std::optional<std::vector<std::shared_ptr<HIDServiceClient>>> copyServices() = 0;
};

// A service as one answer described it: fixed properties and, when it has
// one, a temperature reading. Both clients hand these out.
class HIDServiceSnapshot final : public HIDServiceClient {
public:
    HIDServiceSnapshot(std::map<std::string, HIDPropertyValue, std::less<>> properties, std::optional<double> celsius)
        : properties_(std::move(properties)), celsius_(celsius) {}

    std::optional<HIDPropertyValue> copyProperty(std::string_view key) const override;
    std::optional<HIDEvent> copyEvent(std::int64_t type, std::int32_t options, std::uint64_t timestamp) const override;

    // Every matching entry is present among the properties with an equal
    // value; an empty matching matches everything.
    bool matches(const HIDMatching& matching) const;

private:
    std::map<std::string, HIDPropertyValue, std::less<>> properties_;
    std::optional<double> celsius_;
};

// The event system client of this process: the simulator's HID socket (path
// from SocketPaths.hpp, read now). Creation never fails; an unreachable
// service shows up as copyServices() returning nothing.
std::unique_ptr<HIDEventSystemClient> IOHIDEventSystemClientCreate();

}  // namespace zephrane::iokit
