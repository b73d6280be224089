#include "AppClient.hpp"

#include "ZephraneHelper/HelperListener.hpp"
#include "platform/xpc/CodeSignValidator.hpp"
#include "shared/HelperConstants.hpp"
#include "shared/ZephraneXPCProtocol.hpp"

namespace zephrane::helper::testing {

namespace protocol = ZephraneXPCProtocol;

const xpc::Error* Outcome::replyError(std::size_t index) const {
    if (!reply || index >= reply->size()) return nullptr;
    return (*reply)[index].error();
}

AppClient::AppClient(const std::filesystem::path& directory) {
    xpc::ClientSettings settings;
    settings.directory = directory.string();
    settings.validator = xpc::codeSignValidator();
    connection_ = xpc::ClientConnection::create(std::string(HelperConstants::machServiceName),
                                                xpc::ConnectionOptions::privileged, std::move(settings));
    connection_->setCodeSigningRequirement(HelperConstants::daemonRequirement());
    connection_->setRemoteObjectInterface(HelperListener::exportedInterface());
    connection_->resume();
}

AppClient::~AppClient() { connection_->invalidate(); }

void AppClient::invalidate() { connection_->invalidate(); }

std::shared_future<Outcome> AppClient::send(std::string_view selector, xpc::Values arguments) {
    // Exactly one of the two handlers runs, once.
    auto promise = std::make_shared<std::promise<Outcome>>();
    std::shared_future<Outcome> future = promise->get_future().share();
    connection_->send(
        selector, std::move(arguments),
        [promise](xpc::Values reply) { promise->set_value({std::move(reply), std::nullopt}); },
        [promise](const xpc::Error& error) { promise->set_value({std::nullopt, error}); });
    return future;
}

Outcome AppClient::call(std::string_view selector, xpc::Values arguments, std::chrono::milliseconds limit) {
    auto future = send(selector, std::move(arguments));
    if (future.wait_for(limit) != std::future_status::ready) return {};
    return future.get();
}

Outcome AppClient::setTargetRPM(std::int64_t fan, double rpm) {
    return call(protocol::setTargetRPM.selector, {fan, rpm});
}

Outcome AppClient::heartbeat() { return call(protocol::heartbeat.selector, {}); }

Heartbeat::Heartbeat(AppClient& client)
    : thread_([this, &client] {
          std::unique_lock lock(mutex_);
          while (!stopping_) {
              lock.unlock();
              client.call(protocol::heartbeat.selector, {}, std::chrono::seconds(2));
              lock.lock();
              wake_.wait_for(lock, std::chrono::milliseconds(500), [this] { return stopping_; });
          }
      }) {}

Heartbeat::~Heartbeat() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

}  // namespace zephrane::helper::testing
