#include "shared/WorkloadPolicy.hpp"

#include <algorithm>
#include <array>

namespace zephrane {

std::span<const WorkloadPolicy::HeavyApp> WorkloadPolicy::heavyApps() {
    static constexpr std::array<HeavyApp, 5> table{{
        {"com.apple.dt.Xcode", 0.45},
        {"com.apple.FinalCut", 0.55},
        {"org.blenderfoundation.blender", 0.55},
        {"com.adobe.PremierePro", 0.5},
        {"com.blackmagic-design.DaVinciResolve", 0.55},
    }};
    return table;
}

double WorkloadPolicy::boost(std::string_view bundleID) {
    double best = 0;
    for (const auto& app : heavyApps())
        if (bundleID.starts_with(app.bundleID)) best = std::max(best, app.boost);
    return best;
}

void WorkloadPolicy::appLaunched(std::string_view bundleID) {
    if (boost(bundleID) > 0) running_.emplace(bundleID);
}

void WorkloadPolicy::appTerminated(std::string_view bundleID) {
    if (auto it = running_.find(bundleID); it != running_.end()) running_.erase(it);
}

void WorkloadPolicy::seed(std::span<const std::string> runningBundleIDs) {
    for (const auto& id : runningBundleIDs) appLaunched(id);
}

double WorkloadPolicy::currentBoost() const {
    double best = 0;
    for (const auto& id : running_) best = std::max(best, boost(id));
    return best;
}

}  // namespace zephrane
