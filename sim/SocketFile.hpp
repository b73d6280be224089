// Binding one of the simulator's sockets so that no other local user has a
// say in it: the directory must be owned by root or by us and writable by
// nobody else (anyone who may write there could swap the path between two
// steps of ours), and the socket file gets its mode as bind() creates it,
// never by a chmod of its path afterwards.
#pragma once

#include <sys/types.h>

#include <filesystem>

namespace zephrane::sim {

// A Unix stream socket bound at `path` with exactly `mode`, not yet
// listening; the caller's to close. Throws std::runtime_error when the
// directory is not safe or the bind fails.
int bindSocketFile(const std::filesystem::path& path, mode_t mode);

}  // namespace zephrane::sim
