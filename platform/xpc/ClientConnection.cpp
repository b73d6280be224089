#include "platform/xpc/ClientConnection.hpp"

#include <chrono>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

#include "platform/xpc/Channel.hpp"
#include "platform/xpc/IoThread.hpp"
#include "platform/xpc/ServiceAddress.hpp"
#include "platform/xpc/WireFormat.hpp"
#include "shared/JsonCoding.hpp"

namespace zephrane::xpc {

namespace {

template <class Function, class... Args>
void callQuietly(const Function& function, Args&&... args) {
    if (!function) return;
    try {
        function(std::forward<Args>(args)...);
    } catch (...) {
        // A handler's failure is its own; the connection carries on.
    }
}

// A non-blocking connect: a Unix socket either connects at once or refuses.
int connectTo(const std::string& path, std::string& problem) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        problem = "socket: " + std::generic_category().message(errno);
        return -1;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());  // length checked by socketPathForService
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        problem = "cannot connect to \"" + path + "\": " + std::generic_category().message(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::shared_ptr<ClientConnection> ClientConnection::create(std::string machServiceName, ConnectionOptions options,
                                                           ClientSettings settings) {
    std::string path = socketPathForService(machServiceName, settings.directory);
    std::unique_ptr<IoThread> ownThread;
    asio::any_io_executor executor;
    if (settings.executor) {
        executor = *settings.executor;
    } else {
        ownThread = std::make_unique<IoThread>();
        executor = ownThread->executor();
    }
    return std::shared_ptr<ClientConnection>(new ClientConnection(std::move(machServiceName), std::move(path),
                                                                  options, std::move(settings.validator),
                                                                  settings.startingServiceGrace, std::move(ownThread),
                                                                  std::move(executor)));
}

ClientConnection::ClientConnection(std::string serviceName, std::string socketPath, ConnectionOptions options,
                                   PeerValidator validator, std::chrono::milliseconds startingServiceGrace,
                                   std::unique_ptr<IoThread> ownThread, asio::any_io_executor executor)
    : ownThread_(std::move(ownThread)),
      serviceName_(std::move(serviceName)),
      socketPath_(std::move(socketPath)),
      options_(options),
      validator_(std::move(validator)),
      startingServiceGrace_(startingServiceGrace),
      strand_(asio::make_strand(executor)) {}

ClientConnection::~ClientConnection() {
    std::lock_guard lock(mutex_);
    invalidateLocked("the connection was released");
}

void ClientConnection::setCodeSigningRequirement(std::string requirementText) {
    std::lock_guard lock(mutex_);
    requirement_ = std::move(requirementText);
}

void ClientConnection::setRemoteObjectInterface(Interface interface) {
    std::lock_guard lock(mutex_);
    remoteInterface_ = std::move(interface);
}

void ClientConnection::setInvalidationHandler(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    if (state_ != State::invalidated) onInvalidation_ = std::move(handler);
}

void ClientConnection::setInterruptionHandler(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    if (state_ != State::invalidated) onInterruption_ = std::move(handler);
}

void ClientConnection::resume() {
    std::lock_guard lock(mutex_);
    if (state_ != State::suspended) return;
    state_ = State::idle;
    if (unsent_.empty()) return;  // connecting waits for the first message
    if (!connectLocked()) return;
    for (const std::string& frame : std::exchange(unsent_, {})) channel_->write(frame);
}

void ClientConnection::invalidate() {
    std::lock_guard lock(mutex_);
    invalidateLocked("the connection was invalidated");
}

RemoteProxy ClientConnection::remoteObjectProxyWithErrorHandler(ErrorHandler onError) {
    return RemoteProxy(shared_from_this(), std::move(onError));
}

void RemoteProxy::send(std::string_view selector, Values arguments, ReplyHandler onReply) const {
    connection_->send(selector, std::move(arguments), std::move(onReply), onError_);
}

std::optional<Error> ClientConnection::prepareLocked(std::string_view selector, const Values& arguments,
                                                     Pending& entry, std::string& frame) {
    if (state_ == State::invalidated) return invalidError(invalidationReason_);
    if (remoteInterface_) {
        const Signature* signature = remoteInterface_->find(selector);
        if (!signature) {
            return replyInvalidError("\"" + std::string(selector) + "\" is not in the remote interface");
        }
        if (!matches(signature->arguments, arguments)) {
            return replyInvalidError("arguments " + describeValues(arguments) + " do not match " +
                                     std::string(selector) + describeTypes(signature->arguments));
        }
        entry.replyTypes = signature->reply;
    }
    auto encoded = wire::encodeFrame(wire::makeRequest(nextId_, selector, arguments));
    if (!encoded) return replyInvalidError("the request is over the frame limit");
    frame = std::move(*encoded);
    return std::nullopt;
}

void ClientConnection::send(std::string_view selector, Values arguments, ReplyHandler onReply,
                            ErrorHandler onError) {
    std::lock_guard lock(mutex_);
    Pending entry{std::move(onReply), std::move(onError), std::nullopt, false};
    std::string frame;
    if (auto error = prepareLocked(selector, arguments, entry, frame)) {
        postError(std::move(entry.onError), std::move(*error));
        return;
    }
    pending_.emplace(nextId_++, std::move(entry));
    if (state_ == State::suspended) {
        unsent_.push_back(std::move(frame));
        return;
    }
    if (!channel_ && !connectLocked()) return;  // invalidated; the request failed with the rest
    // A failed write loses the channel, and the loss fails this request.
    channel_->write(frame);
}

std::optional<Error> ClientConnection::sendSynchronously(std::string_view selector, Values arguments,
                                                         std::chrono::milliseconds limit) {
    std::shared_ptr<Channel> channel;
    std::string frame;
    {
        std::lock_guard lock(mutex_);
        if (state_ == State::suspended) return invalidError("the connection was never resumed");
        Pending entry;
        entry.silent = true;
        if (auto error = prepareLocked(selector, arguments, entry, frame)) return error;
        if (!channel_ && !connectLocked()) return invalidError(invalidationReason_);
        pending_.emplace(nextId_++, std::move(entry));
        channel = channel_;
    }
    if (!channel->writeBlocking(frame, limit)) return interruptedError("the request could not be written");
    return std::nullopt;
}

bool ClientConnection::connectLocked() {
    std::string problem;
    int fd = -1;
    const auto giveUpAt = std::chrono::steady_clock::now() + startingServiceGrace_;
    for (;;) {
        fd = connectTo(socketPath_, problem);
        if (fd < 0 || requirement_.empty()) break;
        std::optional<std::string> refusal = "no peer validator";
        if (validator_) {
            try {
                refusal = validator_(fd, requirement_);
            } catch (const std::exception& e) {
                refusal = e.what();
            }
        }
        if (!refusal) break;
        problem = "the service fails the code-signing requirement: " + *refusal;
        ::close(fd);
        fd = -1;
        // A connection that woke an on-demand service names the service
        // manager that listened for it, not the service; once the service
        // has started and listens itself, a new connection names it.
        if (std::chrono::steady_clock::now() >= giveUpAt) break;
        std::this_thread::sleep_for(kStartingServiceRetryPause);
    }
    if (fd < 0) {
        invalidateLocked(problem);
        return false;
    }
    Channel::Socket socket(strand_);
    asio::error_code ec;
    socket.assign(asio::local::stream_protocol(), fd, ec);
    if (ec) {
        ::close(fd);
        invalidateLocked("cannot use the socket: " + ec.message());
        return false;
    }
    channel_ = std::make_shared<Channel>(std::move(socket), Channel::Backpressure::none);
    state_ = State::connected;
    std::weak_ptr<ClientConnection> weak = weak_from_this();
    Channel* raw = channel_.get();
    channel_->start(
        [weak, raw](Json message) {
            if (auto self = weak.lock()) self->received(raw, std::move(message));
        },
        [weak, raw](Channel::Loss) {
            if (auto self = weak.lock()) self->lost(raw);
        });
    return true;
}

void ClientConnection::invalidateLocked(std::string reason) {
    if (state_ == State::invalidated) return;
    state_ = State::invalidated;
    invalidationReason_ = std::move(reason);
    if (auto channel = std::exchange(channel_, nullptr)) channel->close();
    unsent_.clear();
    onInterruption_ = nullptr;
    asio::post(strand_, [pending = std::exchange(pending_, {}), onInvalidation = std::exchange(onInvalidation_, nullptr),
                         error = invalidError(invalidationReason_)] {
        for (const auto& [id, entry] : pending) {
            if (!entry.silent) callQuietly(entry.onError, error);
        }
        callQuietly(onInvalidation);
    });
}

void ClientConnection::received(Channel* channel, Json message) {
    std::optional<wire::Response> response = wire::decodeResponse(message);
    std::optional<Pending> entry;
    {
        std::lock_guard lock(mutex_);
        if (channel_.get() != channel) return;
        if (response) {
            if (auto it = pending_.find(response->id); it != pending_.end()) {
                entry = std::move(it->second);
                pending_.erase(it);
            }
        }
        if (!entry) {
            // A malformed answer, or one to a question never asked: a service
            // in that state cannot be trusted with the others either.
            channel_->close();
        }
    }
    if (!entry) {
        lost(channel);
        return;
    }
    if (entry->silent) return;
    if (auto* error = std::get_if<Error>(&response->outcome)) {
        callQuietly(entry->onError, *error);
        return;
    }
    Values& values = std::get<Values>(response->outcome);
    if (entry->replyTypes && !matches(*entry->replyTypes, values)) {
        callQuietly(entry->onError, replyInvalidError("reply " + describeValues(values) + " does not match " +
                                                      describeTypes(*entry->replyTypes)));
        return;
    }
    callQuietly(entry->onReply, std::move(values));
}

void ClientConnection::lost(Channel* channel) {
    std::map<std::uint64_t, Pending> pending;
    std::function<void()> onInterruption;
    {
        std::lock_guard lock(mutex_);
        if (!channel_ || channel_.get() != channel) return;  // already handled, or an older channel
        channel_.reset();
        state_ = State::idle;
        pending = std::exchange(pending_, {});
        onInterruption = onInterruption_;
    }
    const Error error = interruptedError("the service went away");
    for (const auto& [id, entry] : pending) {
        if (!entry.silent) callQuietly(entry.onError, error);
    }
    callQuietly(onInterruption);
}

void ClientConnection::postError(ErrorHandler onError, Error error) {
    asio::post(strand_, [onError = std::move(onError), error = std::move(error)] { callQuietly(onError, error); });
}

}  // namespace zephrane::xpc
