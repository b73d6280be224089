// The app's side of the link as the end-to-end tests need it: a real
// xpc::ClientConnection that checks the daemon's code identity, with
// blocking calls bounded by a deadline, and a heartbeat that keeps running
// in the background while a test holds the fans.
#pragma once

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>

#include "platform/xpc/ClientConnection.hpp"

namespace zephrane::helper::testing {

// What came back for one call: the reply values, or the connection's error
// (4097, 4099, 4101), or neither when the deadline passed first.
struct Outcome {
    std::optional<xpc::Values> reply;
    std::optional<xpc::Error> connectionError;

    bool timedOut() const { return !reply && !connectionError; }
    // The daemon's error at `index` of the reply, if there is one.
    const xpc::Error* replyError(std::size_t index) const;
};

class AppClient {
public:
    explicit AppClient(const std::filesystem::path& directory);
    ~AppClient();
    AppClient(const AppClient&) = delete;
    AppClient& operator=(const AppClient&) = delete;

    std::shared_future<Outcome> send(std::string_view selector, xpc::Values arguments);
    Outcome call(std::string_view selector, xpc::Values arguments,
                 std::chrono::milliseconds limit = std::chrono::seconds(15));

    Outcome setTargetRPM(std::int64_t fan, double rpm);
    Outcome heartbeat();

    // Closes the link: the daemon sees this client go away.
    void invalidate();

private:
    std::shared_ptr<xpc::ClientConnection> connection_;
};

// Beats every half second from a thread of its own until destroyed.
class Heartbeat {
public:
    explicit Heartbeat(AppClient& client);
    ~Heartbeat();
    Heartbeat(const Heartbeat&) = delete;
    Heartbeat& operator=(const Heartbeat&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace zephrane::helper::testing
