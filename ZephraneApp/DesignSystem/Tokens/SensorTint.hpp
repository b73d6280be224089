// The tint of a device sensor row's symbol chip, by the row's id, so every
// screen colours a sensor family the same way.
#pragma once

#include <string_view>

#include "ZephraneApp/DesignSystem/Tokens/Palette.hpp"

namespace zephrane {

// Case-sensitive; the secondary label colour for ids no family claims.
Theme::SystemColor sensorTint(std::string_view sensorId);

}  // namespace zephrane
