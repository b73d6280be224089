#include "platform/xpc/Connection.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <utility>

#include "platform/xpc/Channel.hpp"
#include "platform/xpc/IoThread.hpp"
#include "platform/xpc/WireFormat.hpp"
#include "shared/JsonCoding.hpp"

namespace zephrane::xpc {

namespace {

std::atomic<std::uint64_t> nextConnectionId{1};
thread_local std::optional<ConnectionId> currentConnection;

class CurrentConnectionScope {
public:
    explicit CurrentConnectionScope(ConnectionId id) : saved_(currentConnection) { currentConnection = id; }
    ~CurrentConnectionScope() { currentConnection = saved_; }
    CurrentConnectionScope(const CurrentConnectionScope&) = delete;
    CurrentConnectionScope& operator=(const CurrentConnectionScope&) = delete;

private:
    std::optional<ConnectionId> saved_;
};

pid_t peerProcess(int fd) {
    ucred credentials{};
    socklen_t length = sizeof(credentials);
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) return 0;
    return credentials.pid;
}

}  // namespace

std::shared_ptr<Connection> Connection::adopt(Socket socket, PeerValidator validator,
                                              std::shared_ptr<IoThread> checker, std::function<void()> released) {
    return std::shared_ptr<Connection>(
        new Connection(std::move(socket), std::move(validator), std::move(checker), std::move(released)));
}

Connection::Connection(Socket socket, PeerValidator validator, std::shared_ptr<IoThread> checker,
                       std::function<void()> released)
    : id_{nextConnectionId.fetch_add(1)},
      channel_(std::make_shared<Channel>(std::move(socket), Channel::Backpressure::holdRequests)),
      validator_(std::move(validator)),
      checker_(std::move(checker)),
      pid_(peerProcess(channel_->nativeHandle())),
      released_(std::move(released)) {}

Connection::~Connection() {
    // One that was never resumed, or never ended, goes here.
    if (auto released = std::exchange(released_, nullptr)) released();
}

std::optional<ConnectionId> Connection::current() {
    return currentConnection;
}

void Connection::setCodeSigningRequirement(std::string requirementText) {
    if (!resumed_) requirement_ = std::move(requirementText);
}

void Connection::setExportedInterface(Interface interface) {
    if (!resumed_) interface_ = std::move(interface);
}

void Connection::setExportedObject(ExportedObject object) {
    if (!resumed_) object_ = std::move(object);
}

void Connection::setInvalidationHandler(std::function<void()> handler) {
    if (!resumed_) onInvalidation_ = std::move(handler);
}

void Connection::setInterruptionHandler(std::function<void()> handler) {
    if (!resumed_) onInterruption_ = std::move(handler);
}

void Connection::resume() {
    if (resumed_.exchange(true)) return;
    asio::dispatch(channel_->executor(), [self = shared_from_this()] { self->begin(); });
}

void Connection::invalidate() {
    asio::dispatch(channel_->executor(), [self = shared_from_this()] { self->end(); });
}

void Connection::begin() {
    if (ended_) return;
    if (requirement_.empty()) {
        checked(std::nullopt);
        return;
    }
    if (!checker_) {
        checked(check(channel_->nativeHandle()));
        return;
    }
    // The check gets a descriptor of its own: were this connection closed
    // meanwhile, its number could already name someone else's socket.
    const int fd = ::fcntl(channel_->nativeHandle(), F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        end();
        return;
    }
    asio::post(checker_->executor(), [self = shared_from_this(), fd] {
        // Checks wait their turn; one whose peer has hung up meanwhile (a
        // crowd that connects and leaves) costs nothing.
        pollfd gone{fd, 0, 0};
        std::optional<std::string> refusal = ::poll(&gone, 1, 0) == 1 && (gone.revents & POLLHUP) != 0
                                                 ? std::optional<std::string>("the peer has hung up")
                                                 : self->check(fd);
        ::close(fd);
        asio::post(self->channel_->executor(), [self, refusal = std::move(refusal)] { self->checked(refusal); });
    });
}

