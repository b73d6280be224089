// A registry for tests: services, entries, the power-source type and the
// adapter details are whatever the test sets, and may be changed while other
// threads read (every member is guarded). Services match by the exact class
// name they were added under.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/iokit/IORegistry.hpp"

namespace zephrane::iokit {

class FakeIORegistry final : public IORegistry {
public:
    void addService(std::string className, RegistryProperties properties) {
        std::lock_guard lock(mutex_);
        services_[std::move(className)].push_back(std::move(properties));
    }
    void setEntry(std::string path, RegistryProperties properties) {
        std::lock_guard lock(mutex_);
        entries_.insert_or_assign(std::move(path), std::move(properties));
    }
    void setPowerSourceType(std::optional<std::string> type) {
        std::lock_guard lock(mutex_);
        powerSourceType_ = std::move(type);
    }
    // Any JSON value: the caller must cope with details that are not a
    // dictionary.
    void setAdapterDetails(std::optional<nlohmann::json> details) {
        std::lock_guard lock(mutex_);
        adapterDetails_ = std::move(details);
    }

    // How often each class was asked for.
    int matchingCalls(std::string_view className) const {
        std::lock_guard lock(mutex_);
        auto it = matchingCalls_.find(className);
        return it == matchingCalls_.end() ? 0 : it->second;
    }

    std::vector<RegistryProperties> matchingServices(std::string_view className) override {
        std::lock_guard lock(mutex_);
        ++matchingCalls_[std::string(className)];
        auto it = services_.find(className);
        return it == services_.end() ? std::vector<RegistryProperties>{} : it->second;
    }
    std::optional<RegistryProperties> entryAtPath(std::string_view path) override {
        std::lock_guard lock(mutex_);
        auto it = entries_.find(path);
        if (it == entries_.end()) return std::nullopt;
        return it->second;
    }
    std::optional<std::string> providingPowerSourceType() override {
        std::lock_guard lock(mutex_);
        return powerSourceType_;
    }
    std::optional<nlohmann::json> externalPowerAdapterDetails() override {
        std::lock_guard lock(mutex_);
        return adapterDetails_;
    }

private:
    mutable std::mutex mutex_;
    std::map<std::string, std::vector<RegistryProperties>, std::less<>> services_;
    std::map<std::string, RegistryProperties, std::less<>> entries_;
    std::optional<std::string> powerSourceType_;
    std::optional<nlohmann::json> adapterDetails_;
    std::map<std::string, int, std::less<>> matchingCalls_;
};

}  // namespace zephrane::iokit
