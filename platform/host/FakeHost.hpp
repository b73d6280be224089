// A host held in memory for tests: each figure is whatever the test set, an
// empty one reads as a failed call, and every read is counted. Safe to use
// from several threads at once, so concurrent callers can be tested.
#pragma once

#include <map>
#include <mutex>
#include <utility>

#include "platform/host/Host.hpp"

namespace zephrane::host {

class FakeHost final : public Host {
public:
    struct Figures {
        std::optional<CPULoadInfo> cpuLoad;
        std::optional<VMStatistics64> vm;
        std::optional<std::uint64_t> pageSize = 16384;
        std::uint64_t physicalMemory = 0;
        std::map<std::string, std::int64_t, std::less<>> sysctls;
        std::optional<SwapUsage> swap;
        std::optional<VolumeCapacity> volume;
    };

    FakeHost() = default;
    explicit FakeHost(Figures figures) : figures_(std::move(figures)) {}

    // Changes figures in place: `host.update([](auto& f) { f.cpuLoad->idle += 10; });`
    template <class Change>
    void update(Change&& change) {
        std::lock_guard lock(mutex_);
        change(figures_);
    }

    int cpuLoadReads() const { return count(&Counts::cpuLoad); }
    int sysctlReads() const { return count(&Counts::sysctl); }
    int volumeReads() const { return count(&Counts::volume); }
    // The path of the latest volume request.
    std::string lastVolumePath() const {
        std::lock_guard lock(mutex_);
        return lastVolumePath_;
    }

    std::optional<CPULoadInfo> cpuLoadInfo() override {
        std::lock_guard lock(mutex_);
        ++counts_.cpuLoad;
        return figures_.cpuLoad;
    }
    std::optional<VMStatistics64> vmStatistics64() override {
        std::lock_guard lock(mutex_);
        return figures_.vm;
    }
    std::optional<std::uint64_t> pageSize() override {
        std::lock_guard lock(mutex_);
        return figures_.pageSize;
    }
    std::uint64_t physicalMemory() override {
        std::lock_guard lock(mutex_);
        return figures_.physicalMemory;
    }
    std::optional<std::int64_t> sysctlInteger(std::string_view name) override {
        std::lock_guard lock(mutex_);
        ++counts_.sysctl;
        const auto found = figures_.sysctls.find(name);
        if (found == figures_.sysctls.end()) return std::nullopt;
        return found->second;
    }
    std::optional<SwapUsage> swapUsage() override {
        std::lock_guard lock(mutex_);
        return figures_.swap;
    }
    std::optional<VolumeCapacity> volumeCapacity(const std::string& path) override {
        std::lock_guard lock(mutex_);
        ++counts_.volume;
        lastVolumePath_ = path;
        return figures_.volume;
    }

private:
    struct Counts {
        int cpuLoad = 0;
        int sysctl = 0;
        int volume = 0;
    };

    int count(int Counts::*which) const {
        std::lock_guard lock(mutex_);
        return counts_.*which;
    }

    mutable std::mutex mutex_;
    Figures figures_;
    Counts counts_;
    std::string lastVolumePath_;
};

}  // namespace zephrane::host
