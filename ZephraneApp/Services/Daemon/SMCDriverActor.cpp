#include "ZephraneApp/Services/Daemon/SMCDriverActor.hpp"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include <QMetaObject>
#include <QObject>

#include "platform/oslog/OSLog.hpp"
#include "platform/servicemanagement/SystemServiceManager.hpp"
#include "shared/FanKey.hpp"
#include "shared/HelperConstants.hpp"
#include "shared/WritePolicy.hpp"
#include "shared/ZephraneXPCProtocol.hpp"
#include "smc/SMCError.hpp"
#include "smc/SMCFanReader.hpp"
#include "smc/SMCKernelBridge.hpp"

namespace zephrane {
namespace {

namespace protocol = ZephraneXPCProtocol;
using std::chrono::duration_cast;
using std::chrono::nanoseconds;

const oslog::Logger& driverLog() { return oslog::logger("com.zephrane.app", "driver"); }
const oslog::Logger& smcLog() { return oslog::logger("com.zephrane.app", "smc"); }

nanoseconds toNanoseconds(HelperConstants::Seconds seconds) { return duration_cast<nanoseconds>(seconds); }

// The connection the exit restore sends on. Process-wide and never
// destroyed: the restore runs from atexit, after which static destructors
// would otherwise race it.
struct ExitRestoreSlot {
    std::mutex mutex;
    std::shared_ptr<DaemonConnection> connection;
};
ExitRestoreSlot& exitRestoreSlot() {
    static auto* slot = new ExitRestoreSlot;
    return *slot;
}
void setExitRestoreConnection(std::shared_ptr<DaemonConnection> connection) {
    auto& slot = exitRestoreSlot();
    std::lock_guard lock(slot.mutex);
    slot.connection = std::move(connection);
}

CallError driverCheckError(std::int64_t code, std::string description) {
    return CallError(xpc::Error{std::string(SMCDriverActor::driverErrorDomain), code, std::move(description)});
}

std::string describeLocalized(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown error";
    }
}

std::string describeFully(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const CallError& e) {
        return e.text();
    } catch (const SMCDriverActor::DriverError& e) {
        return std::string(e.caseName());
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown error";
    }
}

std::string describeFully(const servicemanagement::Error& error) { return error.text(); }

}  // namespace

CallError::CallError(xpc::Error error) : error_(std::move(error)) {}

std::string CallError::text() const {
    return "Error Domain=" + error_.domain + " Code=" + std::to_string(error_.code) + " \"" + error_.description +
           "\" UserInfo={NSLocalizedDescription=" + error_.description + "}";
}

const char* SMCDriverActor::DriverError::what() const noexcept {
    return kind_ == Kind::noProxy
               ? "The operation couldn\u2019t be completed. (SMCDriverActor.DriverError error 0.)"
               : "The operation couldn\u2019t be completed. (SMCDriverActor.DriverError error 1.)";
}

// Hands work to the actor thread from other threads (connection handlers)
// for as long as the actor exists. Once the actor has begun to stop,
// nothing more is handed over.
class ActorMailbox {
public:
    explicit ActorMailbox(QObject* context) : context_(context) {}
    template <typename F>
    void post(F fn) {
        std::lock_guard lock(mutex_);
        if (context_) QMetaObject::invokeMethod(context_, std::move(fn), Qt::QueuedConnection);
    }
    void close() {
        std::lock_guard lock(mutex_);
        context_ = nullptr;
    }

private:
    std::mutex mutex_;
    QObject* context_;
};

class SMCDriverActor::Core : public std::enable_shared_from_this<Core> {
public:
    Core(Dependencies deps, std::shared_ptr<SMCKernelBridge> bridge, std::shared_ptr<ActorMailbox> mailbox)
        : deps_(std::move(deps)), activeBridge_(std::move(bridge)), mailbox_(std::move(mailbox)) {}

    // Runs on the actor thread before anything else.
    void startOnActorThread(QObject* context) { timers_ = deps_.timers(context); }

