// One connection to a simulator socket that answers one frame with another
// (HID.sock, IORegistry.sock), kept open between exchanges: a poll that
// opened a connection for every question woke the simulator, and logged a
// client coming and going, several times a second. A connection the
// simulator has closed meanwhile (it restarted, or stopped serving) is
// opened anew once, and the question asked again; any other failure drops
// the connection, and the next exchange opens a new one.
//
// Exchanges are one at a time: a caller waits for the one before it, which
// the time-out bounds.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/iokit/FrameSocket.hpp"

namespace zephrane::iokit {

class KeptConnection {
public:
    // Each exchange (a connect included) is over within `timeout`.
    KeptConnection(std::string socketPath, std::chrono::milliseconds timeout);
    ~KeptConnection();
    KeptConnection(const KeptConnection&) = delete;
    KeptConnection& operator=(const KeptConnection&) = delete;

    // The answer to `request`; none when the simulator cannot be reached, or
    // does not answer in time, or answers with more than `maxPayload` bytes.
    // With `descriptor`, a descriptor passed with the answer is stored there
    // (-1 when none came), the caller's to close.
    std::optional<std::vector<std::uint8_t>> exchange(std::span<const std::uint8_t> request, std::size_t maxPayload,
                                                      int* descriptor = nullptr);

    // Set the moment the connection open now hangs up (HangUpWatch), for
    // what a caller got from it: none while no connection is open.
    std::shared_ptr<const std::atomic<bool>> hangUp() const;

    const std::string& socketPath() const { return socketPath_; }

private:
    void open();    // mutex_ held
    void close();  // mutex_ held

    std::string socketPath_;
    std::chrono::milliseconds timeout_;
    mutable std::mutex mutex_;
    FrameSocket socket_;  // guarded by mutex_; not open between a failure and the next exchange
    std::shared_ptr<std::atomic<bool>> hungUp_;  // guarded by mutex_; of the open connection
    std::uint64_t watch_ = 0;                    // guarded by mutex_
};

}  // namespace zephrane::iokit
