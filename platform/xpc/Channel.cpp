#include "platform/xpc/Channel.hpp"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <optional>
#include <span>
#include <utility>

#include "platform/xpc/WireFormat.hpp"
#include "shared/JsonCoding.hpp"

namespace zephrane::xpc {

Channel::Channel(Socket socket, Backpressure backpressure)
    : executor_(socket.get_executor()),
      socket_(std::move(socket)),
      fd_(socket_.native_handle()),
      backpressure_(backpressure) {}

Channel::~Channel() = default;

void Channel::start(MessageHandler onMessage, LossHandler onLoss, std::shared_ptr<void> keepAlive) {
    asio::dispatch(executor_, [self = shared_from_this(), onMessage = std::move(onMessage), onLoss = std::move(onLoss),
                               keepAlive = std::move(keepAlive)]() mutable {
        if (self->finished_) {
            // Lost before anyone listened (a failed first write): say so now.
            if (self->unreportedLoss_ && onLoss) onLoss(*std::exchange(self->unreportedLoss_, std::nullopt));
            return;
        }
        self->onMessage_ = std::move(onMessage);
        self->onLoss_ = std::move(onLoss);
        self->readSome(std::move(keepAlive));
    });
}

void Channel::readSome(std::shared_ptr<void> keepAlive) {
    socket_.async_read_some(asio::buffer(readBuffer_),
                            [self = shared_from_this(), keepAlive = std::move(keepAlive)](
                                const asio::error_code& ec, std::size_t count) mutable {
                                self->onRead(ec, count, std::move(keepAlive));
                            });
}

void Channel::onRead(const asio::error_code& ec, std::size_t count, std::shared_ptr<void> keepAlive) {
    if (finished_) return;
    if (ec) {
        finish(true, Loss::peerClosed);
        return;
    }
    inbox_.insert(inbox_.end(), readBuffer_.begin(), readBuffer_.begin() + static_cast<std::ptrdiff_t>(count));
    deliverBuffered(std::move(keepAlive));
}

void Channel::deliverBuffered(std::shared_ptr<void> keepAlive) {
    std::size_t offset = 0;
    while (!finished_ && inbox_.size() - offset >= wire::kHeaderSize) {
        if (outboxOverHighMark()) {
            // The peer asks faster than it reads our answers: hold its
            // requests until it catches up rather than queue answers without end.
            inbox_.erase(inbox_.begin(), inbox_.begin() + static_cast<std::ptrdiff_t>(offset));
            readPaused_ = true;
            pausedKeepAlive_ = std::move(keepAlive);
            return;
        }
        const std::uint32_t length =
            wire::readLength(std::span<const std::uint8_t, wire::kHeaderSize>(inbox_.data() + offset, wire::kHeaderSize));
        if (length > wire::kMaxFrame) {
            finish(true, Loss::protocolViolation);
            return;
        }
        if (inbox_.size() - offset - wire::kHeaderSize < length) break;
        auto message = wire::decodePayload(std::span(inbox_.data() + offset + wire::kHeaderSize, length));
        offset += wire::kHeaderSize + length;
        if (!message) {
            finish(true, Loss::protocolViolation);
            return;
        }
        // A copy: the handler may close the channel, which lets go of the original.
        if (MessageHandler handler = onMessage_) handler(std::move(*message));
    }
    if (finished_) return;
    inbox_.erase(inbox_.begin(), inbox_.begin() + static_cast<std::ptrdiff_t>(offset));
    readSome(std::move(keepAlive));
}

bool Channel::outboxOverHighMark() {
    if (backpressure_ == Backpressure::none) return false;
    std::lock_guard lock(mutex_);
    if (outbox_.size() <= kPauseReadingAbove) return false;
    // Someone must tell us when it drains.
    if (!waitArmed_) {
        waitArmed_ = true;
        asio::post(executor_, [self = shared_from_this()] { self->waitWritable(); });
    }
    return true;
}

bool Channel::write(std::string_view frame) {
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    if (outbox_.size() + frame.size() > kOutboxLimit) {
        breakLocked();
        return false;
    }
    outbox_.append(frame);
    queuedBytes_ += frame.size();
    if (!flushLocked()) {
        breakLocked();
        return false;
    }
    if (!outbox_.empty() && !waitArmed_) {
        waitArmed_ = true;
        asio::post(executor_, [self = shared_from_this()] { self->waitWritable(); });
    }
    return true;
}

bool Channel::writeBlocking(std::string_view frame, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::unique_lock lock(mutex_);
    if (closed_) return false;
    // Queued whole, behind whatever is queued already, so no other write can
    // come between its bytes; done once the queue has drained past its end.
    outbox_.append(frame);
    queuedBytes_ += frame.size();
    const std::uint64_t end = queuedBytes_;
    for (;;) {
        if (!flushLocked()) break;
        if (sentBytes_ >= end) return true;
        if (closed_) return false;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        // Wait for room without the lock, so the executor (reading, and
        // flushing for others) never waits on us.
        lock.unlock();
        pollfd room{fd_, POLLOUT, 0};
        ::poll(&room, 1, static_cast<int>(left.count()));
        lock.lock();
        if (closed_) return false;  // closed meanwhile: fd_ may name something else now
    }
    breakLocked();
    return false;
}

void Channel::waitWritable() {
    if (finished_) return;
    socket_.async_wait(Socket::wait_write, [self = shared_from_this()](const asio::error_code&) {
        self->onWritable(true);
    });
    // Room may have come between the send that found the socket full and the
    // wait above, and the reactor reports only changes: try once more now
    // that the wait is queued.
    onWritable(false);
}

void Channel::onWritable(bool waitEnded) {
    bool resumeReading = false;
    {
        std::lock_guard lock(mutex_);
        if (waitEnded) waitArmed_ = false;
        if (closed_) return;
        if (!flushLocked()) {
            breakLocked();
            return;
        }
        if (!outbox_.empty() && !waitArmed_) {
            waitArmed_ = true;
            asio::post(executor_, [self = shared_from_this()] { self->waitWritable(); });
        }
        resumeReading = readPaused_ && outbox_.size() <= kResumeReadingBelow;
    }
    if (resumeReading && !finished_) {
        readPaused_ = false;
        deliverBuffered(std::exchange(pausedKeepAlive_, nullptr));
    }
}

void Channel::close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        closedByOwner_ = true;
        outbox_.clear();
    }
    asio::dispatch(executor_, [self = shared_from_this()] { self->finish(false, Loss::peerClosed); });
}

void Channel::finish(bool report, Loss loss) {
    if (finished_) return;
    finished_ = true;
    bool byOwner = false;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        byOwner = closedByOwner_;
        outbox_.clear();
        asio::error_code ignored;
        socket_.close(ignored);
    }
    inbox_.clear();
    std::shared_ptr<void> keepAlive = std::move(pausedKeepAlive_);  // let go at the end, after the handlers
    LossHandler onLoss = std::move(onLoss_);
    onLoss_ = nullptr;
    onMessage_ = nullptr;
    if (!report || byOwner) return;
    if (onLoss) {
        onLoss(loss);
    } else {
        unreportedLoss_ = loss;
    }
}

bool Channel::flushLocked() {
    while (!outbox_.empty()) {
        const ssize_t sent = ::send(fd_, outbox_.data(), outbox_.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent > 0) {
            outbox_.erase(0, static_cast<std::size_t>(sent));
            sentBytes_ += static_cast<std::uint64_t>(sent);
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        } else {
            return false;
        }
    }
    return true;
}

void Channel::breakLocked() {
    closed_ = true;
    outbox_.clear();
    asio::post(executor_, [self = shared_from_this()] { self->finish(true, Loss::peerClosed); });
}

}  // namespace zephrane::xpc
