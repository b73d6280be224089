// The service's end of one client connection, as the listener hands it to its
// delegate: the delegate sets the code-signing requirement, the exported
// interface and object and the handlers, then resumes it.
//
// DO NOT TRUST THE PEER: every message is checked against the exported
// interface before a handler sees it, and a peer that fails the requirement
// is closed before a single byte of it is read.
//
// Threads: everything of one connection (handlers, invalidation) runs on its
// executor, a strand of the listener's executor, except the requirement
// check: that reads files the peer chose, so it runs on the checking thread
// the listener gives each connection, and never holds up the connections
// already served. Handlers must not block. A server-side connection ends only by
// invalidation (the peer left, misbehaved, failed the requirement, or
// invalidate() was called); the interruption handler is accepted for the
// familiar shape and never called here.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <compare>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include <asio.hpp>

#include "platform/xpc/Interface.hpp"
#include "platform/xpc/PeerValidator.hpp"
#include "platform/xpc/Reply.hpp"
#include "platform/xpc/Value.hpp"
#include "shared/JsonFwd.hpp"

namespace zephrane::xpc {

class Channel;
class IoThread;

// Names a connection without owning it or reaching it; never reused within
// a process.
struct ConnectionId {
    std::uint64_t value = 0;
    friend auto operator<=>(const ConnectionId&, const ConnectionId&) = default;
};

using Handler = std::function<void(Values arguments, Reply reply)>;
using ExportedObject = std::map<std::string, Handler, std::less<>>;

class Connection : public std::enable_shared_from_this<Connection> {
public:
    using Socket = asio::local::stream_protocol::socket;

    // A connection over an accepted socket whose executor is a strand, its
    // peer checked on `checker` (on its own executor when there is none);
    // `released` is called once when it ends or goes. The listener makes
    // these; tests may make one over a socket pair.
    static std::shared_ptr<Connection> adopt(Socket socket, PeerValidator validator,
                                             std::shared_ptr<IoThread> checker = nullptr,
                                             std::function<void()> released = nullptr);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    ConnectionId id() const { return id_; }
    pid_t processIdentifier() const { return pid_; }

    // The connection whose message is being handled on this thread, during
    // a handler call only.
    static std::optional<ConnectionId> current();

    // Configuration, before resume(); calls after it change nothing.
    void setCodeSigningRequirement(std::string requirementText);
    void setExportedInterface(Interface interface);
    void setExportedObject(ExportedObject object);
    void setInvalidationHandler(std::function<void()> handler);
    void setInterruptionHandler(std::function<void()> handler);

    // Checks the peer, then starts delivering messages. Any thread.
    void resume();
    // Closes the connection and calls the invalidation handler, once. Any thread.
    void invalidate();

private:
    friend class Reply;
    Connection(Socket socket, PeerValidator validator, std::shared_ptr<IoThread> checker,
               std::function<void()> released);

    void begin();
    void checked(const std::optional<std::string>& refusal);
    std::optional<std::string> check(int socketFd) const;
    void handle(Json message);
    void end();
    void answer(std::uint64_t id, const Signature* signature, std::optional<Values> reply);
    void send(std::uint64_t id, const Json& message);

    const ConnectionId id_;
    const std::shared_ptr<Channel> channel_;
    const PeerValidator validator_;
    const std::shared_ptr<IoThread> checker_;  // held: checks in flight post to it
    const pid_t pid_;
    std::atomic<bool> resumed_{false};

    // Set before resume(), then read on the executor.
    std::string requirement_;
    Interface interface_;
    ExportedObject object_;
    std::function<void()> onInvalidation_;
    std::function<void()> onInterruption_;

    // Executor only.
    std::size_t outstanding_ = 0;
    bool ended_ = false;
    std::function<void()> released_;  // until called
};

}  // namespace zephrane::xpc
