#include "platform/iokit/IOKitUserClient.hpp"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/iokit/FrameSocket.hpp"
#include "platform/iokit/HangUpWatch.hpp"
#include "platform/iokit/KeyTableMapping.hpp"
#include "platform/iokit/SimulatorProtocol.hpp"
#include "platform/iokit/SocketPaths.hpp"
#include "platform/oslog/OSLog.hpp"

namespace zephrane::iokit {
namespace {

struct Service {
    std::string socketPath;
};

struct Connection {
    ~Connection() { HangUpWatch::instance().forget(watch); }

    FrameSocket socket;
    std::unique_ptr<const KeyTableMapping> table;  // set before the handle exists; null: every call on the socket
    // Set the moment the simulator hangs up (HangUpWatch): its table is read
    // no more, whatever its lease says.
    std::shared_ptr<std::atomic<bool>> hungUp = std::make_shared<std::atomic<bool>>(false);
    std::uint64_t watch = 0;  // set before the handle exists
    std::mutex exchange;  // one request and its answer at a time on this socket
    std::atomic<bool> broken{false};  // written under `exchange`; the stream is out of step for good
    // Calls on their way over the socket, waiting for `exchange` or an
    // answer. While there are any, reads queue behind them as every call
    // on a connection always has: a call hung by a fault stops the whole
    // connection, not only the calls that go to the simulator.
    std::atomic<int> socketCalls{0};
};

// Counts a call as on its way over the socket for as long as it lives.
class SocketCall {
public:
    explicit SocketCall(Connection& connection) : connection_(connection) {
        connection_.socketCalls.fetch_add(1, std::memory_order_acq_rel);
    }
    ~SocketCall() { connection_.socketCalls.fetch_sub(1, std::memory_order_acq_rel); }
    SocketCall(const SocketCall&) = delete;
    SocketCall& operator=(const SocketCall&) = delete;

private:
    Connection& connection_;
};

// Handles to services and connections. Lookups copy a shared_ptr out, so a
// connection outlives its removal from the table until the calls still
// running on it return.
class HandleTable {
public:
    io_object_t insert(std::variant<Service, std::shared_ptr<Connection>> object) {
        std::lock_guard lock(mutex_);
        while (next_ == IO_OBJECT_NULL || objects_.contains(next_)) ++next_;
        const io_object_t handle = next_++;
        objects_.emplace(handle, std::move(object));
        return handle;
    }

    std::optional<std::string> servicePath(io_object_t handle) {
        std::lock_guard lock(mutex_);
        auto it = objects_.find(handle);
        if (it == objects_.end()) return std::nullopt;
        const auto* service = std::get_if<Service>(&it->second);
        return service ? std::optional(service->socketPath) : std::nullopt;
    }

    std::shared_ptr<Connection> connection(io_object_t handle) {
        std::lock_guard lock(mutex_);
        auto it = objects_.find(handle);
        if (it == objects_.end()) return nullptr;
        const auto* connection = std::get_if<std::shared_ptr<Connection>>(&it->second);
        return connection ? *connection : nullptr;
    }

    bool removeService(io_object_t handle) {
        std::lock_guard lock(mutex_);
        auto it = objects_.find(handle);
        if (it == objects_.end() || !std::holds_alternative<Service>(it->second)) return false;
        objects_.erase(it);
        return true;
    }

