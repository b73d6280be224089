// The listening socket a service binds for itself (the daemon's listener,
// the simulator's four sockets), made so that no other local user can have a
// say in it: the directory must be the service's own (owned by root or by
// the serving user, and writable by nobody else), the socket file gets its
// mode as it is created rather than by a chmod of its path afterwards, and
// nothing already at the path (a symlink, a file, a live server's socket) is
// ever followed or replaced. Only a socket left by a server that died is
// removed first.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

namespace zephrane {

struct OwnSocket {
    int fd = -1;  // bound and listening; the caller's to close
    dev_t device = 0;  // the socket file, so that only it is ever removed
    ino_t inode = 0;
};

// Creates the directory of `path` when missing. Throws std::system_error
// when the directory is not safe (EPERM), the path holds something other
// than a socket (EEXIST), another process serves it (EADDRINUSE), or the
// socket cannot be made.
OwnSocket listenAtOwnPath(const std::string& path, mode_t mode);

}  // namespace zephrane