    // Every waiting coroutine of the actor is counted and can be ended: when
    // the actor stops, each is woken with ActorStopped, so none is left
    // suspended on a thread that no longer runs.
    class Waiting {
    public:
        Waiting(Core& core, std::function<void()> abort) : core_(core), id_(core.nextWaitingId_++) {
            core_.waiting_.emplace(id_, std::move(abort));
        }
        ~Waiting() { core_.waiting_.erase(id_); }
        Waiting(const Waiting&) = delete;
        Waiting& operator=(const Waiting&) = delete;

    private:
        Core& core_;
        std::uint64_t id_;
    };
    class Running {
    public:
        explicit Running(std::shared_ptr<std::atomic<int>> count) : count_(std::move(count)) { ++*count_; }
        ~Running() { --*count_; }
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;

    private:
        std::shared_ptr<std::atomic<int>> count_;
    };
    // Read from any thread.
    bool idle() const { return running_->load() == 0; }

    template <typename T>
    static std::function<void()> aborter(const std::shared_ptr<ContinuationGuard<T>>& guard) {
        return [guard] {
            if (!guard->claim()) guard->resumeThrowing(std::make_exception_ptr(ActorStopped{}));
        };
    }

    // The heartbeat loop's handle: cancelling it wakes its pause so the loop
    // ends now rather than 2.5 s later.
    struct HeartbeatTask {
        bool cancelled = false;
        std::function<void()> wake;
        void cancel() {
            cancelled = true;
            if (auto w = std::move(wake)) w();
        }
    };

    // --- link ---------------------------------------------------------

    std::shared_ptr<DaemonConnection> makeConnection() {
        if (connection_) return connection_;
        std::shared_ptr<DaemonConnection> connection = deps_.connectionFactory();
        std::weak_ptr<Core> weak = weak_from_this();
        // The handlers name their connection by a serial number, not by a
        // reference: a connection holding its own handlers would never be
        // freed, and an address may be reused by a later connection.
        const std::uint64_t serial = ++connectionSerial_;
        auto lost = [weak, mailbox = mailbox_, serial](const char* message) {
            driverLog().info(message);
            mailbox->post([weak, serial] {
                if (auto self = weak.lock()) self->connectionLost(serial);
            });
        };
        connection->setInvalidationHandler([lost] { lost("helper XPC connection invalidated"); });
        connection->setInterruptionHandler([lost] { lost("helper XPC connection interrupted"); });
        connection->resume();
        connection_ = connection;
        connectionId_ = serial;
        setExitRestoreConnection(connection);
        return connection;
    }

    void connectionLost(std::uint64_t lostConnection) {
        if (!connection_ || connectionId_ != lostConnection) return;
        const bool wasUp = heartbeatTask_ ? true : lastKnownUptime_.has_value();
        if (heartbeatTask_) heartbeatTask_->cancel();
        heartbeatTask_.reset();
        connection_.reset();
        lastKnownUptime_.reset();
        setExitRestoreConnection(nullptr);
        if (wasUp && connectionLossHandler_) connectionLossHandler_();
    }

    void tearDownConnection() {
        if (heartbeatTask_) heartbeatTask_->cancel();
        heartbeatTask_.reset();
        if (connection_) connection_->invalidate();
        connection_.reset();
        lastKnownUptime_.reset();
        setExitRestoreConnection(nullptr);
    }

