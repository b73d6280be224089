// The app's one connection to the daemon's Mach service, reduced to what the
// driver uses, so that tests can stand in for the daemon without sockets.
// The real one is an XPC client connection with the daemon's code-signing
// requirement and the contract as its remote interface.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "platform/xpc/Value.hpp"

namespace zephrane {

class DaemonConnection {
public:
    using ReplyHandler = std::function<void(xpc::Values reply)>;
    using ErrorHandler = std::function<void(const xpc::Error& error)>;

    virtual ~DaemonConnection() = default;

    // Set once, before resume(); they run on the connection's own thread.
    virtual void setInvalidationHandler(std::function<void()> handler) = 0;
    virtual void setInterruptionHandler(std::function<void()> handler) = 0;
    virtual void resume() = 0;
    virtual void invalidate() = 0;

    // One message through a proxy whose error handler is `onError`; exactly
    // one of the two handlers runs, on the connection's thread. false when
    // the proxy does not speak the contract (nothing was sent, no handler
    // runs).
    virtual bool send(std::string_view selector, xpc::Values arguments, ReplyHandler onReply,
                      ErrorHandler onError) = 0;

    // For a process that is exiting: puts the message on the socket before
    // returning, ignoring any reply. Never waits for the daemon.
    virtual void sendWhileExiting(std::string_view selector) = 0;
};

using DaemonConnectionFactory = std::function<std::shared_ptr<DaemonConnection>()>;

// Connections to the daemon's Mach service ($ZEPHRANE_XPC_DIR or
// /run/zephrane), requiring the daemon's code signature.
DaemonConnectionFactory xpcDaemonConnectionFactory();

}  // namespace zephrane
