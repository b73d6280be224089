// A test service with a small interface, a raw socket peer for hostile input,
// and recorders that count what each message got back.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/xpc/ClientConnection.hpp"
#include "platform/xpc/IoThread.hpp"
#include "platform/xpc/Listener.hpp"
#include "platform/xpc/WireFormat.hpp"
#include "shared/JsonCoding.hpp"

namespace zephrane::xpc::test {

using namespace std::chrono_literals;

inline constexpr auto kDeadline = 20s;  // generous: sanitizers and loaded machines are slow
inline constexpr std::string_view kServiceName = "com.zephrane.test.xpc";

// Polls `done` until it holds or the deadline passes.
template <class Predicate>
bool eventually(Predicate done, std::chrono::milliseconds limit = kDeadline) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Runs what is queued on `executor` before it returns. Twice round: a
// strand busy when the first marker is posted queues its newer work behind it.
inline void drain(const asio::any_io_executor& executor) {
    for (int round = 0; round < 2; ++round) {
        std::mutex m;
        std::condition_variable cv;
        bool done = false;
        asio::post(executor, [&] {
            std::lock_guard lock(m);
            done = true;
            cv.notify_all();
        });
        std::unique_lock lock(m);
        ASSERT_TRUE(cv.wait_for(lock, kDeadline, [&] { return done; }));
    }
}

class TempDir {
public:
    TempDir() {
        std::string pattern = "/tmp/zxpc-XXXXXX";
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string socketPath() const { return path_ + "/" + std::string(kServiceName); }

private:
    std::string path_;
};

// The interface of the test service.
//   echoAll:    every kind of value, sent back as it came, then nil
//   whoami      the id of Connection::current() during the call
//   hold        keeps the reply for the test to call (or drop) later
//   drop        lets the reply go without calling it
//   throw       throws from the handler
//   big         a reply over the frame limit
//   badReply    replies a string where an int64 is declared
inline Interface testInterface() {
    using P = ParameterType;
    Interface interface;
    interface.add("echoAll:", {{P::int64, P::float64, P::boolean, P::string, P::error},
                               {P::int64, P::float64, P::boolean, P::string, P::error, P::optionalError}});
    interface.add("whoami", {{}, {P::int64}});
    interface.add("hold", {{}, {P::optionalError}});
    interface.add("drop", {{}, {P::optionalError}});
    interface.add("throw", {{}, {P::optionalError}});
    interface.add("big", {{}, {P::string}});
    interface.add("badReply", {{}, {P::int64}});
    return interface;
}

// The test service: a listener on its own thread whose delegate accepts
// every connection with the test interface, and records what happens.
// Handlers reach the service through a plain pointer: the destructor ends
// every connection and waits for the thread to run dry before any member
// goes away.
class TestService {
public:
    std::string requirement;  // set on each connection when not empty
    std::atomic<int> handlerCalls{0};

    explicit TestService(const TempDir& dir, ListenerSettings settings = {}) {
        if (!settings.directory) settings.directory = dir.path();
        listener_ = std::make_unique<Listener>(thread_.executor(), std::string(kServiceName), std::move(settings));
        listener_->setDelegate(std::make_shared<Delegate>(this));
        listener_->resume();
    }

    ~TestService() {
        listener_->invalidate();
        std::vector<std::weak_ptr<Connection>> connections;
        std::vector<Reply> held;
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            connections = connections_;
            held = std::exchange(held_, {});
        }
        held.clear();
        for (auto& weak : connections) {
            if (auto connection = weak.lock()) connection->invalidate();
        }
        // Every accepted connection ends with its invalidation handler, the
        // last call that reaches this object.
        std::unique_lock lock(mutex_);
        EXPECT_TRUE(changed_.wait_for(lock, kDeadline, [&] {
            int sum = 0;
            for (const auto& [id, count] : invalidations_) sum += count;
            return sum >= static_cast<int>(accepted_.size());
        }));
        lock.unlock();
        drain(thread_.executor());  // and whatever the thread was doing meanwhile has finished
    }
    TestService(const TestService&) = delete;
    TestService& operator=(const TestService&) = delete;

