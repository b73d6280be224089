// The words and tints several screens share, so every screen names a fan, a
// sensor family and whoever drives the fans the same way.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ZephraneApp/DesignSystem/Palette.hpp"
#include "shared/FanModel.hpp"

namespace zephrane {

// A fan's name among all fans (ids ascending): "Fan" when it is the only
// one, "Left Fan" / "Right Fan" for two, otherwise "Fan " and its index
// counted from one.
std::string fanDisplayName(std::int64_t id, std::span<const std::int64_t> sortedIds);

// The tint of a device sensor row's symbol, by the row's id
// (case-sensitive); the secondary label colour for ids no family claims.
Theme::SystemColor sensorTint(std::string_view sensorId);

// Who drives the fans right now, in a few words. Built-in profiles are
// recognised by id, never by name.
std::string makeControlSourceCaption(bool autoBoostEngaged, bool meetingQuietActive,
                                     std::optional<FanPreset> activePreset, bool anyManualTarget,
                                     const std::optional<FanProfile>& activeProfile);

}  // namespace zephrane
