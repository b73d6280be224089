#include "platform/iokit/FrameSocket.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace zephrane::iokit {

FrameSocket::~FrameSocket() {
    if (fd_ >= 0) ::close(fd_);
}

FrameSocket::FrameSocket(FrameSocket&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      timeout_(other.timeout_),
      appliedSend_(other.appliedSend_),
      appliedReceive_(other.appliedReceive_) {}

FrameSocket& FrameSocket::operator=(FrameSocket&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        timeout_ = other.timeout_;
        appliedSend_ = other.appliedSend_;
        appliedReceive_ = other.appliedReceive_;
    }
    return *this;
}

int FrameSocket::connect(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) return ENAMETOOLONG;
    std::memcpy(address.sun_path, path.data(), path.size());

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return errno;
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
    appliedSend_ = appliedReceive_ = std::chrono::microseconds(0);
    // A Unix socket's connect waits for room in a full backlog, for as long
    // as the send time-out lets it.
    startCall();
    int result = 0;
    do {
        if (arm(SO_SNDTIMEO, appliedSend_) != Status::ok) {
            result = -1;
            errno = EAGAIN;
            break;
        }
        result = ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (result < 0 && errno == EINTR);
    if (result < 0) {
        const int error = errno;
        ::close(std::exchange(fd_, -1));
        return error == EINPROGRESS ? EAGAIN : error;
    }
    return 0;
}

void FrameSocket::setTimeout(std::chrono::milliseconds timeout) {
    timeout_ = std::max(timeout, std::chrono::milliseconds(0));
}

void FrameSocket::startCall() {
    hasDeadline_ = timeout_.count() > 0;
    if (hasDeadline_) deadline_ = Clock::now() + timeout_;
}

FrameSocket::Status FrameSocket::arm(int option, std::chrono::microseconds& applied) {
    using std::chrono::microseconds;
    microseconds wanted{0};
    if (hasDeadline_) {
        wanted = std::chrono::duration_cast<microseconds>(deadline_ - Clock::now());
        if (wanted.count() <= 0) return Status::timedOut;
    }
    // Within a millisecond of what the socket holds is close enough: calls
    // that start one after the other then cost no system call for this.
    const bool close = wanted.count() == 0 ? applied.count() == 0
                                           : applied.count() != 0 && std::chrono::abs(applied - wanted) < std::chrono::milliseconds(1);
    if (close) return Status::ok;
    timeval value{};
    value.tv_sec = static_cast<time_t>(wanted.count() / 1'000'000);
    value.tv_usec = static_cast<suseconds_t>(wanted.count() % 1'000'000);
    if (::setsockopt(fd_, SOL_SOCKET, option, &value, sizeof value) == 0) applied = wanted;
    return Status::ok;
}

void FrameSocket::shutdown() const {
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

FrameSocket::Status FrameSocket::send(std::span<const std::uint8_t> payload) {
    startCall();
    return sendFrame(payload);
}

FrameSocket::Status FrameSocket::receive(std::vector<std::uint8_t>& payload, std::size_t maxPayload,
                                         int* descriptor) {
    startCall();
    return receiveFrame(payload, maxPayload, descriptor);
}

FrameSocket::Status FrameSocket::exchange(std::span<const std::uint8_t> request, std::vector<std::uint8_t>& answer,
                                          std::size_t maxPayload, int* descriptor) {
    startCall();
    if (Status status = sendFrame(request); status != Status::ok) {
        if (descriptor) *descriptor = -1;
        return status;
    }
    return receiveFrame(answer, maxPayload, descriptor);
}

FrameSocket::Status FrameSocket::sendFrame(std::span<const std::uint8_t> payload) {
    if (payload.size() > 0xFFFFFFFFu) return Status::tooLarge;
    const auto size = static_cast<std::uint32_t>(payload.size());
    const std::array<std::uint8_t, 4> header{static_cast<std::uint8_t>(size >> 24),
                                             static_cast<std::uint8_t>(size >> 16),
                                             static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size)};
    if (Status status = writeAll(header.data(), header.size()); status != Status::ok) return status;
    return writeAll(payload.data(), payload.size());
}

FrameSocket::Status FrameSocket::receiveFrame(std::vector<std::uint8_t>& payload, std::size_t maxPayload,
                                              int* descriptor) {
    if (descriptor) *descriptor = -1;
    std::array<std::uint8_t, 4> header{};
    if (Status status = readAll(header.data(), header.size(), descriptor); status != Status::ok) return status;
    const std::uint32_t size = (std::uint32_t{header[0]} << 24) | (std::uint32_t{header[1]} << 16) |
                               (std::uint32_t{header[2]} << 8) | std::uint32_t{header[3]};
    if (size > maxPayload) return Status::tooLarge;
    payload.resize(size);
    return readAll(payload.data(), payload.size(), descriptor);
}

FrameSocket::Status FrameSocket::writeAll(const std::uint8_t* data, std::size_t size) {
    if (fd_ < 0) return Status::closed;
    while (size > 0) {
        if (Status status = arm(SO_SNDTIMEO, appliedSend_); status != Status::ok) return status;
        const ssize_t sent = ::send(fd_, data, size, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return Status::timedOut;
            return Status::closed;
        }
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return Status::ok;
}

namespace {

// One recvmsg that keeps the first descriptor passed with the bytes (when
// `descriptor` still holds none) and closes every other one, so a peer
// cannot leave descriptors behind in this process.
ssize_t receiveWithDescriptor(int fd, std::uint8_t* data, std::size_t size, int& descriptor) {
    iovec buffer{data, size};
    alignas(cmsghdr) std::array<char, CMSG_SPACE(4 * sizeof(int))> control{};
    msghdr message{};
    message.msg_iov = &buffer;
    message.msg_iovlen = 1;
    message.msg_control = control.data();
    message.msg_controllen = control.size();
    const ssize_t got = ::recvmsg(fd, &message, MSG_CMSG_CLOEXEC);
    if (got < 0) return got;
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS) continue;
        const std::size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (std::size_t i = 0; i < count; ++i) {
            int passed = -1;
            std::memcpy(&passed, CMSG_DATA(c) + i * sizeof(int), sizeof passed);
            if (descriptor < 0)
                descriptor = passed;
            else
                ::close(passed);
        }
    }
    return got;
}

}  // namespace

FrameSocket::Status FrameSocket::readAll(std::uint8_t* data, std::size_t size, int* descriptor) {
    if (fd_ < 0) return Status::closed;
    while (size > 0) {
        if (Status status = arm(SO_RCVTIMEO, appliedReceive_); status != Status::ok) return status;
        const ssize_t got = descriptor ? receiveWithDescriptor(fd_, data, size, *descriptor) : ::recv(fd_, data, size, 0);
        if (got == 0) return Status::closed;  // the peer went away mid-frame or between frames
        if (got < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return Status::timedOut;
            return Status::closed;
        }
        data += got;
        size -= static_cast<std::size_t>(got);
    }
    return Status::ok;
}

}  // namespace zephrane::iokit
