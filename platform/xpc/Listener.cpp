#include "platform/xpc/Listener.hpp"

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <map>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <system_error>

#include "platform/xpc/IoThread.hpp"
#include "platform/xpc/ServiceAddress.hpp"
#include "platform/xpc/SocketActivation.hpp"
#include "shared/OwnSocket.hpp"

namespace zephrane::xpc {

namespace {

// Back-off when the process is out of descriptors, so accepting does not spin.
constexpr auto kAcceptRetryDelay = std::chrono::milliseconds(100);

[[noreturn]] void fail(int error, const std::string& what) {
    throw std::system_error(error, std::generic_category(), what);
}

uid_t peerUser(int fd) {
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) return static_cast<uid_t>(-1);
    return credentials.uid;
}

// Connections the descriptor limit leaves room for, the service's reserve kept.
std::size_t connectionsTheLimitAllows() {
    constexpr std::size_t kFewest = 16;
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return SIZE_MAX / 2;
    const auto descriptors = static_cast<std::size_t>(limit.rlim_cur);
    return descriptors > kReservedDescriptors + kFewest ? descriptors - kReservedDescriptors : kFewest;
}

struct FileIdentity {
    dev_t device;
    ino_t inode;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

std::optional<FileIdentity> identityOf(const std::string& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino};
}

}  // namespace

struct Listener::State : std::enable_shared_from_this<State> {
    State(asio::any_io_executor executor_, std::string path_, ListenerSettings settings_)
        : executor(std::move(executor_)),
          strand(asio::make_strand(executor)),
          acceptor(strand),
          retry(strand),
          path(std::move(path_)),
          settings(std::move(settings_)) {}

    void accept() {
        if (invalidated) return;
        acceptor.async_accept(asio::any_io_executor(asio::make_strand(executor)),
                              [self = shared_from_this()](const asio::error_code& ec, Connection::Socket socket) {
                                  self->accepted(ec, std::move(socket));
                              });
    }

    void accepted(const asio::error_code& ec, Connection::Socket socket) {
        if (invalidated || ec == asio::error::operation_aborted) return;
        if (ec) {
            // One failed accept (a client that gave up, no descriptors left)
            // must not end the service.
            const int error = ec.value();
            if (error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM) {
                retry.expires_after(kAcceptRetryDelay);
                retry.async_wait([self = shared_from_this()](const asio::error_code& waited) {
                    if (!waited) self->accept();
                });
            } else {
                accept();
            }
            return;
        }
        const uid_t user = peerUser(socket.native_handle());
        if (!take(user)) {
            asio::error_code ignored;
            socket.close(ignored);
            accept();
            return;
        }
        auto connection = Connection::adopt(std::move(socket), settings.validator, checker,
                                            [weak = weak_from_this(), user] {
                                                if (auto self = weak.lock()) self->release(user);
                                            });
        std::shared_ptr<ListenerDelegate> current;
        {
            std::lock_guard lock(mutex);
            current = delegate;
        }
        bool taken = false;
        try {
            taken = current && current->shouldAcceptNewConnection(connection);
        } catch (...) {
            taken = false;
        }
        if (!taken) connection->invalidate();
        accept();
    }

    // Room for one more connection of `user`'s: taken when there is.
    bool take(uid_t user) {
        std::lock_guard lock(mutex);
        std::size_t& ofUser = perUser[user];
        if (open >= maxOpen || ofUser >= maxOfUser) {
            if (ofUser == 0) perUser.erase(user);
            return false;
        }
        ++open;
        ++ofUser;
        return true;
    }

    void release(uid_t user) {
        std::lock_guard lock(mutex);
        --open;
        if (--perUser[user] == 0) perUser.erase(user);
    }

    const asio::any_io_executor executor;
    const asio::any_io_executor strand;
    asio::local::stream_protocol::acceptor acceptor;  // strand only, after resume()
    asio::steady_timer retry;                         // strand only
    const std::string path;
    const ListenerSettings settings;
    // Where every connection's peer is checked, one at a time: off the
    // executor, which serves the connections already admitted.
    const std::shared_ptr<IoThread> checker = std::make_shared<IoThread>();

    std::mutex mutex;
    std::shared_ptr<ListenerDelegate> delegate;  // guarded by mutex
    std::optional<FileIdentity> madeFile;        // guarded by mutex
    std::size_t open = 0;                        // guarded by mutex: connections not yet ended
    std::map<uid_t, std::size_t> perUser;        // guarded by mutex
    std::size_t maxOpen = 0;                     // guarded by mutex, set by resume()
    std::size_t maxOfUser = 0;                   // guarded by mutex, set by resume()
    std::atomic<bool> resumed{false};
    std::atomic<bool> invalidated{false};
    std::atomic<bool> inherited{false};
};

Listener::Listener(asio::any_io_executor executor, std::string machServiceName, ListenerSettings settings) {
    std::string path = socketPathForService(machServiceName, settings.directory);
    state_ = std::make_shared<State>(std::move(executor), std::move(path), std::move(settings));
}

Listener::~Listener() {
    invalidate();
}

void Listener::setDelegate(std::shared_ptr<ListenerDelegate> delegate) {
    std::lock_guard lock(state_->mutex);
    state_->delegate = std::move(delegate);
}

void Listener::resume() {
    State& state = *state_;
    if (state.invalidated || state.resumed.exchange(true)) return;
    {
        std::lock_guard lock(state.mutex);
        state.maxOpen = state.settings.maxConnections.value_or(connectionsTheLimitAllows());
        state.maxOfUser = state.settings.maxConnectionsPerUser.value_or(std::max<std::size_t>(state.maxOpen / 4, 1));
    }
    try {
        int fd = -1;
        if (state.settings.listeningSocket) {
            fd = *state.settings.listeningSocket;
            try {
                requireListeningUnixSocket(fd);
            } catch (...) {
                ::close(fd);
                throw;
            }
            state.inherited = true;
        } else if (auto activated = state.settings.socketActivation ? takeActivatedSocket() : std::nullopt) {
            fd = *activated;
            state.inherited = true;
        } else {
            // Open to every local user: who may talk is decided by the peer
            // check, not by the file mode.
            const OwnSocket made = listenAtOwnPath(state.path, 0666);
            fd = made.fd;
            std::lock_guard lock(state.mutex);
            state.madeFile = FileIdentity{made.device, made.inode};
        }
        asio::error_code ec;
        state.acceptor.assign(asio::local::stream_protocol(), fd, ec);
        if (ec) {
            ::close(fd);
            fail(ec.value(), "cannot listen at \"" + state.path + "\"");
        }
    } catch (...) {
        state.resumed = false;
        throw;
    }
    asio::post(state.strand, [self = state_] { self->accept(); });
}

void Listener::invalidate() {
    State& state = *state_;
    if (state.invalidated.exchange(true)) return;
    {
        // Only our own file, and only while it is still ours: a newer server
        // may have replaced it.
        std::lock_guard lock(state.mutex);
        if (state.madeFile && identityOf(state.path) == state.madeFile) ::unlink(state.path.c_str());
        state.madeFile.reset();
    }
    asio::post(state.strand, [self = state_] {
        asio::error_code ignored;
        self->acceptor.close(ignored);
        self->retry.cancel();
    });
}

const std::string& Listener::socketPath() const {
    return state_->path;
}

bool Listener::usesInheritedSocket() const {
    return state_->inherited;
}

}  // namespace zephrane::xpc
