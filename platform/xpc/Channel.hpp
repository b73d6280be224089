// One Unix stream socket carrying framed CBOR messages (WireFormat.hpp), for
// both ends of a connection.
//
// Reading happens on the socket's executor, which must be a strand: messages
// and the loss notice are delivered there, one at a time, in order.
// Writing may happen from any thread. Every frame goes whole into one byte
// queue under one lock, and the queue is pushed out with non-blocking sends,
// so a queued write (flushed by the executor when the socket drains) and a
// blocking one (for a process that is exiting and has no running executor any
// more) never interleave their bytes, and the lock is never held while
// waiting for room.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <asio.hpp>

#include "shared/JsonFwd.hpp"

namespace zephrane::xpc {

class Channel : public std::enable_shared_from_this<Channel> {
public:
    using Socket = asio::local::stream_protocol::socket;
    enum class Loss { peerClosed, protocolViolation };
    using MessageHandler = std::function<void(Json message)>;
    using LossHandler = std::function<void(Loss loss)>;

    // Unsent bytes above which we stop reading the peer's requests until it
    // has read our answers down below the lower mark.
    static constexpr std::size_t kPauseReadingAbove = 256 * 1024;
    static constexpr std::size_t kResumeReadingBelow = 64 * 1024;
    // Unsent bytes at which we give up on the peer. Reading stops long
    // before; the rest is answers still owed (64 outstanding at 64 KiB).
    static constexpr std::size_t kOutboxLimit = 8 * 1024 * 1024;

    // The answering end holds a peer's requests while the peer leaves its
    // answers unread. Only that end may: if both ends held back, each would
    // wait for the other to read.
    enum class Backpressure { none, holdRequests };

    Channel(Socket socket, Backpressure backpressure);
    ~Channel();
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    const asio::any_io_executor& executor() const { return executor_; }
    // The descriptor, for checks of the peer before start().
    int nativeHandle() const { return fd_; }

    // Starts reading; any thread. `keepAlive` is held by the pending read, so
    // whatever owns this channel lives while the socket is open. The loss
    // handler runs at most once, and never after close().
    void start(MessageHandler onMessage, LossHandler onLoss, std::shared_ptr<void> keepAlive = {});

    // Queues a frame; false when the channel is closed or the peer has left
    // too much unread (the channel is then lost).
    bool write(std::string_view frame);

    // Writes a frame before returning, without the executor, waiting at most
    // `limit` for room in the socket; false when it could not (the channel is
    // then lost, as its byte stream may hold half a frame).
    bool writeBlocking(std::string_view frame, std::chrono::milliseconds limit);

    // Closes from our side; any thread. No loss is reported after this.
    void close();

private:
    void readSome(std::shared_ptr<void> keepAlive);
    void onRead(const asio::error_code& ec, std::size_t count, std::shared_ptr<void> keepAlive);
    void deliverBuffered(std::shared_ptr<void> keepAlive);
    bool outboxOverHighMark();
    void waitWritable();
    void onWritable(bool waitEnded);
    void finish(bool report, Loss loss);
    bool flushLocked();
    void breakLocked();

    const asio::any_io_executor executor_;
    Socket socket_;
    const int fd_;
    const Backpressure backpressure_;

    // Executor only.
    std::array<std::uint8_t, 16 * 1024> readBuffer_{};
    std::vector<std::uint8_t> inbox_;
    MessageHandler onMessage_;
    LossHandler onLoss_;
    bool finished_ = false;
    std::optional<Loss> unreportedLoss_;
    bool readPaused_ = false;
    std::shared_ptr<void> pausedKeepAlive_;  // the pending read's, while reading is paused

    std::mutex mutex_;
    std::string outbox_;           // guarded by mutex_
    std::uint64_t queuedBytes_ = 0;  // guarded: ever put into the outbox
    std::uint64_t sentBytes_ = 0;    // guarded: ever taken out by a send
    bool closed_ = false;          // guarded: no more writes
    bool closedByOwner_ = false;   // guarded: close() was called
    bool waitArmed_ = false;       // guarded: a wait for room is queued
};

}  // namespace zephrane::xpc
