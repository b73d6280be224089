// Names of the per-fan SMC keys ("F" + index + suffix) and the two fan-wide
// keys. Every name is exactly four characters, which is why a fan index must
// be a single digit.
#pragma once

#include <string>
#include <string_view>

namespace zephrane::FanKey {

// Number of fans.
inline constexpr std::string_view fanCount = "FNum";
// Diagnostic unlock: set to 1 before taking manual control of a fan, back to
// 0 when control is handed back.
inline constexpr std::string_view forceTest = "Ftst";

// Each takes the fan's zero-based index, 0 to 9. Any other index is a
// programming error (callers check against the fan count first) and throws
// std::out_of_range rather than building a key of the wrong length.

// "FnAc": the fan's actual speed (RPM).
std::string current(int index);
// "FnMn": the fan's lowest speed (RPM).
std::string minimum(int index);
// "FnMx": the fan's highest speed (RPM).
std::string maximum(int index);
// "FnTg": the fan's target speed (RPM).
std::string target(int index);
// "FnMd": the fan's control mode, 1 manual, 0 automatic.
std::string mode(int index);

}  // namespace zephrane::FanKey
