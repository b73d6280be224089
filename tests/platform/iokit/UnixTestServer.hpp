// A Unix-domain socket server run by a test, speaking the simulator's framing,
// so the IOKit stand-in can be tested against scripted peers (refusals, short
// answers, hangs, deaths) without the simulator.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace zephrane::testing {

// A directory of its own under /tmp (socket paths must stay short), removed
// with everything in it.
class TempDirectory {
public:
    TempDirectory();
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    std::string path(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

class UnixTestServer {
public:
    // One accepted connection, handled on its own thread.
    class Peer {
    public:
        explicit Peer(int fd) : fd_(fd) {}
        // The next frame's payload; nothing once the client has gone away.
        std::optional<std::vector<std::uint8_t>> readFrame();
        bool writeFrame(std::span<const std::uint8_t> payload);
        // The same with `descriptor` passed along with the first byte
        // (SCM_RIGHTS), as the simulator hands over its key table.
        bool writeFrame(std::span<const std::uint8_t> payload, int descriptor);
        // Bytes exactly as given (a bad header, half a frame).
        bool writeRaw(std::span<const std::uint8_t> bytes);
        // Blocks until the client closes its end (or the server stops).
        void waitForClose();

    private:
        int fd_;
    };

    using Handler = std::function<void(Peer&)>;

    // Listens at `path`; each connection runs `handler` and is closed when the
    // handler returns.
    UnixTestServer(std::string path, Handler handler);
    ~UnixTestServer();
    UnixTestServer(const UnixTestServer&) = delete;
    UnixTestServer& operator=(const UnixTestServer&) = delete;

    // Ends every connection and stops listening; the socket file stays.
    void stop();

    // Waits until at least `count` handlers have returned.
    bool waitForFinishedHandlers(int count, std::chrono::milliseconds deadline = std::chrono::seconds(10));

private:
    struct Connection {
        int fd;
        std::thread thread;
    };

    void acceptLoop();

    std::string path_;
    Handler handler_;
    int listener_ = -1;
    std::thread acceptor_;
    std::mutex mutex_;
    std::condition_variable finished_;
    std::vector<Connection> connections_;  // guarded by mutex_
    int finishedHandlers_ = 0;             // guarded by mutex_
    bool stopped_ = false;                 // guarded by mutex_
};

// Every frame a scripted peer received, in order, across connections.
class FrameLog {
public:
    void add(std::vector<std::uint8_t> frame) {
        std::lock_guard lock(mutex_);
        frames_.push_back(std::move(frame));
    }
    std::vector<std::vector<std::uint8_t>> frames() const {
        std::lock_guard lock(mutex_);
        return frames_;
    }
    std::size_t size() const {
        std::lock_guard lock(mutex_);
        return frames_.size();
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::vector<std::uint8_t>> frames_;
};

// What a scripted SMC answers to one call frame (the whole request payload):
// a payload to send back, or nothing to drop the connection. It may block or
// write raw bytes through the peer first.
using CallScript =
    std::function<std::optional<std::vector<std::uint8_t>>(const std::vector<std::uint8_t>& request, UnixTestServer::Peer& peer)>;

// The simulator's AppleSMC side: reads the open frame and answers `openCode`
// (a refusal ends the connection), with `openDescriptor` passed along when
// it is one, then answers each further frame by `onCall`. Every frame
// received goes to `log`.
UnixTestServer::Handler scriptedSMC(std::int32_t openCode, CallScript onCall, std::shared_ptr<FrameLog> log,
                                    int openDescriptor = -1);

// A return code, then the record bytes: one answer payload.
std::vector<std::uint8_t> answerPayload(std::int32_t code, std::span<const std::uint8_t> record = {});

// Servers that answer a one-question socket (HID, registry) wrongly, each
// with its name; a null handler stands for no server at all. A client must
// read every one of them as "nothing there".
struct MisbehavingPeer {
    const char* name;
    UnixTestServer::Handler handler;
};
std::vector<MisbehavingPeer> misbehavingPeers();

// Big-endian helpers for scripting the wire.
std::vector<std::uint8_t> bigEndian32(std::uint32_t value);
std::uint32_t readBigEndian32(std::span<const std::uint8_t> bytes);

// Waits for `condition` with a generous deadline; true when it held.
bool eventually(const std::function<bool()>& condition,
                std::chrono::milliseconds deadline = std::chrono::seconds(10));

}  // namespace zephrane::testing
