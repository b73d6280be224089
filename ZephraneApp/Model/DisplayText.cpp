#include "ZephraneApp/Model/DisplayText.hpp"

#include <limits>

namespace zephrane {

std::string fanDisplayName(std::int64_t id, std::span<const std::int64_t> sortedIds) {
    if (sortedIds.size() == 1) return "Fan";
    if (sortedIds.size() == 2) return id == sortedIds.front() ? "Left Fan" : "Right Fan";
    // Fan indices are small; the largest id keeps its own number rather than
    // overflow.
    const std::int64_t shown = id < std::numeric_limits<std::int64_t>::max() ? id + 1 : id;
    return "Fan " + std::to_string(shown);
}

std::string makeControlSourceCaption(bool autoBoostEngaged, bool meetingQuietActive,
                                     std::optional<FanPreset> activePreset, bool anyManualTarget,
                                     const std::optional<FanProfile>& activeProfile) {
    if (autoBoostEngaged) return "Max: overheat response";
    if (meetingQuietActive && activePreset == FanPreset::quiet) return "Quiet: microphone in use";
    if (anyManualTarget) return "Manual control";
    if (!activeProfile || activeProfile->mode == ControlMode::appleAuto) return "macOS automatic control";
    if (activeProfile->id == FanProfile::silentStealth().id) return "Quiet curve";
    if (activeProfile->id == FanProfile::nimbraStandard().id) return "Balanced curve";
    if (activeProfile->id == FanProfile::maxThermalBlast().id) return "Max cooling";
    if (activeProfile->mode == ControlMode::constantRPM) return "Speed locked";
    return activeProfile->name;
}

}  // namespace zephrane
