// Known heavy applications (compilers, renderers, video editors) and the fan
// boost each earns while running: the engine raises the fans' floor ahead of
// the heat instead of waiting for the temperature to climb.
#pragma once

#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zephrane {

class WorkloadPolicy {
public:
    struct HeavyApp {
        std::string_view bundleID;
        double boost;  // fraction of the fan range
    };

    static std::span<const HeavyApp> heavyApps();

    // The largest boost among table entries that are a prefix of `bundleID`
    // (so beta builds named after the app match too); 0 when none.
    static double boost(std::string_view bundleID);

    void appLaunched(std::string_view bundleID);
    void appTerminated(std::string_view bundleID);
    void seed(std::span<const std::string> runningBundleIDs);

    // The strongest running app's boost, never a sum; 0 when none runs.
    double currentBoost() const;

    const std::set<std::string, std::less<>>& running() const { return running_; }

    friend bool operator==(const WorkloadPolicy&, const WorkloadPolicy&) = default;

private:
    std::set<std::string, std::less<>> running_;  // only identifiers with a boost
};

}  // namespace zephrane
