#include "tests/platform/iokit/UnixTestServer.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/iokit/SimulatorProtocol.hpp"

namespace zephrane::testing {

TempDirectory::TempDirectory() {
    char pattern[] = "/tmp/zephrane-test-XXXXXX";
    if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDirectory::~TempDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

namespace {

bool readAll(int fd, std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t got = ::recv(fd, data, size, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        data += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> UnixTestServer::Peer::readFrame() {
    std::uint8_t header[4];
    if (!readAll(fd_, header, sizeof header)) return std::nullopt;
    std::vector<std::uint8_t> payload(readBigEndian32(header));
    if (!readAll(fd_, payload.data(), payload.size())) return std::nullopt;
    return payload;
}

bool UnixTestServer::Peer::writeFrame(std::span<const std::uint8_t> payload) {
    std::vector<std::uint8_t> frame = bigEndian32(static_cast<std::uint32_t>(payload.size()));
    frame.insert(frame.end(), payload.begin(), payload.end());
    return writeRaw(frame);
}

bool UnixTestServer::Peer::writeFrame(std::span<const std::uint8_t> payload, int descriptor) {
    std::vector<std::uint8_t> frame = bigEndian32(static_cast<std::uint32_t>(payload.size()));
    frame.insert(frame.end(), payload.begin(), payload.end());
    iovec data{frame.data(), frame.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* rights = CMSG_FIRSTHDR(&message);
    rights->cmsg_level = SOL_SOCKET;
    rights->cmsg_type = SCM_RIGHTS;
    rights->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(rights), &descriptor, sizeof descriptor);
    ssize_t sent;
    do {
        sent = ::sendmsg(fd_, &message, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent <= 0) return false;
    return writeRaw(std::span(frame).subspan(static_cast<std::size_t>(sent)));
}

bool UnixTestServer::Peer::writeRaw(std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t sent = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        done += static_cast<std::size_t>(sent);
    }
    return true;
}

void UnixTestServer::Peer::waitForClose() {
    std::uint8_t byte;
    while (true) {
        const ssize_t got = ::recv(fd_, &byte, 1, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return;
    }
}

UnixTestServer::UnixTestServer(std::string path, Handler handler) : path_(std::move(path)), handler_(std::move(handler)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path_.size() >= sizeof address.sun_path) throw std::runtime_error("socket path too long");
    std::memcpy(address.sun_path, path_.data(), path_.size());
    ::unlink(path_.c_str());  // a socket file left by an earlier server
    listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 16) != 0)
        throw std::runtime_error(std::string("cannot listen: ") + std::strerror(errno));
    acceptor_ = std::thread([this] { acceptLoop(); });
}

UnixTestServer::~UnixTestServer() {
    stop();
    ::close(listener_);
}

void UnixTestServer::acceptLoop() {
    while (true) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return;  // the listener was shut down
        }
        std::lock_guard lock(mutex_);
        if (stopped_) {
            ::close(fd);
            return;
        }
        connections_.push_back({fd, std::thread([this, fd] {
                                    Peer peer(fd);
                                    handler_(peer);
                                    ::shutdown(fd, SHUT_RDWR);
                                    std::lock_guard done(mutex_);
                                    ++finishedHandlers_;
                                    finished_.notify_all();
                                })});
    }
}

void UnixTestServer::stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopped_) return;
        stopped_ = true;
    }
    ::shutdown(listener_, SHUT_RDWR);
    acceptor_.join();
    std::vector<Connection> connections;
    {
        std::lock_guard lock(mutex_);
        connections.swap(connections_);
    }
    for (auto& connection : connections) ::shutdown(connection.fd, SHUT_RDWR);
    for (auto& connection : connections) {
        connection.thread.join();
        ::close(connection.fd);
    }
}

bool UnixTestServer::waitForFinishedHandlers(int count, std::chrono::milliseconds deadline) {
    std::unique_lock lock(mutex_);
    return finished_.wait_for(lock, deadline, [&] { return finishedHandlers_ >= count; });
}

UnixTestServer::Handler scriptedSMC(std::int32_t openCode, CallScript onCall, std::shared_ptr<FrameLog> log,
                                    int openDescriptor) {
    return [openCode, onCall = std::move(onCall), log = std::move(log), openDescriptor](UnixTestServer::Peer& peer) {
        auto open = peer.readFrame();
        if (!open) return;
        log->add(*open);
        const std::vector<std::uint8_t> code = bigEndian32(static_cast<std::uint32_t>(openCode));
        const bool answered = openDescriptor >= 0 ? peer.writeFrame(code, openDescriptor) : peer.writeFrame(code);
        if (!answered || openCode != 0) return;
        while (auto request = peer.readFrame()) {
            log->add(*request);
            auto answer = onCall(*request, peer);
            if (!answer || !peer.writeFrame(*answer)) return;
        }
    };
}

std::vector<std::uint8_t> answerPayload(std::int32_t code, std::span<const std::uint8_t> record) {
    std::vector<std::uint8_t> payload = bigEndian32(static_cast<std::uint32_t>(code));
    payload.insert(payload.end(), record.begin(), record.end());
    return payload;
}

std::vector<MisbehavingPeer> misbehavingPeers() {
    using Peer = UnixTestServer::Peer;
    return {
        {"no socket", nullptr},
        {"hangs up without answering", [](Peer& peer) { peer.readFrame(); }},
        {"never answers", [](Peer& peer) { peer.waitForClose(); }},
        {"oversized frame",
         [](Peer& peer) {
             peer.readFrame();
             peer.writeRaw(bigEndian32(static_cast<std::uint32_t>(iokit::wire::kMaxPayload) + 1));
             peer.waitForClose();
         }},
        {"half a frame, then gone",
         [](Peer& peer) {
             peer.readFrame();
             peer.writeRaw(std::vector<std::uint8_t>{0, 0, 0, 10, '[', '{'});
         }},
    };
}

std::vector<std::uint8_t> bigEndian32(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

std::uint32_t readBigEndian32(std::span<const std::uint8_t> bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
           std::uint32_t{bytes[3]};
}

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace zephrane::testing
