// Owns the open connections of one of the server's sockets, so that stopping
// the server closes every one of them, and bounds how many there are. Each
// socket has a manager of its own, so clients crowding one socket never lock
// anyone out of another; within a socket each user other than root may hold
// only a share of its places, so one user crowding it leaves the others
// room; and a manager may keep room beyond its limit for root (the SMC
// socket does, for the daemon's emergency restore, which opens a second
// connection). Used on the server's thread only.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <string>

#include <sys/types.h>

#include "sim/Connection.hpp"

namespace zephrane::sim {

struct ConnectionLimits {
    std::size_t clients = 256;    // open connections of all users together
    std::size_t rootReserve = 0;  // more, for root only
    std::size_t perUser = 64;     // of one user other than root (root has no share of its own)
};

class ConnectionManager {
public:
    // `socketName` names the socket in log lines.
    ConnectionManager(std::string socketName, ConnectionLimits limits)
        : socketName_(std::move(socketName)), limits_(limits) {}

    // Starts the connection of a peer with this uid; past the limit, or past
    // that user's share, it is closed at once and false is returned.
    bool start(std::shared_ptr<Connection> connection, uid_t peer);
    // Closes and forgets the connection; a second call does nothing.
    void stop(const std::shared_ptr<Connection>& connection);
    void stopAll();

    std::size_t size() const { return connections_.size(); }
    const ConnectionLimits& limits() const { return limits_; }

private:
    std::string socketName_;
    ConnectionLimits limits_;
    std::map<std::shared_ptr<Connection>, uid_t> connections_;  // each with its peer's uid
    std::map<uid_t, std::size_t> perUser_;                       // open connections by uid
    bool refusing_ = false;            // a refusal was logged since the count was last below the limit
    std::set<uid_t> refusedUsers_;     // users told of their share since they last had room
};

}  // namespace zephrane::sim
