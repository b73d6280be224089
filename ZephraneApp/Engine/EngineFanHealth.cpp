// Fan health: while the engine drives the fans through a connected daemon,
// each fan's speed is compared with the speed it was sent, and a fan that
// does not turn, or stays well below its command, is warned about once.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "ZephraneApp/Model/DisplayText.hpp"
#include "ZephraneApp/Engine/ZephraneEngine.hpp"
#include "shared/NumberText.hpp"
#include "shared/Saturating.hpp"

namespace zephrane {

namespace {

// No fan turns this fast: a command beyond it is what a failed write left in
// the ramp (the Max profile asks for the largest 64-bit integer), not a speed
// the fan could be judged against.
constexpr double kImplausibleRPM = 100000;

}  // namespace

// The value may be anything a failed write left behind, so the cut saturates
// rather than overflow.
std::string ZephraneEngine::notificationRPMText(double rpm) {
    if (std::isnan(rpm)) return "--";
    return groupedIntegerText(saturatingCast<std::int64_t>(rpm));
}

void ZephraneEngine::evaluateFanHealth(const std::vector<FanStatus>& polledFans) {
    if (!fanHealthWarningsEnabled_) return;
    const auto now = clock_->suspendingNow();
    std::vector<std::int64_t> sortedIds;
    sortedIds.reserve(polledFans.size());
    for (const auto& fan : polledFans) sortedIds.push_back(fan.id);
    std::sort(sortedIds.begin(), sortedIds.end());

    const bool commanding = isControlling_ && !isHelperInstallInFlight_ && !isHelperUninstallInFlight_ &&
                            helperState_.kind() == HelperState::Kind::connected;
    for (const auto& fan : polledFans) {
        if (fan.id < 0 || fan.id > std::numeric_limits<int>::max()) continue;
        const int id = static_cast<int>(fan.id);
        std::optional<double> commanded;
        if (commanding && fan.currentRPMValid) {
            if (const auto ramped = rampedTargets_.find(id); ramped != rampedTargets_.end()) {
                commanded = ramped->second;
                // The ramp holds what was asked for, which a failed write may
                // leave anywhere: no fan is asked for more than its maximum,
                // so a fan at full speed is never judged short of more.
                if (std::isfinite(fan.maxRPM) && fan.maxRPM > 0 && *commanded > fan.maxRPM) commanded = fan.maxRPM;
                if (!(*commanded < kImplausibleRPM)) commanded.reset();
            }
        }
        const auto event = fanHealth_.observe(id, commanded, fan.currentRPM, now);
        if (event) reportFanHealthEvent(*event, fan.id, sortedIds);
    }
}

void ZephraneEngine::reportFanHealthEvent(const FanHealthMonitor::Event& event, std::int64_t fan,
                                          std::span<const std::int64_t> sortedIds) {
    const int id = static_cast<int>(fan);
    const std::string name = fanDisplayName(fan, sortedIds);
    const std::string key = "fanhealth." + std::to_string(fan);
    FanWarningTable warnings = fanHealthWarnings_;
    if (std::holds_alternative<FanHealthMonitor::Stalled>(event)) {
        warnings[id] = FanHealthMonitor::Warning::stalled;
        const auto ramped = rampedTargets_.find(id);
        const double commanded = ramped == rampedTargets_.end() ? 0 : ramped->second;
        alerts_->updateRule(key, true, "Brumalune: Fan May Have Failed",
                            name + " is commanded to " + notificationRPMText(commanded) + " RPM but isn't spinning.");
    } else if (const auto* low = std::get_if<FanHealthMonitor::Underperforming>(&event)) {
        warnings[id] = FanHealthMonitor::Warning::underperforming;
        alerts_->updateRule(key, true, "Brumalune: Fan May Be Obstructed",
                            name + " only reaches " + notificationRPMText(low->actualRPM) + " of " +
                                notificationRPMText(low->commandedRPM) +
                                " RPM. Dust or an obstruction may be limiting it.");
    } else {
        warnings.erase(id);
        // Remembered as not triggered, with no notification: the fan's next
        // failure notifies again.
        alerts_->updateRule(key, false, {}, {});
    }
    publish(fanHealthWarnings_, std::move(warnings), &ZephraneEngine::fanHealthWarningsChanged);
}

}  // namespace zephrane
