#include "RawXpcClient.hpp"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace zephrane::helper::testing {

RawXpcClient::RawXpcClient(const std::filesystem::path& socketPath)
    : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    if (fd_ < 0) throw std::runtime_error("socket failed");
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = socketPath.string();
    if (path.size() >= sizeof address.sun_path) throw std::runtime_error("socket path too long");
    std::memcpy(address.sun_path, path.data(), path.size());
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close();
        throw std::runtime_error("cannot connect to " + path);
    }
}

RawXpcClient::~RawXpcClient() { close(); }

void RawXpcClient::shutdownWrite() { ::shutdown(fd_, SHUT_WR); }

void RawXpcClient::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool RawXpcClient::sendBytes(std::span<const std::uint8_t> bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

bool RawXpcClient::sendFrame(std::span<const std::uint8_t> payload) {
    const auto length = static_cast<std::uint32_t>(payload.size());
    std::vector<std::uint8_t> frame{static_cast<std::uint8_t>(length >> 24), static_cast<std::uint8_t>(length >> 16),
                                    static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
    frame.insert(frame.end(), payload.begin(), payload.end());
    return sendBytes(frame);
}

bool RawXpcClient::sendMessage(const Json& message) {
    const std::vector<std::uint8_t> payload = Json::to_cbor(message);
    return sendFrame(payload);
}

bool RawXpcClient::waitReadable(std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        return ready > 0;
    }
}

bool RawXpcClient::readExactly(std::uint8_t* data, std::size_t size, std::chrono::steady_clock::time_point deadline) {
    std::size_t got = 0;
    while (got < size) {
        if (!waitReadable(deadline)) return false;
        const ssize_t n = ::recv(fd_, data + got, size - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<Json> RawXpcClient::receive(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::uint8_t header[4];
    if (!readExactly(header, sizeof header, deadline)) return std::nullopt;
    const std::uint32_t length = std::uint32_t{header[0]} << 24 | std::uint32_t{header[1]} << 16 |
                                 std::uint32_t{header[2]} << 8 | std::uint32_t{header[3]};
    if (length > 1024 * 1024) return std::nullopt;
    std::vector<std::uint8_t> payload(length);
    if (!readExactly(payload.data(), payload.size(), deadline)) return std::nullopt;
    try {
        return Json::from_cbor(payload);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool RawXpcClient::closedByPeer(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::uint8_t sink[4096];
    for (;;) {
        if (!waitReadable(deadline)) return false;
        const ssize_t n = ::recv(fd_, sink, sizeof sink, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return true;  // end of stream, or reset
    }
}

Json request(std::uint64_t id, std::string_view selector, Json arguments) {
    return Json{{"id", id}, {"sel", std::string(selector)}, {"args", std::move(arguments)}};
}

}  // namespace zephrane::helper::testing
