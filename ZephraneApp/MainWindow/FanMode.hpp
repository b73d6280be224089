// The fans card's picker: how the fans are driven, as one of five segments,
// read back from what the engine holds, and chosen by the engine calls that
// make it so.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "ZephraneApp/Services/Records/FanHealthMonitor.hpp"
#include "shared/FanModel.hpp"

namespace zephrane::mainwindow {

enum class FanMode : std::uint8_t { auto_, silent, balanced, max, manual };

inline constexpr std::array kFanModes{FanMode::auto_, FanMode::silent, FanMode::balanced, FanMode::max,
                                      FanMode::manual};

// "Automatic", "Quiet", "Balanced", "Max", "Manual".
std::string_view fanModeLabel(FanMode mode);

// The built-in profile a mode applies; none for manual.
const FanProfile* fanModeProfile(FanMode mode);

// The segment the engine's state selects: manual targets first, then the
// active profile by its identity alone, then a constant speed (the largest
// one is Max); a custom mode's own curve selects none.
std::optional<FanMode> currentFanMode(bool hasManualTargets, const std::optional<FanProfile>& activeProfile);

// The hover help and spoken label of a fan's health badge.
struct FanHealthBadge {
    std::string_view help;
    std::string_view accessibilityLabel;
};
FanHealthBadge fanHealthBadge(FanHealthMonitor::Warning warning);

}  // namespace zephrane::mainwindow