    std::vector<ConnectionId> accepted() const {
        std::lock_guard lock(mutex_);
        return accepted_;
    }
    int invalidations(ConnectionId id) const {
        std::lock_guard lock(mutex_);
        auto it = invalidations_.find(id);
        return it == invalidations_.end() ? 0 : it->second;
    }
    int totalInvalidations() const {
        std::lock_guard lock(mutex_);
        int total = 0;
        for (const auto& [id, count] : invalidations_) total += count;
        return total;
    }
    bool waitForInvalidations(int total) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kDeadline, [&] {
            int sum = 0;
            for (const auto& [id, count] : invalidations_) sum += count;
            return sum >= total;
        });
    }
    bool waitForHeld(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kDeadline, [&] { return held_.size() >= count; });
    }
    // Takes the replies "hold" kept, for the test to call or drop.
    std::vector<Reply> takeHeld() {
        std::lock_guard lock(mutex_);
        return std::exchange(held_, {});
    }
    std::shared_ptr<Connection> connection(ConnectionId id) const {
        std::lock_guard lock(mutex_);
        for (const auto& weak : connections_) {
            auto connection = weak.lock();
            if (connection && connection->id() == id) return connection;
        }
        return nullptr;
    }
    asio::any_io_executor executor() { return thread_.executor(); }
    Listener& listener() { return *listener_; }

private:
    struct Delegate : ListenerDelegate {
        explicit Delegate(TestService* owner) : service(owner) {}
        bool shouldAcceptNewConnection(const std::shared_ptr<Connection>& connection) override {
            return service->accept(connection);
        }
        TestService* service;
    };

    bool accept(const std::shared_ptr<Connection>& connection) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return false;
        }
        const ConnectionId id = connection->id();
        if (!requirement.empty()) connection->setCodeSigningRequirement(requirement);
        connection->setExportedInterface(testInterface());
        connection->setExportedObject(exportedObject());
        connection->setInvalidationHandler([this, id] { record([&] { ++invalidations_[id]; }); });
        record([&] {
            accepted_.push_back(id);
            connections_.push_back(connection);
        });
        connection->resume();
        return true;
    }

    template <class Change>
    void record(Change change) {
        std::lock_guard lock(mutex_);
        change();
        changed_.notify_all();
    }

    Handler counted(std::function<void(Values, Reply)> body) {
        return [this, body = std::move(body)](Values arguments, Reply reply) {
            ++handlerCalls;
            body(std::move(arguments), std::move(reply));
        };
    }

    ExportedObject exportedObject() {
        ExportedObject object;
        object["echoAll:"] = counted([](Values arguments, Reply reply) {
            arguments.emplace_back();
            reply(std::move(arguments));
        });
        object["whoami"] = counted([](Values, Reply reply) {
            auto current = Connection::current();
            reply({Value(current ? static_cast<std::int64_t>(current->value) : std::int64_t{-1})});
        });
        object["hold"] = counted([this](Values, Reply reply) { record([&] { held_.push_back(std::move(reply)); }); });
        object["drop"] = counted([](Values, Reply) {});
        object["throw"] = counted([](Values, Reply) { throw std::runtime_error("handler failed"); });
        object["big"] = counted([](Values, Reply reply) { reply({Value(std::string(wire::kMaxFrame + 1, 'x'))}); });
        object["badReply"] = counted([](Values, Reply reply) { reply({Value("not a number")}); });
        return object;
    }

    IoThread thread_;  // first: destroyed last
    std::unique_ptr<Listener> listener_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<ConnectionId> accepted_;
    std::vector<std::weak_ptr<Connection>> connections_;
    std::map<ConnectionId, int> invalidations_;
    std::vector<Reply> held_;
    bool stopping_ = false;
};

