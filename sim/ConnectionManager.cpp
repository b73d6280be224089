#include "sim/ConnectionManager.hpp"

#include "platform/oslog/OSLog.hpp"

namespace zephrane::sim {
namespace {

const oslog::Logger& log() { return oslog::logger("com.zephrane.sim", "server"); }

}  // namespace

bool ConnectionManager::start(std::shared_ptr<Connection> connection) {
    if (connections_.size() >= kMaxConnections) {
        log().error("too many clients, refusing " + connection->description());
        connection->stop();
        return false;
    }
    log().info(connection->description() + " connected");
    connections_.insert(connection);
    connection->start();
    return true;
}

void ConnectionManager::stop(const std::shared_ptr<Connection>& connection) {
    if (connections_.erase(connection) == 0) return;
    connection->stop();
    log().info(connection->description() + " disconnected");
}

void ConnectionManager::stopAll() {
    for (const auto& connection : connections_) {
        connection->stop();
        log().info(connection->description() + " disconnected");
    }
    connections_.clear();
}

}  // namespace zephrane::sim
