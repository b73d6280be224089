// Kernel return codes of the IOKit calls we stand in for. The numbers are the
// platform's, so callers see exactly the codes they would see on a Mac.
#pragma once

#include <cstdint>

namespace zephrane::iokit {

using kern_return_t = std::int32_t;

constexpr kern_return_t ioReturn(std::uint32_t code) { return static_cast<kern_return_t>(code); }

inline constexpr kern_return_t kIOReturnSuccess = 0;
inline constexpr kern_return_t kIOReturnError = ioReturn(0xE00002BC);
inline constexpr kern_return_t kIOReturnNoDevice = ioReturn(0xE00002C0);
inline constexpr kern_return_t kIOReturnNotPrivileged = ioReturn(0xE00002C1);
inline constexpr kern_return_t kIOReturnBadArgument = ioReturn(0xE00002C2);
inline constexpr kern_return_t kIOReturnUnsupported = ioReturn(0xE00002C7);
inline constexpr kern_return_t kIOReturnNotOpen = ioReturn(0xE00002CD);
inline constexpr kern_return_t kIOReturnNotPermitted = ioReturn(0xE00002E2);
inline constexpr kern_return_t kIOReturnUnderrun = ioReturn(0xE00002E7);
inline constexpr kern_return_t kIOReturnOverrun = ioReturn(0xE00002E8);
inline constexpr kern_return_t kIOReturnNotResponding = ioReturn(0xE00002ED);

}  // namespace zephrane::iokit