    // One message with a time-out; `decode` turns the reply into the result
    // (or throws), and runs only for the party that won the race.
    template <typename T>
    QCoro::Task<T> withHelperProxy(nanoseconds timeout, std::string_view selector, xpc::Values arguments,
                                   std::function<T(const xpc::Values&)> decode) {
        Running running(running_);
        std::shared_ptr<DaemonConnection> connection = makeConnection();
        auto guard = std::make_shared<ContinuationGuard<T>>();
        QFuture<T> future = guard->future();
        Waiting waiting(*this, aborter(guard));
        std::shared_ptr<CancellableTimer> timer = timers_->start(timeout, [guard] {
            if (!guard->claim())
                guard->resumeThrowing(std::make_exception_ptr(DriverError(DriverError::Kind::timedOut)));
        });
        guard->installTimeout(std::move(timer));

        const bool sent = connection->send(
            selector, std::move(arguments),
            [guard, decode = std::move(decode)](xpc::Values reply) {
                if (guard->claim()) return;
                try {
                    if constexpr (std::is_void_v<T>) {
                        decode(reply);
                        guard->resume();
                    } else {
                        guard->resume(decode(reply));
                    }
                } catch (...) {
                    guard->resumeThrowing(std::current_exception());
                }
            },
            [guard](const xpc::Error& error) {
                if (!guard->claim()) guard->resumeThrowing(std::make_exception_ptr(CallError(error)));
            });
        if (!sent && !guard->claim())
            guard->resumeThrowing(std::make_exception_ptr(DriverError(DriverError::Kind::noProxy)));

        try {
            if constexpr (std::is_void_v<T>) {
                co_await future;
                co_return;
            } else {
                T value = co_await future;
                co_return value;
            }
        } catch (const DriverError& error) {
            if (error.kind() != DriverError::Kind::timedOut) throw;
        }
        // Timed out. Only a call on the current connection may tear it down:
        // a late time-out from an older one must not end a newer link.
        if (connection_ && connection_ == connection) {
            tearDownConnection();
            if (connectionLossHandler_) connectionLossHandler_();
        }
        throw DriverError(DriverError::Kind::timedOut);
    }

    static xpc::Error malformedReply() { return xpc::replyInvalidError("the daemon's reply lacks its values"); }

    QCoro::Task<double> heartbeatCall() {
        return withHelperProxy<double>(toNanoseconds(HelperConstants::heartbeatCallTimeout),
                                       protocol::heartbeat.selector, {}, [](const xpc::Values& reply) {
                                           if (reply.empty() || !reply[0].float64()) throw CallError(malformedReply());
                                           return *reply[0].float64();
                                       });
    }

    QCoro::Task<void> restoreCall() {
        return withHelperProxy<void>(toNanoseconds(HelperConstants::xpcCallTimeout),
                                     protocol::restoreAutomaticControl.selector, {}, [](const xpc::Values& reply) {
                                         if (!reply.empty() && reply[0].error()) throw CallError(*reply[0].error());
                                     });
    }

    QCoro::Task<std::string> versionCall() {
        return withHelperProxy<std::string>(toNanoseconds(HelperConstants::xpcCallTimeout),
                                            protocol::helperVersion.selector, {}, [](const xpc::Values& reply) {
                                                if (reply.empty() || !reply[0].string())
                                                    throw CallError(malformedReply());
                                                return *reply[0].string();
                                            });
    }

    QCoro::Task<HelperState> handshake() {
        std::exception_ptr failure;
        try {
            const double uptime = co_await heartbeatCall();
            lastKnownUptime_ = uptime;
            startHeartbeat();
            driverLog().info("helper handshake OK (XPC)");
            co_return HelperState::connected();
        } catch (...) {
            failure = std::current_exception();
        }
        driverLog().error("helper handshake failed: " + describeFully(failure));
        co_return HelperState::unavailable("helper handshake failed: " + describeLocalized(failure));
    }

    void startHeartbeat() {
        if (heartbeatTask_) return;
        heartbeatTask_ = std::make_shared<HeartbeatTask>();
        heartbeatLoop(weak_from_this(), heartbeatTask_, timers_.get(), running_);
    }

    // Holds the actor only weakly between beats.
    static QCoro::Task<void> heartbeatLoop(std::weak_ptr<Core> weak, std::shared_ptr<HeartbeatTask> task,
                                           TimerSource* timers, std::shared_ptr<std::atomic<int>> running) {
        Running counted(std::move(running));
        for (;;) {
            if (task->cancelled) co_return;
            co_await pause(toNanoseconds(HelperConstants::heartbeatInterval), *timers, task.get());
            if (task->cancelled) co_return;
            std::shared_ptr<Core> self = weak.lock();
            if (!self) co_return;
            std::exception_ptr failure;
            try {
                const double uptime = co_await self->heartbeatCall();
                const std::optional<double> previous = self->lastKnownUptime_;
                self->lastKnownUptime_ = uptime;
                if (previous && uptime < *previous)
                    driverLog().info("helper daemon restarted (uptime reset) \u2014 manual state must be re-engaged");
            } catch (...) {
                failure = std::current_exception();
            }
            if (failure) driverLog().error("heartbeat failed: " + describeFully(failure));
        }
    }

