// An event system for tests: the services are whatever the test lists, and
// matching works as in the real client, so a source that sets the wrong
// matching finds nothing here either.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/iokit/HIDEventSystemClient.hpp"

namespace zephrane::iokit {

class FakeHIDEventSystemClient final : public HIDEventSystemClient {
public:
    // A service with a "Product" text (absent when `product` is nothing) and
    // the temperature services' usage pair.
    static std::shared_ptr<HIDServiceSnapshot> temperatureService(std::optional<std::string> product,
                                                                  std::optional<double> celsius) {
        std::map<std::string, HIDPropertyValue, std::less<>> properties{
            {std::string(kIOHIDPrimaryUsagePageKey), std::int64_t{0xFF00}},
            {std::string(kIOHIDPrimaryUsageKey), std::int64_t{5}},
        };
        if (product) properties.emplace(std::string(kIOHIDProductKey), *product);
        return std::make_shared<HIDServiceSnapshot>(std::move(properties), celsius);
    }

    // Nothing models an event system that cannot be reached.
    void setServices(std::optional<std::vector<std::shared_ptr<HIDServiceSnapshot>>> services) {
        services_ = std::move(services);
    }

    void setMatching(HIDMatching matching) override { matching_ = std::move(matching); }
    const HIDMatching& matching() const { return matching_; }
    int copyServicesCalls() const { return copyServicesCalls_; }

    std::optional<std::vector<std::shared_ptr<HIDServiceClient>>> copyServices() override {
        ++copyServicesCalls_;
        if (!services_) return std::nullopt;
        std::vector<std::shared_ptr<HIDServiceClient>> matched;
        for (const auto& service : *services_)
            if (service->matches(matching_)) matched.push_back(service);
        return matched;
    }

private:
    std::optional<std::vector<std::shared_ptr<HIDServiceSnapshot>>> services_{std::in_place};
    HIDMatching matching_;
    int copyServicesCalls_ = 0;
};

}  // namespace zephrane::iokit
