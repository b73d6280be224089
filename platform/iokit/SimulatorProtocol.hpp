// The wire between the IOKit stand-in (the client side, in this folder) and
// the simulated machine's server (`zephrane-sim`). Both ends include this
// header; nothing else speaks it.
//
// Sockets (Unix-domain, stream), in one directory:
//   $ZEPHRANE_SIM_DIR (default /run/zephrane)
//   AppleSMC.sock  the SMC user client      ($ZEPHRANE_SMC_SOCKET overrides the path)
//   HID.sock       the HID event system     ($ZEPHRANE_HID_SOCKET overrides the path)
//   IORegistry.sock  the I/O Registry and the power-sources service
//                                           ($ZEPHRANE_REGISTRY_SOCKET overrides the path)
//   control.sock   test control: fault injection, load, peeking at keys
// No socket file means no such service on this machine.
//
// Framing, both directions: a 4-byte big-endian payload length, then the
// payload. A payload longer than kMaxPayload is a protocol violation and the
// receiver closes the connection.
//
// AppleSMC.sock, requests (first payload byte = operation):
//   kOpOpen  u32 BE connection type      -> i32 BE kern_return
//            Must come first; any call before a successful open is answered
//            kIOReturnNotOpen. A successful answer may carry, with its first
//            byte (SCM_RIGHTS), a descriptor of the simulator's key table in
//            shared memory (KeyTableSegment.hpp); a client that does not
//            take it makes every call over the socket.
//   kOpCall  u32 BE selector, then the request record (80 bytes)
//                                          -> i32 BE kern_return, then the
//            answer record. The answer has 80 bytes on success; a failing
//            kern_return carries no record. A simulated short answer carries
//            fewer bytes with kIOReturnSuccess (the client then reports
//            kIOReturnUnderrun, as the kernel glue does).
//            A request payload of any other length is answered
//            kIOReturnBadArgument; a selector other than 2 kIOReturnUnsupported;
//            a write (command 6) from a peer that may not write
//            kIOReturnNotPrivileged.
//   Any other operation byte: the server closes the connection.
//
// HID.sock: kOpCopyServices (one byte) -> a JSON array, one object per
//   service: {"Product": text (absent or not a text for services without a
//   product name), "temperature": number (absent when the service has no
//   temperature event)}.
//
// IORegistry.sock: one request per frame, first payload byte = operation, the
//   rest its argument as UTF-8 text; each answer is one JSON text. Property
//   maps are JSON objects with the Mac's property names and units.
//   kOpMatchingServices  class name   -> an array of the property maps of the
//            services of that class (or a subclass), in registry order; []
//            when there is none
//   kOpEntryAtPath       registry path -> the entry's property map, or null
//            when no entry lies at that path
//   kOpPowerSourceType   (nothing)    -> the providing power source type as
//            text ("AC Power", "Battery Power"), or null
//   kOpAdapterDetails    (nothing)    -> the external adapter's details
//            ({"Watts": n, ...}), or null when no adapter is connected
//   kOpShareRegistry     (nothing)    -> null, carrying (SCM_RIGHTS) a
//            descriptor of the answers to the questions asked every second
//            in shared memory (AnswerSegment.hpp) when the simulator shares
//            them; a client that never asks asks everything over the socket
//   Any other operation byte, or an empty payload: the server closes the
//   connection.
//
// control.sock: one JSON object per frame, answered with one JSON object
//   ({"ok": true, ...} or {"ok": false, "error": text}); the commands are
//   listed with the server.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zephrane::iokit::wire {

inline constexpr std::size_t kRecordSize = 80;
inline constexpr std::size_t kMaxPayload = 64 * 1024;
inline constexpr std::uint32_t kSMCSelector = 2;

inline constexpr std::uint8_t kOpOpen = 1;
inline constexpr std::uint8_t kOpCall = 2;
inline constexpr std::uint8_t kOpCopyServices = 3;
inline constexpr std::uint8_t kOpMatchingServices = 4;
inline constexpr std::uint8_t kOpEntryAtPath = 5;
inline constexpr std::uint8_t kOpPowerSourceType = 6;
inline constexpr std::uint8_t kOpAdapterDetails = 7;
inline constexpr std::uint8_t kOpShareRegistry = 8;

inline constexpr std::string_view kDefaultDirectory = "/run/zephrane";
inline constexpr std::string_view kSMCSocketName = "AppleSMC.sock";
inline constexpr std::string_view kHIDSocketName = "HID.sock";
inline constexpr std::string_view kRegistrySocketName = "IORegistry.sock";
inline constexpr std::string_view kControlSocketName = "control.sock";

inline constexpr std::string_view kDirectoryVariable = "ZEPHRANE_SIM_DIR";
inline constexpr std::string_view kSMCSocketVariable = "ZEPHRANE_SMC_SOCKET";
inline constexpr std::string_view kHIDSocketVariable = "ZEPHRANE_HID_SOCKET";
inline constexpr std::string_view kRegistrySocketVariable = "ZEPHRANE_REGISTRY_SOCKET";
inline constexpr std::string_view kSMCDeadlineVariable = "ZEPHRANE_SMC_DEADLINE_MS";

}  // namespace zephrane::iokit::wire