    // A pause on the continuous clock; a cancelled task, or the actor
    // stopping (when `core` is given), wakes it early.
    static QCoro::Task<void> pause(nanoseconds delay, TimerSource& timers, HeartbeatTask* task, Core* core = nullptr) {
        auto guard = std::make_shared<ContinuationGuard<void>>();
        QFuture<void> future = guard->future();
        auto wake = [guard] {
            if (!guard->claim()) guard->resume();
        };
        if (task) task->wake = wake;
        std::optional<Waiting> waiting;
        if (core) waiting.emplace(*core, wake);
        guard->installTimeout(timers.start(delay, wake));
        co_await future;
    }

    QCoro::Task<double> setTargetRPM(int fanIndex, double requestedRPM) {
        const std::string outOfRange = "fan index " + std::to_string(fanIndex) + " out of range";
        if (fanIndex < 0) throw driverCheckError(protocol::fanIndexOutOfRange, outOfRange);
        int count = 0;
        if (cachedFanCount_) {
            count = *cachedFanCount_;
        } else {
            if (!fanReader_) throw driverCheckError(protocol::fanIndexOutOfRange, outOfRange);
            count = fanReader_->fanCount();
            if (count >= 1) cachedFanCount_ = count;
        }
        if (fanIndex >= count) throw driverCheckError(protocol::fanIndexOutOfRange, outOfRange);

        bool haveBounds = false;
        std::pair<double, double> bounds{0, 0};
        try {
            bounds = fanBounds(fanIndex);
            haveBounds = true;
        } catch (...) {
            // Unreadable bounds: the daemon checks the request again.
        }
        if (haveBounds) {
            const WritePolicy::Verdict verdict = WritePolicy::vet(requestedRPM, bounds.first, bounds.second);
            if (const auto* rejected = verdict.rejected())
                throw driverCheckError(protocol::rejectedByWritePolicy, "rejected: " + rejected->reason);
        }

        xpc::Values arguments;
        arguments.emplace_back(std::int64_t{fanIndex});
        arguments.emplace_back(requestedRPM);
        QCoro::Task<double> call = withHelperProxy<double>(
            toNanoseconds(HelperConstants::engageCallTimeout), protocol::setTargetRPM.selector, std::move(arguments),
            [](const xpc::Values& reply) {
                if (reply.size() > 1 && reply[1].error()) throw CallError(*reply[1].error());
                if (reply.empty() || !reply[0].float64()) throw CallError(malformedReply());
                return *reply[0].float64();
            });
        const double written = co_await std::move(call);
        co_return written;
    }

    std::pair<double, double> fanBounds(int fanIndex) {
        if (auto cached = boundsCache_.find(fanIndex); cached != boundsCache_.end()) return cached->second;
        if (!activeBridge_) throw SMCError::serviceNotFound();
        const double min = activeBridge_->read(FanKey::minimum(fanIndex));
        const double max = activeBridge_->read(FanKey::maximum(fanIndex));
        if (max > 0 && min < max) boundsCache_[fanIndex] = {min, max};
        return {min, max};
    }

    // --- registration -------------------------------------------------

    servicemanagement::Status readStatus() {
        if (!deps_.serviceManager) return servicemanagement::Status::notFound;
        return deps_.serviceManager->daemonService(std::string(HelperConstants::daemonPlistName))->status();
    }

    std::optional<servicemanagement::Error> registerDaemon() {
        if (!deps_.serviceManager)
            return servicemanagement::Error{"SMAppServiceErrorDomain", 3, "The service manager is not available."};
        return deps_.serviceManager->daemonService(std::string(HelperConstants::daemonPlistName))->registerService();
    }