// Any thread: the requirement and the validator are fixed once resumed.
std::optional<std::string> Connection::check(int socketFd) const {
    if (!validator_) return "no peer validator";
    try {
        return validator_(socketFd, requirement_);
    } catch (const std::exception& e) {
        return std::string(e.what());
    }
}

void Connection::checked(const std::optional<std::string>& refusal) {
    if (ended_) return;
    if (refusal) {
        end();
        return;
    }
    std::weak_ptr<Connection> weak = weak_from_this();
    channel_->start(
        [weak](Json message) {
            if (auto self = weak.lock()) self->handle(std::move(message));
        },
        [weak](Channel::Loss) {
            if (auto self = weak.lock()) self->end();
        },
        shared_from_this());
}

void Connection::handle(Json message) {
    if (ended_) return;
    wire::DecodedRequest decoded = wire::decodeRequest(message);
    if (!decoded.id) {
        end();  // nothing to answer to
        return;
    }
    const std::uint64_t id = *decoded.id;
    if (!decoded.request) {
        send(id, wire::makeError(id, replyInvalidError(decoded.problem)));
        return;
    }
    wire::Request& request = *decoded.request;
    const Signature* signature = interface_.find(request.selector);
    if (!signature) {
        send(id, wire::makeError(id, replyInvalidError("unknown selector \"" + request.selector + "\"")));
        return;
    }
    if (!matches(signature->arguments, request.arguments)) {
        send(id, wire::makeError(id, replyInvalidError("arguments " + describeValues(request.arguments) +
                                                       " do not match " + request.selector +
                                                       describeTypes(signature->arguments))));
        return;
    }
    auto entry = object_.find(request.selector);
    if (entry == object_.end() || !entry->second) {
        send(id, wire::makeError(id, replyInvalidError("no handler for \"" + request.selector + "\"")));
        return;
    }
    if (outstanding_ >= wire::kMaxOutstanding) {
        end();
        return;
    }
    ++outstanding_;
    // A copy: the handler may invalidate the connection, which lets go of the object.
    Handler handler = entry->second;
    CurrentConnectionScope scope(id_);
    try {
        handler(std::move(request.arguments), Reply(weak_from_this(), id, signature));
    } catch (...) {
        // The reply, unless it was sent, answered with an error as it was destroyed.
    }
}

void Connection::end() {
    if (ended_) return;
    ended_ = true;
    channel_->close();
    if (auto released = std::exchange(released_, nullptr)) released();
    object_.clear();
    onInterruption_ = nullptr;
    std::function<void()> handler = std::move(onInvalidation_);
    onInvalidation_ = nullptr;
    if (!handler) return;
    try {
        handler();
    } catch (...) {
        // Nobody above us to tell.
    }
}

void Connection::answer(std::uint64_t id, const Signature* signature, std::optional<Values> reply) {
    asio::post(channel_->executor(), [self = shared_from_this(), id, signature, reply = std::move(reply)] {
        if (self->ended_) return;  // the client is gone; nobody to answer
        --self->outstanding_;
        if (!reply) {
            self->send(id, wire::makeError(id, replyInvalidError("the service dropped the reply")));
        } else if (!matches(signature->reply, *reply)) {
            self->send(id, wire::makeError(id, replyInvalidError("reply " + describeValues(*reply) +
                                                                 " does not match " + describeTypes(signature->reply))));
        } else {
            self->send(id, wire::makeReply(id, *reply));
        }
    });
}

void Connection::send(std::uint64_t id, const Json& message) {
    auto frame = wire::encodeFrame(message);
    if (!frame) frame = wire::encodeFrame(wire::makeError(id, replyInvalidError("the reply is over the frame limit")));
    // A failed write loses the channel, which ends this connection.
    if (frame) channel_->write(*frame);
}

}  // namespace zephrane::xpc
