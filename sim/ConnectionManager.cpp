#include "sim/ConnectionManager.hpp"

#include "platform/oslog/OSLog.hpp"

namespace zephrane::sim {
namespace {

const oslog::Logger& log() { return oslog::logger("com.zephrane.sim", "server"); }

}  // namespace

bool ConnectionManager::start(std::shared_ptr<Connection> connection, uid_t peer) {
    const std::size_t limit = limits_.clients + (peer == 0 ? limits_.rootReserve : 0);
    std::size_t& ofUser = perUser_[peer];
    const bool full = connections_.size() >= limit;
    const bool overShare = peer != 0 && ofUser >= limits_.perUser;
    if (full || overShare) {
        // Whoever fills a limit can make connections as fast as we refuse
        // them: one line says so, not one per refusal.
        if (full && !refusing_) {
            log().error(socketName_ + " has " + std::to_string(connections_.size()) +
                        " clients, its limit; refusing new ones until some leave");
            refusing_ = true;
        } else if (!full && refusedUsers_.insert(peer).second) {
            log().error(socketName_ + " has " + std::to_string(ofUser) + " clients of uid " +
                        std::to_string(static_cast<long>(peer)) +
                        ", that user's share; refusing its new ones until some leave");
        }
        if (ofUser == 0) perUser_.erase(peer);
        log().debug("refusing " + connection->description());
        connection->stop();
        return false;
    }
    log().debug(connection->description() + " connected");
    ++ofUser;
    connections_.emplace(connection, peer);
    connection->start();
    return true;
}

void ConnectionManager::stop(const std::shared_ptr<Connection>& connection) {
    const auto it = connections_.find(connection);
    if (it == connections_.end()) return;
    const uid_t peer = it->second;
    connections_.erase(it);
    if (auto user = perUser_.find(peer); user != perUser_.end() && --user->second == 0) perUser_.erase(user);
    refusedUsers_.erase(peer);
    connection->stop();
    if (connections_.size() < limits_.clients) refusing_ = false;
    log().debug(connection->description() + " disconnected");
}

void ConnectionManager::stopAll() {
    for (const auto& [connection, peer] : connections_) {
        connection->stop();
        log().debug(connection->description() + " disconnected");
    }
    connections_.clear();
    perUser_.clear();
    refusedUsers_.clear();
    refusing_ = false;
}

}  // namespace zephrane::sim