    std::shared_ptr<Connection> removeConnection(io_object_t handle) {
        std::lock_guard lock(mutex_);
        auto it = objects_.find(handle);
        if (it == objects_.end()) return nullptr;
        auto* connection = std::get_if<std::shared_ptr<Connection>>(&it->second);
        if (!connection) return nullptr;
        std::shared_ptr<Connection> removed = std::move(*connection);
        objects_.erase(it);
        return removed;
    }

private:
    std::mutex mutex_;
    std::unordered_map<io_object_t, std::variant<Service, std::shared_ptr<Connection>>> objects_;
    io_object_t next_ = 1;
};

// Process-wide like the kernel's port namespace, and never destroyed, so a
// thread still closing a connection at exit never touches a dead table.
HandleTable& handles() {
    static auto* table = new HandleTable;
    return *table;
}

bool isSocketFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

kern_return_t connectFailure(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
        case ECONNREFUSED:
        case ENOTSOCK:
        case EPROTOTYPE: return kIOReturnNoDevice;
        case EACCES:
        case EPERM: return kIOReturnNotPrivileged;
        case ENAMETOOLONG: return kIOReturnBadArgument;
        default: return kIOReturnError;
    }
}

void putBigEndian32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

kern_return_t bigEndianReturn(const std::vector<std::uint8_t>& payload) {
    const std::uint32_t raw = (std::uint32_t{payload[0]} << 24) | (std::uint32_t{payload[1]} << 16) |
                              (std::uint32_t{payload[2]} << 8) | std::uint32_t{payload[3]};
    return ioReturn(raw);
}

// A descriptor owned until it is closed here.
class OwnedDescriptor {
public:
    OwnedDescriptor() = default;
    ~OwnedDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    OwnedDescriptor(const OwnedDescriptor&) = delete;
    OwnedDescriptor& operator=(const OwnedDescriptor&) = delete;
    int* receiver() { return &fd_; }
    int get() const { return fd_; }

private:
    int fd_ = -1;
};

// Reads go over the socket when the simulator shares no key table (an
// older one) or one this side cannot use. Said once per simulator socket,
// not per connection: it costs every read a round trip, and that is news
// once. The set never shrinks; a process talks to few simulators.
void noteReadsOverTheSocket(const std::string& socketPath, const std::string& why) {
    static auto* lock = new std::mutex;
    static auto* told = new std::set<std::string>;
    {
        std::lock_guard guard(*lock);
        if (!told->insert(socketPath).second) return;
    }
    oslog::logger("com.zephrane.iokit", "AppleSMC")
        .debug("the key table of \"" + socketPath + "\" is not mapped (" + why + "); SMC reads go over the socket");
}

std::unique_ptr<const KeyTableMapping> mapKeyTable(const std::string& socketPath, const OwnedDescriptor& descriptor) {
    if (descriptor.get() < 0) {
        noteReadsOverTheSocket(socketPath, "the simulator shares none");
        return nullptr;
    }
    try {
        return std::make_unique<const KeyTableMapping>(descriptor.get());
    } catch (const KeyTableMappingError& e) {
        noteReadsOverTheSocket(socketPath, e.what());
        return nullptr;
    }
}

// A failed send or receive as the caller sees it.
kern_return_t wireFailure(FrameSocket::Status status) {
    return status == FrameSocket::Status::tooLarge ? kIOReturnError : kIOReturnNotResponding;
}

}  // namespace

mach_port_t mach_task_self() { return 1; }

MatchingDictionary IOServiceMatching(std::string_view className) { return {std::string(className)}; }

io_service_t IOServiceGetMatchingService(mach_port_t /*mainPort*/, const MatchingDictionary& matching) {
    if (matching.className != "AppleSMC") return IO_OBJECT_NULL;
    std::string path = smcSocketPath();
    if (!isSocketFile(path)) return IO_OBJECT_NULL;
    return handles().insert(Service{std::move(path)});
}

kern_return_t IOServiceOpen(io_service_t service, mach_port_t /*owningTask*/, std::uint32_t type,
                            io_connect_t* connect) {
    if (!connect) return kIOReturnBadArgument;
    const std::optional<std::string> path = handles().servicePath(service);
    if (!path) return kIOReturnBadArgument;

    auto connection = std::make_shared<Connection>();
    connection->socket.setTimeout(smcCallDeadline());
    if (int error = connection->socket.connect(*path); error != 0)
        return error == EAGAIN ? kIOReturnNotResponding : connectFailure(error);

    std::vector<std::uint8_t> request{wire::kOpOpen};
    putBigEndian32(request, type);
    std::vector<std::uint8_t> answer;
    OwnedDescriptor table;
    if (auto status = connection->socket.exchange(request, answer, wire::kMaxPayload, table.receiver());
        status != FrameSocket::Status::ok)
        return wireFailure(status);
    if (answer.size() != 4) return kIOReturnError;
    if (kern_return_t code = bigEndianReturn(answer); code != kIOReturnSuccess) return code;

    connection->table = mapKeyTable(*path, table);
    if (connection->table)
        connection->watch = HangUpWatch::instance().watch(connection->socket.descriptor(), connection->hungUp);
    *connect = handles().insert(std::move(connection));
    return kIOReturnSuccess;
}

