// On-demand start: a service manager (systemd, or systemd-socket-activate in
// tests and demos) owns the listening socket and starts the daemon when the
// first client connects, handing the socket over as descriptor 3 with
// LISTEN_PID set to the daemon's pid and LISTEN_FDS to the count.
#pragma once

#include <optional>

namespace zephrane::xpc {

inline constexpr int kFirstActivatedDescriptor = 3;

// The inherited listening socket when LISTEN_PID names this process and
// LISTEN_FDS is at least 1; the variables are then removed, so a child we
// start never takes the socket for its own. Throws std::system_error when
// descriptor 3 is not a listening Unix stream socket. Reads and changes the
// environment: call it before other threads do either.
std::optional<int> takeActivatedSocket();

// Throws std::system_error unless `fd` is a listening Unix stream socket.
void requireListeningUnixSocket(int fd);

}  // namespace zephrane::xpc
