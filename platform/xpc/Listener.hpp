// The service's listener for its Mach service name. It takes the listening
// socket a service manager handed over (socket activation), or else binds
// its own at the service's path, and offers every new connection to its
// delegate.
//
// Threads: the listener and every connection it accepts run on the executor
// given to the constructor, each connection on a strand of its own, so the
// executor may be run by one thread (the usual case: a serial queue) or by
// several. The delegate and every connection handler are called there and
// must not block. The peer checks, which read what the peer chose, run on a
// thread of the listener's own. Destroy the listener before its io_context;
// connections live on while their peers do.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include <asio.hpp>

#include "platform/xpc/Connection.hpp"
#include "platform/xpc/PeerValidator.hpp"

namespace zephrane::xpc {

class ListenerDelegate {
public:
    virtual ~ListenerDelegate() = default;
    // Configure and resume `connection` to accept it; return false to refuse
    // it (it is then invalidated).
    virtual bool shouldAcceptNewConnection(const std::shared_ptr<Connection>& connection) = 0;
};

struct ListenerSettings {
    std::optional<std::string> directory;  // else $ZEPHRANE_XPC_DIR, else /run/zephrane
    PeerValidator validator;               // checks each client against its connection's requirement
    bool socketActivation = true;          // take the socket passed by LISTEN_PID / LISTEN_FDS
    std::optional<int> listeningSocket;    // a listening socket handed over in-process; ours to close
    // Connections open at once, in all and from one user (uid); a connection
    // beyond either is closed as soon as it is accepted. Unset, the total is
    // the descriptor limit less kReservedDescriptors, which the service keeps
    // for its own work (checking peers, its other connections), and one user
    // may hold a quarter of that: so a new connection finds room while the
    // limit is near, whoever else holds many.
    std::optional<std::size_t> maxConnections;
    std::optional<std::size_t> maxConnectionsPerUser;
};

inline constexpr std::size_t kReservedDescriptors = 64;

class Listener {
public:
    // Throws std::invalid_argument for an invalid service name.
    Listener(asio::any_io_executor executor, std::string machServiceName, ListenerSettings settings = {});
    ~Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    // Held strongly (NSXPC holds its delegate weakly; here the listener
    // keeps what it calls). Before resume(), or at any time after.
    void setDelegate(std::shared_ptr<ListenerDelegate> delegate);

    // Takes or binds the socket and starts accepting. A socket of our own
    // gets mode 0666 so the unprivileged app can connect: who may talk is
    // decided by the peer check, not by the file mode. Throws
    // std::system_error when there is no socket to listen on: among others
    // when another live process serves the path, something else is there,
    // or the directory is not safe to serve in (shared/OwnSocket.hpp).
    void resume();

    // Stops accepting and removes the socket file we made; connections
    // already accepted carry on.
    void invalidate();

    const std::string& socketPath() const;
    // Serving a socket that was handed to us rather than one we bound.
    bool usesInheritedSocket() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace zephrane::xpc
