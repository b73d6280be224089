// One client of one of the server's sockets. It owns its socket and reads
// frames (4-byte big-endian length, then the payload), hands each payload to
// its request handler and writes the answer back, one request at a time. A
// frame longer than the protocol allows, a peer that goes away (also in the
// middle of a frame) or a handler asking to close ends the connection; a
// request left unanswered (a hung call) leaves the connection reading.
#pragma once

#include <memory>
#include <string>

#include <asio.hpp>

#include "sim/Reply.hpp"

namespace zephrane::sim {

class ConnectionManager;

class Connection : public std::enable_shared_from_this<Connection> {
public:
    using Socket = asio::local::stream_protocol::socket;

    // `description` names the client in log lines, e.g.
    // "AppleSMC.sock client (pid 42, uid 0)".
    Connection(Socket socket, RequestHandler handler, ConnectionManager& manager, std::string description);
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void start();
    void stop();  // closes the socket; the reader ends on its own

    const std::string& description() const { return description_; }

private:
    static asio::awaitable<void> serve(std::shared_ptr<Connection> self);

    Socket socket_;
    RequestHandler handler_;
    ConnectionManager& manager_;
    std::string description_;
};

}  // namespace zephrane::sim
