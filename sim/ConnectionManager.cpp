#include "sim/ConnectionManager.hpp"

#include "platform/oslog/OSLog.hpp"

namespace zephrane::sim {
namespace {

const oslog::Logger& log() { return oslog::logger("com.zephrane.sim", "server"); }

}  // namespace

bool ConnectionManager::start(std::shared_ptr<Connection> connection, uid_t peer) {
    const std::size_t limit = limits_.clients + (peer == 0 ? limits_.rootReserve : 0);
    if (connections_.size() >= limit) {
        // Whoever fills the limit can make connections as fast as we refuse
        // them: one line says so, not one per refusal.
        if (!refusing_) log().error(socketName_ + " has " + std::to_string(connections_.size()) +
                                    " clients, its limit; refusing new ones until some leave");
        refusing_ = true;
        log().debug("refusing " + connection->description());
        connection->stop();
        return false;
    }
    log().debug(connection->description() + " connected");
    connections_.insert(connection);
    connection->start();
    return true;
}

void ConnectionManager::stop(const std::shared_ptr<Connection>& connection) {
    if (connections_.erase(connection) == 0) return;
    connection->stop();
    if (connections_.size() < limits_.clients) refusing_ = false;
    log().debug(connection->description() + " disconnected");
}

void ConnectionManager::stopAll() {
    for (const auto& connection : connections_) {
        connection->stop();
        log().debug(connection->description() + " disconnected");
    }
    connections_.clear();
    refusing_ = false;
}

}  // namespace zephrane::sim
