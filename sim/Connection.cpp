#include "sim/Connection.hpp"

#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

#include "platform/iokit/SimulatorProtocol.hpp"
#include "sim/ConnectionManager.hpp"

namespace zephrane::sim {
namespace {

constexpr std::size_t kHeaderSize = 4;

std::vector<std::uint8_t> framed(const std::vector<std::uint8_t>& payload) {
    const auto n = static_cast<std::uint32_t>(payload.size());
    std::vector<std::uint8_t> frame(kHeaderSize + payload.size());
    for (std::size_t i = 0; i < kHeaderSize; ++i) frame[i] = static_cast<std::uint8_t>(n >> (24 - 8 * i));
    std::copy(payload.begin(), payload.end(), frame.begin() + kHeaderSize);
    return frame;
}

// Sends as much of `frame` as the socket takes now, with `descriptor`
// attached to its first byte; -1 with errno set when nothing went.
ssize_t sendWithDescriptor(int socket, const std::vector<std::uint8_t>& frame, int descriptor) {
    iovec data{const_cast<std::uint8_t*>(frame.data()), frame.size()};
    alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(int))> control{};
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control.data();
    message.msg_controllen = control.size();
    cmsghdr* rights = CMSG_FIRSTHDR(&message);
    rights->cmsg_level = SOL_SOCKET;
    rights->cmsg_type = SCM_RIGHTS;
    rights->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(rights), &descriptor, sizeof descriptor);
    return ::sendmsg(socket, &message, MSG_NOSIGNAL);
}

}  // namespace

Connection::Connection(Socket socket, RequestHandler handler, ConnectionManager& manager, std::string description,
                       std::chrono::milliseconds frameTimeout)
    : socket_(std::move(socket)),
      handler_(std::move(handler)),
      manager_(manager),
      description_(std::move(description)),
      frameTimeout_(frameTimeout),
      deadline_(socket_.get_executor()) {}

void Connection::start() { asio::co_spawn(socket_.get_executor(), serve(shared_from_this()), asio::detached); }

void Connection::stop() {
    asio::error_code ignored;
    socket_.close(ignored);
    deadline_.cancel();
}

void Connection::frameBegun() {
    deadline_.expires_after(frameTimeout_);
    deadline_.async_wait([self = shared_from_this(), frame = frame_](const asio::error_code& error) {
        if (!error && self->frame_ == frame) self->stop();
    });
}

asio::awaitable<void> Connection::send(std::shared_ptr<Connection> self, const Reply& reply) {
    const std::vector<std::uint8_t> frame = framed(reply.payload);
    std::size_t sent = 0;
    while (reply.descriptor && sent == 0) {
        const ssize_t n = sendWithDescriptor(self->socket_.native_handle(), frame, *reply.descriptor);
        if (n > 0) {
            sent = static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            co_await self->socket_.async_wait(asio::socket_base::wait_write, asio::use_awaitable);
        } else if (n == 0 || errno != EINTR) {
            throw std::system_error(n == 0 ? EPIPE : errno, std::generic_category(), "sending a descriptor");
        }
    }
    co_await asio::async_write(self->socket_, asio::buffer(frame.data() + sent, frame.size() - sent),
                               asio::use_awaitable);
}

asio::awaitable<void> Connection::serve(std::shared_ptr<Connection> self) {
    try {
        std::array<std::uint8_t, kHeaderSize> header;
        std::vector<std::uint8_t> payload;
        for (;;) {
            // Between requests the client may wait for ever; its first byte
            // starts the frame's clock.
            const std::size_t got = co_await self->socket_.async_read_some(asio::buffer(header), asio::use_awaitable);
            self->frameBegun();
            co_await asio::async_read(self->socket_, asio::buffer(header.data() + got, kHeaderSize - got),
                                      asio::use_awaitable);
            const std::uint32_t length = std::uint32_t{header[0]} << 24 | std::uint32_t{header[1]} << 16 |
                                         std::uint32_t{header[2]} << 8 | std::uint32_t{header[3]};
            if (length > iokit::wire::kMaxPayload) break;
            payload.resize(length);
            co_await asio::async_read(self->socket_, asio::buffer(payload), asio::use_awaitable);
            self->frameEnded();
            self->deadline_.cancel();

            const Reply reply = self->handler_(payload);
            if (reply.kind == Reply::Kind::close || reply.payload.size() > iokit::wire::kMaxPayload) break;
            if (reply.kind == Reply::Kind::none) continue;
            co_await send(self, reply);
        }
    } catch (const std::exception&) {
        // The peer went away (possibly mid-frame), its frame ran out of time,
        // the server is stopping, or a handler failed: in every case this
        // connection ends here.
    }
    self->manager_.stop(self);
}

}  // namespace zephrane::sim