    QCoro::Task<std::optional<servicemanagement::Error>> unregisterDaemon() {
        if (!deps_.serviceManager)
            co_return servicemanagement::Error{"SMAppServiceErrorDomain", 3, "The service manager is not available."};
        auto promise = std::make_shared<QPromise<std::optional<servicemanagement::Error>>>();
        QFuture<std::optional<servicemanagement::Error>> future = promise->future();
        promise->start();
        auto service = deps_.serviceManager->daemonService(std::string(HelperConstants::daemonPlistName));
        auto once = std::make_shared<std::once_flag>();
        service->unregisterService([promise, once](std::optional<servicemanagement::Error> error) {
            std::call_once(*once, [&] {
                promise->addResult(std::move(error));
                promise->finish();
            });
        });
        std::optional<servicemanagement::Error> result = co_await future;
        co_return result;
    }

    QCoro::Task<HelperState> currentHelperState() {
        HelperState state = co_await handshake();
        if (state.kind() == HelperState::Kind::connected) co_return state;
        switch (readStatus()) {
            case servicemanagement::Status::requiresApproval: co_return HelperState::requiresApproval();
            case servicemanagement::Status::enabled: co_return state;
            default: co_return HelperState::notRegistered();
        }
    }

    // After a failed register: what the status then says.
    QCoro::Task<HelperState> afterRegisterFailure(std::string prefix, const servicemanagement::Error& error) {
        switch (readStatus()) {
            case servicemanagement::Status::enabled: {
                HelperState state = co_await currentHelperState();
                co_return state;
            }
            case servicemanagement::Status::requiresApproval: co_return HelperState::requiresApproval();
            default: co_return HelperState::unavailable(prefix + error.description);
        }
    }

    QCoro::Task<HelperState> installHelper() {
        const servicemanagement::Status status = readStatus();
        if (status == servicemanagement::Status::enabled) {
            HelperState state = co_await currentHelperState();
            if (state.kind() == HelperState::Kind::connected) co_return state;
            driverLog().info("helper registered but unreachable \u2014 rebuilding a stale SMAppService registration");
            tearDownConnection();
            (void)co_await unregisterDaemon();
            co_await pause(deps_.repairPause, *timers_, nullptr, this);
            if (auto error = registerDaemon()) {
                driverLog().error("SMAppService re-register failed: " + describeFully(*error));
                HelperState after = co_await afterRegisterFailure("repair failed: ", *error);
                co_return after;
            }
            HelperState repaired = co_await currentHelperState();
            co_return repaired;
        }
        if (status == servicemanagement::Status::notRegistered || status == servicemanagement::Status::notFound) {
            tearDownConnection();
            if (auto error = registerDaemon()) {
                driverLog().error("SMAppService register failed: " + describeFully(*error));
                HelperState after = co_await afterRegisterFailure("register failed: ", *error);
                co_return after;
            }
        }
        HelperState state = co_await currentHelperState();
        co_return state;
    }

    QCoro::Task<void> restoreIgnoringErrors() {
        try {
            co_await restoreCall();
        } catch (...) {
        }
    }

    QCoro::Task<HelperState> uninstallHelper() {
        co_await restoreIgnoringErrors();
        tearDownConnection();
        if (auto error = co_await unregisterDaemon())
            driverLog().error("SMAppService unregister failed: " + describeFully(*error));
        HelperState state = co_await currentHelperState();
        co_return state;
    }

    QCoro::Task<HelperState> reloadHelper() {
        co_await restoreIgnoringErrors();
        tearDownConnection();
        (void)co_await unregisterDaemon();
        HelperState state = co_await installHelper();
        co_return state;
    }

    // --- read connection ----------------------------------------------

    std::shared_ptr<SMCKernelBridge> reopenReadBridgeIfNeeded() {
        if (activeBridge_) return activeBridge_;
        std::shared_ptr<SMCKernelBridge> bridge = deps_.bridgeFactory();
        if (!bridge) {
            smcLog().info("SMC bridge reopen attempt failed \u2014 still unavailable, will retry");
            return nullptr;
        }
        activeBridge_ = bridge;
        fanReader_ = std::make_unique<SMCFanReader>(bridge);
        boundsCache_.clear();
        cachedFanCount_.reset();
        smcLog().info("SMC read connection reopened \u2014 a competing fan-control app likely released AppleSMC");
        return bridge;
    }

