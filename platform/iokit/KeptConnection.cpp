#include "platform/iokit/KeptConnection.hpp"

#include <unistd.h>

#include <utility>

#include "platform/iokit/HangUpWatch.hpp"

namespace zephrane::iokit {

KeptConnection::KeptConnection(std::string socketPath, std::chrono::milliseconds timeout)
    : socketPath_(std::move(socketPath)), timeout_(timeout) {}

KeptConnection::~KeptConnection() {
    std::lock_guard lock(mutex_);
    close();
}

void KeptConnection::open() {
    socket_.setTimeout(timeout_);
    if (socket_.connect(socketPath_) != 0) return;
    hungUp_ = std::make_shared<std::atomic<bool>>(false);
    watch_ = HangUpWatch::instance().watch(socket_.descriptor(), hungUp_);
}

void KeptConnection::close() {
    // The watch goes before the descriptor, which may be reused at once.
    HangUpWatch::instance().forget(std::exchange(watch_, 0));
    socket_ = FrameSocket();
    hungUp_.reset();
}

std::shared_ptr<const std::atomic<bool>> KeptConnection::hangUp() const {
    std::lock_guard lock(mutex_);
    return hungUp_;
}

std::optional<std::vector<std::uint8_t>> KeptConnection::exchange(std::span<const std::uint8_t> request,
                                                                  std::size_t maxPayload, int* descriptor) {
    if (descriptor) *descriptor = -1;
    std::lock_guard lock(mutex_);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const bool reused = socket_.isOpen();
        if (!reused) {
            open();
            if (!socket_.isOpen()) return std::nullopt;
        }
        std::vector<std::uint8_t> answer;
        const FrameSocket::Status status = socket_.exchange(request, answer, maxPayload, descriptor);
        if (status == FrameSocket::Status::ok) return answer;
        if (descriptor && *descriptor >= 0) ::close(std::exchange(*descriptor, -1));
        close();
        // Only a kept connection the simulator had closed is worth a second
        // try; a fresh one that fails, or one that timed out, is not.
        if (!reused || status != FrameSocket::Status::closed) return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace zephrane::iokit
