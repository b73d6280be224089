// The words several screens share, so every screen names a fan and whoever
// drives the fans the same way.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "shared/FanModel.hpp"

namespace zephrane {

// A fan's name among all fans (ids ascending): "Fan" when it is the only
// one, "Left Fan" / "Right Fan" for two, otherwise "Fan " and its index
// counted from one.
std::string fanDisplayName(std::int64_t id, std::span<const std::int64_t> sortedIds);

// Who drives the fans right now, in a few words. Built-in profiles are
// recognised by id, never by name.
std::string makeControlSourceCaption(bool autoBoostEngaged, bool meetingQuietActive,
                                     std::optional<FanPreset> activePreset, bool anyManualTarget,
                                     const std::optional<FanProfile>& activeProfile);

}  // namespace zephrane