// What came back for each message sent through a proxy.
class Outcomes {
public:
    struct Outcome {
        int replies = 0;
        int errors = 0;
        Values reply;
        Error error;
    };

    ReplyHandler replyFor(int message) {
        return [this, message](Values values) {
            record(message, [&](Outcome& o) {
                ++o.replies;
                o.reply = std::move(values);
            });
        };
    }
    ErrorHandler errorFor(int message) {
        return [this, message](const Error& error) {
            record(message, [&](Outcome& o) {
                ++o.errors;
                o.error = error;
            });
        };
    }
    bool waitForAnswers(int messages) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kDeadline, [&] { return answered_ >= messages; });
    }
    Outcome at(int message) const {
        std::lock_guard lock(mutex_);
        auto it = outcomes_.find(message);
        return it == outcomes_.end() ? Outcome{} : it->second;
    }
    int answered() const {
        std::lock_guard lock(mutex_);
        return answered_;
    }

private:
    template <class Change>
    void record(int message, Change change) {
        std::lock_guard lock(mutex_);
        change(outcomes_[message]);
        ++answered_;
        changed_.notify_all();
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::map<int, Outcome> outcomes_;
    int answered_ = 0;
};

// A blocking socket that speaks raw bytes, for input no client would send.
class RawPeer {
public:
    enum class Read { message, closed, timedOut };

    explicit RawPeer(const std::string& path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.data(), path.size());
        if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
            ::close(fd_);
            throw std::runtime_error("cannot connect to " + path);
        }
    }
    ~RawPeer() { ::close(fd_); }
    RawPeer(const RawPeer&) = delete;
    RawPeer& operator=(const RawPeer&) = delete;

    void sendBytes(std::string_view bytes) {
        while (!bytes.empty()) {
            ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n <= 0) return;  // the service may have dropped us already
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }
    void sendMessage(const Json& message) { sendBytes(*wire::encodeFrame(message)); }
    void shutdownWrite() { ::shutdown(fd_, SHUT_WR); }

    // The next frame's message, or the end of the stream.
    Read read(Json& message, std::chrono::milliseconds limit = kDeadline) {
        for (;;) {
            if (inbox_.size() >= wire::kHeaderSize) {
                std::array<std::uint8_t, wire::kHeaderSize> header{};
                std::memcpy(header.data(), inbox_.data(), header.size());
                const std::size_t length = wire::readLength(header);
                if (inbox_.size() >= wire::kHeaderSize + length) {
                    auto payload = std::span(inbox_).subspan(wire::kHeaderSize, length);
                    auto decoded = wire::decodePayload(payload);
                    inbox_.erase(inbox_.begin(), inbox_.begin() + static_cast<std::ptrdiff_t>(wire::kHeaderSize + length));
                    if (!decoded) throw std::runtime_error("the service sent a malformed frame");
                    message = std::move(*decoded);
                    return Read::message;
                }
            }
            pollfd readable{fd_, POLLIN, 0};
            if (::poll(&readable, 1, static_cast<int>(limit.count())) <= 0) return Read::timedOut;
            std::array<std::uint8_t, 4096> buffer{};
            const ssize_t n = ::recv(fd_, buffer.data(), buffer.size(), 0);
            if (n <= 0) return Read::closed;
            inbox_.insert(inbox_.end(), buffer.begin(), buffer.begin() + n);
        }
    }

private:
    int fd_ = -1;
    std::vector<std::uint8_t> inbox_;
};

// Whether the service answers a request of `peer`'s.
inline bool served(RawPeer& peer, std::uint64_t id = 1) {
    peer.sendMessage(wire::makeRequest(id, "whoami", {}));
    Json answer;
    return peer.read(answer) == RawPeer::Read::message;
}

inline ClientSettings clientSettings(const TempDir& dir, std::optional<asio::any_io_executor> executor = {}) {
    ClientSettings settings;
    settings.directory = dir.path();
    settings.executor = std::move(executor);
    return settings;
}

}  // namespace zephrane::xpc::test