    QCoro::Task<HelperState> connect() {
        if (!didInstallExitSafety_) {
            deps_.registerAtExit(&SMCDriverActor::exitRestore);
            didInstallExitSafety_ = true;
        }
        if (!activeBridge_) co_return HelperState::unavailable("cannot open AppleSMC");
        if (!fanReader_) fanReader_ = std::make_unique<SMCFanReader>(activeBridge_);
        HelperState state = co_await currentHelperState();
        co_return state;
    }

    void setConnectionLossHandler(std::function<void()> handler) { connectionLossHandler_ = std::move(handler); }

    // Ends every wait of the actor so its coroutines finish; ~SMCDriverActor
    // then waits for idle() before it stops the thread.
    void shutDown() {
        if (heartbeatTask_) heartbeatTask_->cancel();
        heartbeatTask_.reset();
        std::vector<std::function<void()>> aborts;
        for (auto& [id, abort] : waiting_) aborts.push_back(abort);
        for (auto& abort : aborts) abort();
    }

    Snapshot snapshot() const {
        Snapshot s;
        s.hasConnection = connection_ != nullptr;
        s.heartbeatRunning = heartbeatTask_ != nullptr;
        s.lastKnownUptime = lastKnownUptime_;
        s.cachedFanCount = cachedFanCount_;
        s.boundsCache = boundsCache_;
        s.hasActiveBridge = activeBridge_ != nullptr;
        s.hasFanReader = fanReader_ != nullptr;
        s.didInstallExitSafety = didInstallExitSafety_;
        return s;
    }

private:
    Dependencies deps_;
    std::shared_ptr<SMCKernelBridge> activeBridge_;
    std::unique_ptr<SMCFanReader> fanReader_;
    std::map<int, std::pair<double, double>> boundsCache_;
    std::optional<int> cachedFanCount_;
    bool didInstallExitSafety_ = false;
    std::shared_ptr<DaemonConnection> connection_;
    std::uint64_t connectionId_ = 0;  // serial of connection_
    std::uint64_t connectionSerial_ = 0;
    std::shared_ptr<HeartbeatTask> heartbeatTask_;
    std::optional<double> lastKnownUptime_;
    std::function<void()> connectionLossHandler_;
    std::shared_ptr<ActorMailbox> mailbox_;
    std::unique_ptr<TimerSource> timers_;
    std::map<std::uint64_t, std::function<void()>> waiting_;
    std::uint64_t nextWaitingId_ = 0;
    std::shared_ptr<std::atomic<int>> running_ = std::make_shared<std::atomic<int>>(0);
};

namespace {

SMCDriverActor::Dependencies withDefaults(SMCDriverActor::Dependencies deps) {
    if (!deps.bridgeFactory) deps.bridgeFactory = &SMCDriverActor::openReadBridge;
    if (!deps.connectionFactory) deps.connectionFactory = xpcDaemonConnectionFactory();
    if (!deps.serviceManager) deps.serviceManager = std::make_shared<servicemanagement::SystemServiceManager>();
    if (!deps.timers) deps.timers = [](QObject* context) { return makeContinuousTimerSource(context); };
    if (!deps.registerAtExit) deps.registerAtExit = [](void (*fn)()) { std::atexit(fn); };
    return deps;
}

}  // namespace

std::shared_ptr<SMCKernelBridge> SMCDriverActor::openReadBridge() {
    try {
        return SMCKernelBridge::open();
    } catch (const std::exception& e) {
        smcLog().error(std::string("SMC bridge open attempt failed: ") + e.what());
        return nullptr;
    }
}

SMCDriverActor::SMCDriverActor() : SMCDriverActor(Dependencies{}) {}

SMCDriverActor::SMCDriverActor(Dependencies dependencies) : actor_(QStringLiteral("com.zephrane.app.driver")) {
    Dependencies deps = withDefaults(std::move(dependencies));
    sharedBridge_ = deps.bridgeFactory();
    if (sharedBridge_) {
        smcLog().info("SMC read connection opened at launch (direct, in-process, unprivileged)");
    } else {
        smcLog().error(
            "SMC unavailable at launch \u2014 initial AppleSMC open failed (see the prior log line, if any, for the "
            "IOKit reason); the tick-driven reopen will retry on a debounce while unavailable");
    }
    auto mailbox = std::make_shared<ActorMailbox>(actor_.context());
    core_ = std::make_shared<Core>(std::move(deps), sharedBridge_, mailbox);
    Core* core = core_.get();
    QObject* context = actor_.context();
    actor_.post([core, context] { core->startOnActorThread(context); });
    mailbox_ = std::move(mailbox);
}