kern_return_t IOConnectCallStructMethod(io_connect_t handle, std::uint32_t selector, const void* input,
                                        std::size_t inputSize, void* output, std::size_t* outputSize) {
    if (!outputSize) return kIOReturnBadArgument;
    const std::size_t capacity = std::exchange(*outputSize, 0);
    if ((!input && inputSize > 0) || (!output && capacity > 0)) return kIOReturnBadArgument;
    if (inputSize > wire::kMaxPayload - 5) return kIOReturnBadArgument;

    const std::shared_ptr<Connection> connection = handles().connection(handle);
    if (!connection) return kIOReturnNotOpen;

    // Reads the mapped table answers cost no round trip; the simulator
    // still sees every other call, and every call it has asked to see.
    if (connection->table && selector == wire::kSMCSelector && inputSize == wire::kRecordSize &&
        capacity >= wire::kRecordSize && !connection->broken.load(std::memory_order_acquire) &&
        !connection->hungUp->load(std::memory_order_acquire) &&
        connection->socketCalls.load(std::memory_order_acquire) == 0 &&
        connection->table->answer(
            std::span<const std::uint8_t, wire::kRecordSize>(static_cast<const std::uint8_t*>(input), wire::kRecordSize),
            std::span<std::uint8_t, wire::kRecordSize>(static_cast<std::uint8_t*>(output), wire::kRecordSize))) {
        *outputSize = wire::kRecordSize;
        return kIOReturnSuccess;
    }

    std::vector<std::uint8_t> request;
    request.reserve(5 + inputSize);
    request.push_back(wire::kOpCall);
    putBigEndian32(request, selector);
    if (inputSize > 0) {
        const auto* bytes = static_cast<const std::uint8_t*>(input);
        request.insert(request.end(), bytes, bytes + inputSize);
    }

    const SocketCall onTheSocket(*connection);
    std::lock_guard lock(connection->exchange);
    if (connection->broken.load(std::memory_order_relaxed)) return kIOReturnNotResponding;
    auto fail = [&](kern_return_t code) {
        connection->broken.store(true, std::memory_order_release);
        connection->socket.shutdown();
        return code;
    };

    // Within the deadline, or never: a call that outlives it leaves the
    // stream out of step, so the connection is dead from then on.
    std::vector<std::uint8_t> answer;
    if (auto status = connection->socket.exchange(request, answer, wire::kMaxPayload);
        status != FrameSocket::Status::ok)
        return fail(wireFailure(status));
    if (answer.size() < 4) return fail(kIOReturnError);

    if (kern_return_t code = bigEndianReturn(answer); code != kIOReturnSuccess) return code;
    const std::size_t answerSize = answer.size() - 4;
    if (answerSize > capacity) return kIOReturnOverrun;
    if (answerSize > 0) std::memcpy(output, answer.data() + 4, answerSize);
    *outputSize = answerSize;
    return kIOReturnSuccess;
}

kern_return_t IOServiceClose(io_connect_t handle) {
    const std::shared_ptr<Connection> connection = handles().removeConnection(handle);
    if (!connection) return kIOReturnBadArgument;
    connection->socket.shutdown();
    return kIOReturnSuccess;
}

kern_return_t IOObjectRelease(io_object_t object) {
    return handles().removeService(object) ? kIOReturnSuccess : kIOReturnBadArgument;
}

}  // namespace zephrane::iokit
