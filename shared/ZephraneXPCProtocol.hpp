// The contract between the app and the daemon: five operations, in this
// order, with the values each carries. Both programs compile this one
// declaration; only integers, doubles, Booleans, strings and errors cross.
//
//   setTargetRPMWithFan:rpm:reply:        (int64 fan, double rpm)  -> (double written rpm, error or nil)
//   setManualControlWithFan:enabled:reply: (int64 fan, bool enabled) -> (error or nil)
//   restoreAutomaticControlWithReply:     ()                       -> (error or nil)
//   heartbeatWithReply:                   ()                       -> (double uptime seconds)
//   helperVersionWithReply:               ()                       -> (string build version)
//
// Errors from the daemon carry the domain "com.zephrane.Fanwarden" and the
// codes below.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace zephrane::ZephraneXPCProtocol {

enum class ValueType { int64, float64, boolean, string, optionalError };

struct Operation {
    std::string_view selector;
    std::span<const ValueType> arguments;
    std::span<const ValueType> reply;
};

namespace detail {
inline constexpr std::array<ValueType, 2> fanAndRPM{ValueType::int64, ValueType::float64};
inline constexpr std::array<ValueType, 2> rpmAndError{ValueType::float64, ValueType::optionalError};
inline constexpr std::array<ValueType, 2> fanAndFlag{ValueType::int64, ValueType::boolean};
inline constexpr std::array<ValueType, 1> error{ValueType::optionalError};
inline constexpr std::array<ValueType, 1> seconds{ValueType::float64};
inline constexpr std::array<ValueType, 1> text{ValueType::string};
inline constexpr std::array<ValueType, 0> none{};
}  // namespace detail

inline constexpr Operation setTargetRPM{"setTargetRPMWithFan:rpm:reply:", detail::fanAndRPM, detail::rpmAndError};
inline constexpr Operation setManualControl{"setManualControlWithFan:enabled:reply:", detail::fanAndFlag,
                                            detail::error};
inline constexpr Operation restoreAutomaticControl{"restoreAutomaticControlWithReply:", detail::none,
                                                   detail::error};
inline constexpr Operation heartbeat{"heartbeatWithReply:", detail::none, detail::seconds};
inline constexpr Operation helperVersion{"helperVersionWithReply:", detail::none, detail::text};

inline constexpr std::array<Operation, 5> operations{setTargetRPM, setManualControl, restoreAutomaticControl,
                                                     heartbeat, helperVersion};

inline constexpr std::string_view errorDomain = "com.zephrane.Fanwarden";
inline constexpr std::int64_t rejectedByWritePolicy = 1001;   // "rejected: " + reason
inline constexpr std::int64_t fanIndexOutOfRange = 1002;      // "fan index N out of range"
inline constexpr std::int64_t hardwareFailure = 1003;         // write, engage, disengage or restore failed
inline constexpr std::int64_t engageCanceledByRestore = 1004;  // internal; answered as 1003

}  // namespace zephrane::ZephraneXPCProtocol
