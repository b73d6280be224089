// One connected Unix-domain stream socket that carries the simulator's frames
// (a 4-byte big-endian length, then the payload). Both the SMC user client
// and the HID client speak through it.
//
// Every way a socket can go wrong on Linux is folded into a status here:
// interrupted calls are retried, short reads and writes are continued, a peer
// that vanishes is `closed` (never SIGPIPE: every send uses MSG_NOSIGNAL), and
// a length past the wire's limit is `tooLarge`. After any status but `ok`
// the stream is out of step and the owner must stop using it.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zephrane::iokit {

class FrameSocket {
public:
    enum class Status { ok, closed, timedOut, tooLarge };

    FrameSocket() = default;
    ~FrameSocket();
    FrameSocket(FrameSocket&& other) noexcept;
    FrameSocket& operator=(FrameSocket&& other) noexcept;
    FrameSocket(const FrameSocket&) = delete;
    FrameSocket& operator=(const FrameSocket&) = delete;

    // Connects to the socket at `path`; returns 0 or the errno of the failure
    // (ENAMETOOLONG for a path that does not fit a socket address).
    int connect(const std::string& path);

    bool isOpen() const { return fd_ >= 0; }

    // Zero (the default) waits for ever; otherwise a send or receive that
    // makes no progress for this long gives `timedOut`.
    void setTimeout(std::chrono::milliseconds timeout);

    Status send(std::span<const std::uint8_t> payload);
    // Replaces `payload` with the next frame's payload, refusing lengths above
    // `maxPayload` without reading them. With `descriptor`, a descriptor the
    // peer sent along with the frame (SCM_RIGHTS) is stored there, close-on-
    // exec and owned by the caller (-1 when none came; any more are closed).
    Status receive(std::vector<std::uint8_t>& payload, std::size_t maxPayload, int* descriptor = nullptr);

    // Ends both directions. Safe to call from another thread while a send or
    // receive is blocked in this socket: that call returns `closed`. The
    // descriptor itself is closed only by the destructor, so it can never be
    // reused under a call still running.
    void shutdown() const;

private:
    Status writeAll(const std::uint8_t* data, std::size_t size);
    Status readAll(std::uint8_t* data, std::size_t size, int* descriptor);

    int fd_ = -1;
};

}  // namespace zephrane::iokit
