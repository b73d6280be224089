#include "platform/xpc/Connection.hpp"

#include <sys/socket.h>

#include "platform/xpc/Channel.hpp"
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

std::shared_ptr<Connection> Connection::adopt(Socket socket, PeerValidator validator) {
    return std::shared_ptr<Connection>(new Connection(std::move(socket), std::move(validator)));
}

Connection::Connection(Socket socket, PeerValidator validator)
    : id_{nextConnectionId.fetch_add(1)},
      channel_(std::make_shared<Channel>(std::move(socket), Channel::Backpressure::holdRequests)),
      validator_(std::move(validator)),
      pid_(peerProcess(channel_->nativeHandle())) {}

Connection::~Connection() = default;

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
    if (!requirement_.empty()) {
        std::optional<std::string> refusal = "no peer validator";
        if (validator_) {
            try {
                refusal = validator_(channel_->nativeHandle(), requirement_);
            } catch (const std::exception& e) {
                refusal = e.what();
            }
        }
        if (refusal) {
            end();
            return;
        }
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
