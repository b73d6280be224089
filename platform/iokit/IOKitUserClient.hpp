// The IOKit calls the SMC transport makes, with their Mac shapes and return
// codes, served by the simulated machine over a Unix-domain socket (wire in
// SimulatorProtocol.hpp).
//
// When the simulator shares its key table (KeyTableSegment.hpp), a
// connection maps it at open and answers key information, reads and
// key-at-index from it without a round trip, with the same bytes and the
// same faults the socket would give (the simulator sends the calls a fault
// touches back over the socket); writes and everything else always go over
// the socket. Without a table, every call does. The table is read only while
// the simulator's lease holds and not at all once its socket has hung up.
//
// Every open and every call over the socket has a deadline (SocketPaths.hpp:
// 30 s unless $ZEPHRANE_SMC_DEADLINE_MS says otherwise) and fails with
// kIOReturnNotResponding once it passes: a simulator that stops (SIGSTOP, a
// hung key) costs a caller that long at most, never for ever.
//
// Handles are small integers, like Mach port names: a service handle stands
// for the service's socket path, a connection handle for one open socket.
// They live in one process-wide table; the table's lock is held only to look
// a handle up, never during socket I/O, and each connection has its own
// exchange lock, so a call hung on one connection never blocks a call on
// another. On its own connection it holds up every later call, reads the
// table would answer included, as on a connection without a table.
//
// Codes the stand-in produces itself (the simulator's own answers pass through
// unchanged):
//   IOServiceOpen   kIOReturnBadArgument   unknown service handle, null out-parameter,
//                                          or a socket path too long for an address
//                   kIOReturnNoDevice      nothing listens on the socket (file gone,
//                                          connection refused)
//                   kIOReturnNotPrivileged the socket exists but we may not connect
//                   kIOReturnNotResponding the simulator vanished during the open
//                                          handshake, or did not finish it within
//                                          the deadline
//                   kIOReturnError         a malformed handshake answer, or any other
//                                          failure to connect
//   IOConnectCallStructMethod
//                   kIOReturnNotOpen       the handle is not an open connection
//                   kIOReturnBadArgument   null buffers, or a request too large to send
//                   kIOReturnNotResponding the simulator is gone, gave no answer within
//                                          the deadline, or the connection broke
//                                          earlier; the connection stays dead
//                   kIOReturnError         the simulator sent a malformed or oversized
//                                          frame; the connection is closed
//                   kIOReturnOverrun       the answer does not fit the output buffer
//   IOServiceClose, IOObjectRelease
//                   kIOReturnBadArgument   not a handle of the expected kind
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/iokit/IOReturn.hpp"

namespace zephrane::iokit {

using io_object_t = std::uint32_t;
using io_service_t = io_object_t;
using io_connect_t = io_object_t;
using mach_port_t = std::uint32_t;

// 0 is never a valid handle: "no service", "no connection".
inline constexpr io_object_t IO_OBJECT_NULL = 0;
inline constexpr mach_port_t kIOMainPortDefault = 0;

// The task whose rights a connection carries; the stand-in has one task.
mach_port_t mach_task_self();

// A matching dictionary that names a service class.
struct MatchingDictionary {
    std::string className;
};

MatchingDictionary IOServiceMatching(std::string_view className);

// The one service matching the dictionary, or IO_OBJECT_NULL. "AppleSMC"
// exists while its socket file does (path from SocketPaths.hpp); no other
// class is served.
io_service_t IOServiceGetMatchingService(mach_port_t mainPort, const MatchingDictionary& matching);

// Connects to the service and opens the user client of the given type. On
// success *connect holds the new connection; on failure it is left untouched
// and nothing stays open.
kern_return_t IOServiceOpen(io_service_t service, mach_port_t owningTask, std::uint32_t type, io_connect_t* connect);

// One exchange: the request goes out as is; on success the answer is copied
// to `output` and *outputSize becomes its length, which may be less than the
// caller asked for (a short answer). On failure *outputSize is 0.
kern_return_t IOConnectCallStructMethod(io_connect_t connection, std::uint32_t selector, const void* input,
                                        std::size_t inputSize, void* output, std::size_t* outputSize);

// Closes the connection. A call blocked on it in another thread returns
// kIOReturnNotResponding.
kern_return_t IOServiceClose(io_connect_t connection);

// Releases a service handle.
kern_return_t IOObjectRelease(io_object_t object);

}  // namespace zephrane::iokit
