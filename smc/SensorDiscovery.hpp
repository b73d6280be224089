// The SMC publishes no list of its sensors. Discovery walks every key it
// reports, reads each one's value and keeps the keys the classifier
// recognises, as SMCSensor values in key-index order; refresh re-reads the
// values of sensors found earlier. Neither throws: a key that fails in any
// way is left out (walk) or keeps its last value (refresh), silently. The
// one line it logs is for an implausibly large key count.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "shared/SensorModel.hpp"
#include "smc/SMCKernelBridge.hpp"

namespace zephrane {

class SensorDiscovery {
public:
    // The walk never goes past this many key indexes, whatever "#KEY" says.
    static constexpr std::int64_t kMaxKeys = 16384;

    explicit SensorDiscovery(std::shared_ptr<SMCKernelBridge> bridge) : bridge_(std::move(bridge)) {}

    std::vector<SMCSensor> discoverAll() const;

    // The same sensors in the same order with fresh values where a fresh,
    // plausible value could be had; only currentTemp changes.
    std::vector<SMCSensor> refresh(std::vector<SMCSensor> sensors) const;
    // The same, re-reading only the sensors the predicate picks.
    std::vector<SMCSensor> refresh(std::vector<SMCSensor> sensors,
                                   const std::function<bool(const SMCSensor&)>& predicate) const;

private:
    void refreshOne(SMCSensor& sensor) const;

    std::shared_ptr<SMCKernelBridge> bridge_;
};

}  // namespace zephrane
