#include "smc/SMCFanReader.hpp"

#include <cmath>
#include <exception>

#include "shared/Clamping.hpp"
#include "shared/FanKey.hpp"
#include "shared/Saturating.hpp"

namespace zephrane {

std::optional<double> SMCFanReader::readValue(const std::string& key) const {
    try {
        return bridge_->read(key);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

int SMCFanReader::fanCount() const {
    // An integer-typed count is always finite and small; anything else is
    // no count at all and falls through to probing.
    constexpr double int64UpperExclusive = 9223372036854775808.0;
    if (auto count = readValue(std::string(FanKey::fanCount));
        count && std::isfinite(*count) && *count < int64UpperExclusive && *count >= -int64UpperExclusive) {
        const auto whole = saturatingCast<std::int64_t>(*count);
        return static_cast<int>(clamped<std::int64_t>(whole, 0, kMaxFans));
    }
    // Gaps do not stop the probe: a missing F0Ac below a present F1Ac is
    // still a fan.
    int count = 0;
    for (int fan = 0; fan < kMaxFans; ++fan)
        if (bridge_->hasKey(FanKey::current(fan))) count = fan + 1;
    return count;
}

FanStatus SMCFanReader::status(int fan, std::optional<Bounds> knownBounds) const {
    FanStatus status;
    status.id = fan;
    const auto current = readValue(FanKey::current(fan));
    status.currentRPM = current.value_or(0.0);
    status.currentRPMValid = current.has_value();
    if (knownBounds) {
        status.minRPM = knownBounds->min;
        status.maxRPM = knownBounds->max;
    } else {
        status.minRPM = readValue(FanKey::minimum(fan)).value_or(0.0);
        status.maxRPM = readValue(FanKey::maximum(fan)).value_or(0.0);
    }
    status.targetRPM = readValue(FanKey::target(fan)).value_or(status.currentRPM);
    status.isManaged = readValue(FanKey::mode(fan)) == 1.0;
    return status;
}

std::vector<FanStatus> SMCFanReader::allFans() const {
    const int count = fanCount();
    std::vector<FanStatus> fans;
    fans.reserve(static_cast<std::size_t>(count));
    for (int fan = 0; fan < count; ++fan) fans.push_back(status(fan));
    return fans;
}

}  // namespace zephrane
