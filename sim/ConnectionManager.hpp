// Owns the open connections of one of the server's sockets, so that stopping
// the server closes every one of them, and bounds how many there are. Each
// socket has a manager of its own, so clients crowding one socket never lock
// anyone out of another; a manager may keep room beyond its limit for root
// (the SMC socket does, for the daemon's emergency restore, which opens a
// second connection). Used on the server's thread only.
#pragma once

#include <cstddef>
#include <memory>
#include <set>
#include <string>

#include <sys/types.h>

#include "sim/Connection.hpp"

namespace zephrane::sim {

struct ConnectionLimits {
    std::size_t clients = 256;    // open connections of any user
    std::size_t rootReserve = 0;  // more, for root only
};

class ConnectionManager {
public:
    // `socketName` names the socket in log lines.
    ConnectionManager(std::string socketName, ConnectionLimits limits)
        : socketName_(std::move(socketName)), limits_(limits) {}

    // Starts the connection of a peer with this uid; past the limit it is
    // closed at once and false is returned.
    bool start(std::shared_ptr<Connection> connection, uid_t peer);
    // Closes and forgets the connection; a second call does nothing.
    void stop(const std::shared_ptr<Connection>& connection);
    void stopAll();

    std::size_t size() const { return connections_.size(); }
    const ConnectionLimits& limits() const { return limits_; }

private:
    std::string socketName_;
    ConnectionLimits limits_;
    std::set<std::shared_ptr<Connection>> connections_;
    bool refusing_ = false;  // a refusal was logged since the count was last below the limit
};

}  // namespace zephrane::sim
