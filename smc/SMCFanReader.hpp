// How many fans the machine has and what state one fan is in, read fresh from
// the SMC on every call. The reader never writes and never throws: a failed
// read becomes a neutral value, and only a failed actual-speed read stays
// visible afterwards (FanStatus::currentRPMValid).
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "shared/FanModel.hpp"
#include "smc/SMCKernelBridge.hpp"

namespace zephrane {

class SMCFanReader {
public:
    // A fan's speed range in rpm, as a caller already knows it.
    struct Bounds {
        double min = 0;
        double max = 0;
    };

    static constexpr int kMaxFans = 10;

    explicit SMCFanReader(std::shared_ptr<SMCKernelBridge> bridge) : bridge_(std::move(bridge)) {}

    // 0 to 10. "FNum" when it can be read; otherwise the actual-speed keys
    // F0Ac to F9Ac are probed and the count is one past the highest present.
    int fanCount() const;

    // `fan` must lie in 0 to 9 (std::out_of_range otherwise; callers check it
    // against fanCount()). With `knownBounds` the fan's minimum and maximum
    // keys are not read: three reads instead of five.
    FanStatus status(int fan, std::optional<Bounds> knownBounds = std::nullopt) const;

    // Every fan's status, without known bounds, in index order.
    std::vector<FanStatus> allFans() const;

private:
    std::optional<double> readValue(const std::string& key) const;

    std::shared_ptr<SMCKernelBridge> bridge_;
};

}  // namespace zephrane
