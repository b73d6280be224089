// The app's end of a connection to a Mach service, behaving as callers of
// NSXPCConnection expect:
// - it starts suspended; messages sent before resume() wait for it;
// - it connects at the first message, and checks the service against its
//   code-signing requirement before anything is sent;
// - no service at the path, or one that fails the requirement, or
//   invalidate(): the invalidation handler runs once, every pending and
//   later message fails with 4099 (invalid), and the handlers are released;
// - the service goes away while connected: the interruption handler runs,
//   pending messages fail with 4097 (interrupted), and the next message
//   connects again;
// - every message gets exactly one of its reply handler or its proxy's
//   error handler, once.
//
// Threads: all handlers run on the connection's executor, a strand of the
// executor given in the settings or of a thread the connection owns. Every
// operation may be called from any thread, handlers included.
//
// Handlers that hold the connection itself (as the app's do) keep it alive
// until it is invalidated, which releases them; drop an interrupted
// connection only after invalidating it.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <asio.hpp>

#include "platform/xpc/Interface.hpp"
#include "platform/xpc/PeerValidator.hpp"
#include "platform/xpc/Value.hpp"
#include "shared/JsonFwd.hpp"

namespace zephrane::xpc {

class Channel;
class IoThread;
class RemoteProxy;

// NSXPCConnectionPrivileged: the service is a system-wide daemon. Accepted
// for the familiar shape; on Linux every service name lives in one directory.
enum class ConnectionOptions : std::uint32_t { none = 0, privileged = 1u << 12 };

struct ClientSettings {
    std::optional<std::string> directory;           // else $ZEPHRANE_XPC_DIR, else /run/zephrane
    PeerValidator validator;                        // checks the service against the requirement
    // Else the connection runs a thread of its own. A given executor must
    // outlive the connection.
    std::optional<asio::any_io_executor> executor;
    // How long a service that fails the requirement is asked again before
    // the connection gives up: a service started on demand by this very
    // connection is not yet the peer of it. Each retry blocks the caller.
    std::chrono::milliseconds startingServiceGrace{0};
};

using ReplyHandler = std::function<void(Values reply)>;
using ErrorHandler = std::function<void(const Error& error)>;

class ClientConnection : public std::enable_shared_from_this<ClientConnection> {
public:
    // How long sendSynchronously() waits for room in the socket by default.
    static constexpr std::chrono::milliseconds kBlockingWriteLimit{2000};
    static constexpr std::chrono::milliseconds kStartingServiceRetryPause{20};

    // Throws std::invalid_argument for an invalid service name.
    static std::shared_ptr<ClientConnection> create(std::string machServiceName,
                                                    ConnectionOptions options = ConnectionOptions::none,
                                                    ClientSettings settings = {});
    // Invalidates the connection (the handlers still run, on the executor).
    ~ClientConnection();
    ClientConnection(const ClientConnection&) = delete;
    ClientConnection& operator=(const ClientConnection&) = delete;

    const std::string& serviceName() const { return serviceName_; }
    ConnectionOptions options() const { return options_; }

    void setCodeSigningRequirement(std::string requirementText);
    // When set, requests are checked against it before they leave, and
    // replies when they arrive (a mismatch fails with 4101).
    void setRemoteObjectInterface(Interface interface);
    void setInvalidationHandler(std::function<void()> handler);
    void setInterruptionHandler(std::function<void()> handler);

    void resume();
    void invalidate();

    RemoteProxy remoteObjectProxyWithErrorHandler(ErrorHandler onError);

    void send(std::string_view selector, Values arguments, ReplyHandler onReply, ErrorHandler onError);

    // Puts the request on the socket before returning, connecting first if
    // need be, and ignores its reply. Needs no running executor: it is for a
    // process that is exiting (an atexit handler) with its event loop gone.
    // No value when the request was written.
    std::optional<Error> sendSynchronously(std::string_view selector, Values arguments,
                                           std::chrono::milliseconds limit = kBlockingWriteLimit);

private:
    enum class State { suspended, idle, connected, invalidated };
    struct Pending {
        ReplyHandler onReply;
        ErrorHandler onError;
        std::optional<std::vector<ParameterType>> replyTypes;
        bool silent = false;  // sent synchronously: nobody waits for the reply
    };

    ClientConnection(std::string serviceName, std::string socketPath, ConnectionOptions options,
                     PeerValidator validator, std::chrono::milliseconds startingServiceGrace,
                     std::unique_ptr<IoThread> ownThread, asio::any_io_executor executor);

    std::optional<Error> prepareLocked(std::string_view selector, const Values& arguments, Pending& entry,
                                       std::string& frame);
    bool connectLocked();
    void invalidateLocked(std::string reason);
    void received(Channel* channel, Json message);
    void lost(Channel* channel);
    void postError(ErrorHandler onError, Error error);

    // First, so that it is destroyed last: it runs what the others queued.
    std::unique_ptr<IoThread> ownThread_;
    const std::string serviceName_;
    const std::string socketPath_;
    const ConnectionOptions options_;
    const PeerValidator validator_;
    const std::chrono::milliseconds startingServiceGrace_;
    const asio::any_io_executor strand_;

    std::mutex mutex_;  // guards everything below
    State state_ = State::suspended;
    std::string invalidationReason_;
    std::string requirement_;
    std::optional<Interface> remoteInterface_;
    std::function<void()> onInvalidation_;
    std::function<void()> onInterruption_;
    std::shared_ptr<Channel> channel_;
    std::uint64_t nextId_ = 1;
    std::map<std::uint64_t, Pending> pending_;
    std::vector<std::string> unsent_;  // frames sent before resume()
};

// What a message is sent through; its error handler answers for every
// message it sends that gets no reply.
class RemoteProxy {
public:
    void send(std::string_view selector, Values arguments, ReplyHandler onReply) const;

private:
    friend class ClientConnection;
    RemoteProxy(std::shared_ptr<ClientConnection> connection, ErrorHandler onError)
        : connection_(std::move(connection)), onError_(std::move(onError)) {}

    std::shared_ptr<ClientConnection> connection_;
    ErrorHandler onError_;
};

}  // namespace zephrane::xpc
