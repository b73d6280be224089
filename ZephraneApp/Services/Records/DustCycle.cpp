#include "ZephraneApp/Services/Records/DustCycle.hpp"

#include <array>
#include <cstddef>
#include <numeric>

namespace zephrane {

namespace {

using namespace std::chrono_literals;

constexpr std::array<DustCycle::Step, 10> makePattern() {
    std::array<DustCycle::Step, 10> steps{};
    for (std::size_t pair = 0; pair < 5; ++pair) {
        steps[2 * pair] = {0.8, 3s};
        steps[2 * pair + 1] = {0.3, 2s};
    }
    return steps;
}

constexpr auto kPattern = makePattern();

constexpr DustCycle::Duration kTotal =
    std::accumulate(kPattern.begin(), kPattern.end(), DustCycle::Duration::zero(),
                    [](DustCycle::Duration sum, const DustCycle::Step& s) { return sum + s.duration; });

}  // namespace

std::span<const DustCycle::Step> DustCycle::pattern() noexcept { return kPattern; }

DustCycle::Duration DustCycle::totalDuration() noexcept { return kTotal; }

DustCycle::Verdict DustCycle::verdict(Duration elapsed, double controlTemp, bool helperConnected) noexcept {
    if (!helperConnected) return AbortHelperLost{};
    if (!(controlTemp < abortTemperature)) return AbortOverTemp{};
    if (elapsed >= kTotal) return Finished{};
    Duration stepEnd = Duration::zero();
    for (std::size_t i = 0; i < kPattern.size(); ++i) {
        stepEnd += kPattern[i].duration;
        if (stepEnd > elapsed) return Run{kPattern[i].dutyFraction, static_cast<int>(i), kTotal - elapsed};
    }
    return Finished{};
}

}  // namespace zephrane
