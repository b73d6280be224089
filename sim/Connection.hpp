// One client of one of the server's sockets. It owns its socket and reads
// frames (4-byte big-endian length, then the payload), hands each payload to
// its request handler and writes the answer back, one request at a time. A
// frame longer than the protocol allows, a peer that goes away (also in the
// middle of a frame) or a handler asking to close ends the connection; a
// request left unanswered (a hung call) leaves the connection reading. An
// answer's descriptor travels with the answer's first byte.
//
// A client may wait as long as it likes between requests, but once a frame
// has begun it must arrive whole within the frame time-out, or the
// connection is closed: a peer that sends half a frame and stops would
// otherwise hold its place for ever.
#pragma once

#include <chrono>
#include <cstdint>
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
    Connection(Socket socket, RequestHandler handler, ConnectionManager& manager, std::string description,
               std::chrono::milliseconds frameTimeout);
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void start();
    void stop();  // closes the socket; the reader ends on its own

    const std::string& description() const { return description_; }

private:
    static asio::awaitable<void> serve(std::shared_ptr<Connection> self);
    static asio::awaitable<void> send(std::shared_ptr<Connection> self, const Reply& reply);
    void frameBegun();
    void frameEnded() { ++frame_; }

    Socket socket_;
    RequestHandler handler_;
    ConnectionManager& manager_;
    std::string description_;
    std::chrono::milliseconds frameTimeout_;
    asio::steady_timer deadline_;
    std::uint64_t frame_ = 0;  // counts frames read whole, so a late expiry of an earlier one is told apart
};

}  // namespace zephrane::sim
