#include "ZephraneApp/Services/Daemon/DaemonConnection.hpp"

#include <string>
#include <utility>

#include "platform/xpc/ClientConnection.hpp"
#include "platform/xpc/CodeSignValidator.hpp"
#include "platform/xpc/IoThread.hpp"
#include "platform/xpc/ContractInterface.hpp"
#include "shared/HelperConstants.hpp"

namespace zephrane {
namespace {

// Owns the thread its connection runs on, and joins it when it goes: the
// connection's handlers hold nothing that keeps this object alive, so the
// last reference never drops on that thread.
class XPCDaemonConnection final : public DaemonConnection {
public:
    XPCDaemonConnection() : io_(std::make_unique<xpc::IoThread>()) {
        xpc::ClientSettings settings;
        settings.executor = io_->executor();
        settings.validator = xpc::codeSignValidator();
        // The first connection to a daemon started on demand is answered by
        // the service manager; the daemon itself answers soon after.
        settings.startingServiceGrace = std::chrono::milliseconds(1500);
        connection_ = xpc::ClientConnection::create(std::string(HelperConstants::machServiceName),
                                                    xpc::ConnectionOptions::privileged, std::move(settings));
        connection_->setRemoteObjectInterface(contractInterface());
        connection_->setCodeSigningRequirement(HelperConstants::daemonRequirement());
    }

    void setInvalidationHandler(std::function<void()> handler) override {
        connection_->setInvalidationHandler(std::move(handler));
    }
    void setInterruptionHandler(std::function<void()> handler) override {
        connection_->setInterruptionHandler(std::move(handler));
    }
    void resume() override { connection_->resume(); }
    void invalidate() override { connection_->invalidate(); }

    bool send(std::string_view selector, xpc::Values arguments, ReplyHandler onReply, ErrorHandler onError) override {
        connection_->remoteObjectProxyWithErrorHandler(std::move(onError))
            .send(selector, std::move(arguments), std::move(onReply));
        return true;
    }

    void sendWhileExiting(std::string_view selector) override { connection_->sendSynchronously(selector, {}); }

    ~XPCDaemonConnection() override {
        // The invalidation handlers still run, on the thread, before it ends.
        connection_->invalidate();
        connection_.reset();
        io_.reset();
    }

private:
    std::unique_ptr<xpc::IoThread> io_;
    std::shared_ptr<xpc::ClientConnection> connection_;
};

}  // namespace

DaemonConnectionFactory xpcDaemonConnectionFactory() {
    return [] { return std::make_shared<XPCDaemonConnection>(); };
}

}  // namespace zephrane
