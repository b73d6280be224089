#include "ZephraneApp/MainWindow/FanMode.hpp"

#include <limits>

namespace zephrane::mainwindow {

std::string_view fanModeLabel(FanMode mode) {
    switch (mode) {
        case FanMode::auto_: return "Automatic";
        case FanMode::silent: return "Quiet";
        case FanMode::balanced: return "Balanced";
        case FanMode::max: return "Max";
        case FanMode::manual: return "Manual";
    }
    return "";
}

const FanProfile* fanModeProfile(FanMode mode) {
    switch (mode) {
        case FanMode::auto_: return &FanProfile::appleAuto();
        case FanMode::silent: return &FanProfile::silentStealth();
        case FanMode::balanced: return &FanProfile::nimbraStandard();
        case FanMode::max: return &FanProfile::maxThermalBlast();
        case FanMode::manual: return nullptr;
    }
    return nullptr;
}

std::optional<FanMode> currentFanMode(bool hasManualTargets, const std::optional<FanProfile>& activeProfile) {
    if (hasManualTargets) return FanMode::manual;
    if (!activeProfile) return FanMode::auto_;
    for (const FanMode mode : {FanMode::auto_, FanMode::silent, FanMode::balanced, FanMode::max})
        if (fanModeProfile(mode)->id == activeProfile->id) return mode;
    if (activeProfile->mode == ControlMode::constantRPM)
        return activeProfile->constantTargetRPM == std::numeric_limits<std::int64_t>::max() ? FanMode::max
                                                                                           : FanMode::manual;
    return std::nullopt;
}

FanHealthBadge fanHealthBadge(FanHealthMonitor::Warning warning) {
    switch (warning) {
        case FanHealthMonitor::Warning::underperforming:
            return {"This fan can't reach its commanded speed. Dust or an obstruction may be limiting it.",
                    "Warning: fan may be obstructed"};
        case FanHealthMonitor::Warning::stalled:
            return {"This fan is commanded to spin but isn't. It may have failed.", "Warning: fan may have failed"};
    }
    return {};
}

}  // namespace zephrane::mainwindow
