// Owns the server's open connections, so that stopping the server closes
// every one of them, and bounds how many there are. Used on the server's
// thread only.
#pragma once

#include <cstddef>
#include <memory>
#include <set>

#include "sim/Connection.hpp"

namespace zephrane::sim {

class ConnectionManager {
public:
    static constexpr std::size_t kMaxConnections = 512;

    // Starts the connection; past the limit it is closed at once and false
    // is returned.
    bool start(std::shared_ptr<Connection> connection);
    // Closes and forgets the connection; a second call does nothing.
    void stop(const std::shared_ptr<Connection>& connection);
    void stopAll();

    std::size_t size() const { return connections_.size(); }

private:
    std::set<std::shared_ptr<Connection>> connections_;
};

}  // namespace zephrane::sim
