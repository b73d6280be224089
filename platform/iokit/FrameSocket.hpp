// One connected Unix-domain stream socket that carries the simulator's frames
// (a 4-byte big-endian length, then the payload). Both the SMC user client
// and the HID client speak through it.
//
// Every way a socket can go wrong on Linux is folded into a status here:
// interrupted calls are retried, short reads and writes are continued, a peer
// that vanishes is `closed` (never SIGPIPE: every send uses MSG_NOSIGNAL), a
// length past the wire's limit is `tooLarge`, and a frame that does not go
// out or come in whole within the time-out is `timedOut`. After any status
// but `ok` the stream is out of step and the owner must stop using it.
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
    // (ENAMETOOLONG for a path that does not fit a socket address, EAGAIN
    // when the time-out passed first: a server that stopped accepting with
    // its backlog full).
    int connect(const std::string& path);

    bool isOpen() const { return fd_ >= 0; }
    // The socket itself, for watching it; -1 when not connected.
    int descriptor() const { return fd_; }

    // Zero (the default) waits for ever. Otherwise every connect, every send
    // and every receive of a frame, and every exchange of one frame for
    // another, must be over within this long of its start, however the
    // bytes trickle in: past it the call gives `timedOut`.
    void setTimeout(std::chrono::milliseconds timeout);

    Status send(std::span<const std::uint8_t> payload);
    // Replaces `payload` with the next frame's payload, refusing lengths above
    // `maxPayload` without reading them. With `descriptor`, a descriptor the
    // peer sent along with the frame (SCM_RIGHTS) is stored there, close-on-
    // exec and owned by the caller (-1 when none came; any more are closed).
    Status receive(std::vector<std::uint8_t>& payload, std::size_t maxPayload, int* descriptor = nullptr);
    // A send and the receive of its answer, within one time-out.
    Status exchange(std::span<const std::uint8_t> request, std::vector<std::uint8_t>& answer,
                    std::size_t maxPayload, int* descriptor = nullptr);

    // Ends both directions. Safe to call from another thread while a send or
    // receive is blocked in this socket: that call returns `closed`. The
    // descriptor itself is closed only by the destructor, so it can never be
    // reused under a call still running.
    void shutdown() const;

private:
    using Clock = std::chrono::steady_clock;

    Status sendFrame(std::span<const std::uint8_t> payload);
    Status receiveFrame(std::vector<std::uint8_t>& payload, std::size_t maxPayload, int* descriptor);
    Status writeAll(const std::uint8_t* data, std::size_t size);
    Status readAll(std::uint8_t* data, std::size_t size, int* descriptor);
    // Starts the time-out of one call (none when there is no time-out).
    void startCall();
    // Sets the socket's own time-out for one direction to what is left of
    // the call's; `timedOut` when nothing is left.
    Status arm(int option, std::chrono::microseconds& applied);

    int fd_ = -1;
    std::chrono::milliseconds timeout_{0};
    Clock::time_point deadline_{};
    bool hasDeadline_ = false;
    // What the socket's SO_SNDTIMEO and SO_RCVTIMEO hold (zero: for ever),
    // so that a call close enough to the last one costs no system call.
    std::chrono::microseconds appliedSend_{0};
    std::chrono::microseconds appliedReceive_{0};
};

}  // namespace zephrane::iokit