SMCDriverActor::~SMCDriverActor() {
    mailbox_->close();
    Core* core = core_.get();
    actor_.post([core] { core->shutDown(); });
    // Woken coroutines resume through the actor's event loop: let them run
    // to their end before the loop stops, or their frames would be lost.
    const auto giveUpAt = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!core->idle() && std::chrono::steady_clock::now() < giveUpAt)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    actor_.stop();
}

QCoro::Task<double> SMCDriverActor::setTargetRPM(int fanIndex, double requestedRPM) {
    Core* core = core_.get();
    const double written = co_await actor_.call([core, fanIndex, requestedRPM] {
        return core->setTargetRPM(fanIndex, requestedRPM);
    });
    co_return written;
}

QCoro::Task<void> SMCDriverActor::restoreAutomaticControl() {
    Core* core = core_.get();
    co_await actor_.call([core] { return core->restoreCall(); });
}

QCoro::Task<std::string> SMCDriverActor::helperVersion() {
    Core* core = core_.get();
    std::string version = co_await actor_.call([core] { return core->versionCall(); });
    co_return version;
}

QCoro::Task<void> SMCDriverActor::tearDownConnection() {
    Core* core = core_.get();
    co_await actor_.call([core] { core->tearDownConnection(); });
}

QCoro::Task<SMCDriverActor::HelperState> SMCDriverActor::handshake() {
    Core* core = core_.get();
    HelperState state = co_await actor_.call([core] { return core->handshake(); });
    co_return state;
}

QCoro::Task<void> SMCDriverActor::setConnectionLossHandler(std::function<void()> handler) {
    Core* core = core_.get();
    co_await actor_.call([core, handler = std::move(handler)]() mutable {
        core->setConnectionLossHandler(std::move(handler));
    });
}

QCoro::Task<SMCDriverActor::HelperState> SMCDriverActor::currentHelperState() {
    Core* core = core_.get();
    HelperState state = co_await actor_.call([core] { return core->currentHelperState(); });
    co_return state;
}

QCoro::Task<SMCDriverActor::HelperState> SMCDriverActor::installHelper() {
    Core* core = core_.get();
    HelperState state = co_await actor_.call([core] { return core->installHelper(); });
    co_return state;
}

QCoro::Task<SMCDriverActor::HelperState> SMCDriverActor::uninstallHelper() {
    Core* core = core_.get();
    HelperState state = co_await actor_.call([core] { return core->uninstallHelper(); });
    co_return state;
}

QCoro::Task<SMCDriverActor::HelperState> SMCDriverActor::reloadHelper() {
    Core* core = core_.get();
    HelperState state = co_await actor_.call([core] { return core->reloadHelper(); });
    co_return state;
}

QCoro::Task<std::shared_ptr<SMCKernelBridge>> SMCDriverActor::reopenReadBridgeIfNeeded() {
    Core* core = core_.get();
    std::shared_ptr<SMCKernelBridge> bridge = co_await actor_.call([core] { return core->reopenReadBridgeIfNeeded(); });
    co_return bridge;
}

QCoro::Task<SMCDriverActor::HelperState> SMCDriverActor::connect() {
    Core* core = core_.get();
    HelperState state = co_await actor_.call([core] { return core->connect(); });
    co_return state;
}

QCoro::Task<SMCDriverActor::Snapshot> SMCDriverActor::snapshot() {
    Core* core = core_.get();
    Snapshot s = co_await actor_.call([core] { return core->snapshot(); });
    co_return s;
}

void SMCDriverActor::exitRestore() {
    std::shared_ptr<DaemonConnection> connection;
    {
        auto& slot = exitRestoreSlot();
        std::lock_guard lock(slot.mutex);
        connection = slot.connection;
    }
    if (connection) connection->sendWhileExiting(protocol::restoreAutomaticControl.selector);
}

}  // namespace zephrane
