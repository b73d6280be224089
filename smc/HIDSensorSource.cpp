#include "smc/HIDSensorSource.hpp"

#include <algorithm>
#include <unordered_map>

namespace zephrane {
namespace {

constexpr double kLowestCelsius = -40.0;
constexpr double kHighestCelsius = 130.0;

// The vendor-defined usage page and usage of the temperature services.
iokit::HIDMatching temperatureMatching() {
    return {{std::string(iokit::kIOHIDPrimaryUsagePageKey), std::int64_t{0xFF00}},
            {std::string(iokit::kIOHIDPrimaryUsageKey), std::int64_t{5}}};
}

double median(std::vector<double>& values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    if (values.size() % 2 == 1) return values[middle];
    return (values[middle - 1] + values[middle]) / 2.0;
}

}  // namespace

HIDSensorSource::HIDSensorSource() : HIDSensorSource(iokit::IOHIDEventSystemClientCreate()) {}

HIDSensorSource::HIDSensorSource(std::unique_ptr<iokit::HIDEventSystemClient> client) : client_(std::move(client)) {
    if (client_) client_->setMatching(temperatureMatching());
}

std::vector<HIDSensorReading> HIDSensorSource::readAll() const {
    if (!client_) return {};
    const auto services = client_->copyServices();
    if (!services) return {};

    std::vector<std::pair<std::string, double>> readings;
    readings.reserve(services->size());
    for (const auto& service : *services) {
        const auto product = service->copyProperty(iokit::kIOHIDProductKey);
        const auto* name = product ? std::get_if<std::string>(&*product) : nullptr;
        if (!name) continue;
        const auto event = service->copyEvent(iokit::kIOHIDEventTypeTemperature, 0, 0);
        if (!event) continue;
        readings.emplace_back(*name, event->floatValue(iokit::kIOHIDEventFieldTemperatureLevel));
    }
    return medianByName(readings);
}

std::vector<HIDSensorReading> HIDSensorSource::medianByName(
    const std::vector<std::pair<std::string, double>>& readings) {
    std::vector<std::string> order;
    std::unordered_map<std::string, std::vector<double>> groups;
    for (const auto& [name, celsius] : readings) {
        if (name.empty() || name == "?") continue;
        if (!(celsius >= kLowestCelsius && celsius <= kHighestCelsius)) continue;  // NaN fails both
        auto [group, isNew] = groups.try_emplace(name);
        if (isNew) order.push_back(name);
        group->second.push_back(celsius);
    }
    std::vector<HIDSensorReading> result;
    result.reserve(order.size());
    for (const std::string& name : order) result.push_back({name, median(groups[name])});
    return result;
}

}  // namespace zephrane
