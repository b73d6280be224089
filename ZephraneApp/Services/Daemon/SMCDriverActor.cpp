#include "ZephraneApp/Services/Daemon/SMCDriverActor.hpp"

#include <cstdlib>
#include <mutex>

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

class SMCDriverActor::Core : public std::enable_shared_from_this<Core> {
public:
    Core(Dependencies deps, std::shared_ptr<SMCKernelBridge> bridge, ActorHandle actor)
        : deps_(std::move(deps)), activeBridge_(std::move(bridge)), actor_(std::move(actor)) {}

    // Runs on the actor thread before anything else.
    void startOnActorThread(QObject* context) { timers_ = deps_.timers(context); }

    template <typename T>
    static std::function<void()> aborter(const std::shared_ptr<ContinuationGuard<T>>& guard) {
        return [guard] {
            if (guard->tryClaim()) guard->resumeThrowing(std::make_exception_ptr(ActorStopped{}));
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
        auto lost = [weak, actor = actor_, serial](const char* message) {
            // A connection let go at exit, after the actor, is no news.
            if (actor.stopping()) return;
            driverLog().info(message);
            actor.post([weak, serial] {
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
        auto guard = std::make_shared<ContinuationGuard<T>>();
        QFuture<T> future = guard->future();
        // Before anything is sent: an actor that is stopping sends nothing.
        ActorHandle::Wait waiting(actor_, aborter(guard));
        std::shared_ptr<DaemonConnection> connection = makeConnection();
        std::shared_ptr<CancellableTimer> timer = timers_->start(timeout, [guard] {
            if (guard->tryClaim())
                guard->resumeThrowing(std::make_exception_ptr(DriverError(DriverError::Kind::timedOut)));
        });
        guard->installTimeout(std::move(timer));

        const bool sent = connection->send(
            selector, std::move(arguments),
            [guard, decode = std::move(decode)](xpc::Values reply) {
                if (!guard->tryClaim()) return;
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
                if (guard->tryClaim()) guard->resumeThrowing(std::make_exception_ptr(CallError(error)));
            });
        if (!sent && guard->tryClaim())
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
        heartbeatLoop(weak_from_this(), heartbeatTask_, timers_.get(), actor_);
    }

    // Holds the actor only weakly between beats. Stopping the actor wakes
    // its pause and ends it.
    static QCoro::Task<void> heartbeatLoop(std::weak_ptr<Core> weak, std::shared_ptr<HeartbeatTask> task,
                                           TimerSource* timers, ActorHandle actor) {
        ActorHandle::Busy counted(actor);
        for (;;) {
            try {
                co_await pause(toNanoseconds(HelperConstants::heartbeatInterval), *timers, actor, task.get());
            } catch (const ActorStopped&) {
                co_return;
            }
            if (task->cancelled || actor.stopping()) co_return;
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

    // A pause on the continuous clock; a cancelled task or the actor
    // stopping wakes it early. Throws ActorStopped when the actor is already
    // stopping.
    static QCoro::Task<void> pause(nanoseconds delay, TimerSource& timers, const ActorHandle& actor,
                                   HeartbeatTask* task = nullptr) {
        auto guard = std::make_shared<ContinuationGuard<void>>();
        QFuture<void> future = guard->future();
        auto wake = [guard] {
            if (guard->tryClaim()) guard->resume();
        };
        ActorHandle::Wait waiting(actor, wake);
        if (task) task->wake = wake;
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
        // The manager completes on a thread of its own, after the daemon has
        // gone (up to its stop grace); stopping the actor does not wait for it.
        using Result = std::optional<servicemanagement::Error>;
        auto guard = std::make_shared<ContinuationGuard<Result>>();
        QFuture<Result> future = guard->future();
        ActorHandle::Wait waiting(actor_, aborter(guard));
        auto service = deps_.serviceManager->daemonService(std::string(HelperConstants::daemonPlistName));
        service->unregisterService([guard](Result error) {
            if (guard->tryClaim()) guard->resume(std::move(error));
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
            co_await pause(deps_.repairPause, *timers_, actor_);
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

    // A connection that is lost for good (the SMC went away: on Linux, the
    // simulator restarted) counts as none: it never answers again, and the
    // machine behind a new one may have other fans.
    std::shared_ptr<SMCKernelBridge> reopenReadBridgeIfNeeded() {
        if (activeBridge_ && !activeBridge_->connectionLost()) return activeBridge_;
        const bool lost = activeBridge_ != nullptr;
        if (lost) {
            activeBridge_.reset();
            fanReader_.reset();
            boundsCache_.clear();
            cachedFanCount_.reset();
        }
        std::shared_ptr<SMCKernelBridge> bridge = deps_.bridgeFactory();
        if (!bridge) {
            smcLog().info(lost ? "SMC read connection lost \u2014 reopen attempt failed, will retry"
                               : "SMC bridge reopen attempt failed \u2014 still unavailable, will retry");
            return nullptr;
        }
        activeBridge_ = bridge;
        fanReader_ = std::make_unique<SMCFanReader>(bridge);
        boundsCache_.clear();
        cachedFanCount_.reset();
        smcLog().info(lost ? "SMC read connection lost \u2014 reopened"
                           : "SMC read connection reopened \u2014 a competing fan-control app likely released AppleSMC");
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
    ActorHandle actor_;
    std::unique_ptr<TimerSource> timers_;
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
    core_ = std::make_shared<Core>(std::move(deps), sharedBridge_, actor_.handle());
    actor_.post([core = core_, context = actor_.context()] { core->startOnActorThread(context); });
}

// Stopping the actor ends every wait of its coroutines (daemon replies,
// time-outs, pauses, the manager's completions), lets them finish and joins
// the thread; a caller still waiting gets ActorStopped.
SMCDriverActor::~SMCDriverActor() { actor_.stop(); }

// Each call holds the core for as long as it runs, and fails with
// ActorStopped once the actor has stopped: a call never reaches a core that
// is gone.
QCoro::Task<double> SMCDriverActor::setTargetRPM(int fanIndex, double requestedRPM) {
    return actor_.call([core = core_, fanIndex, requestedRPM] { return core->setTargetRPM(fanIndex, requestedRPM); });
}

QCoro::Task<void> SMCDriverActor::restoreAutomaticControl() {
    return actor_.call([core = core_] { return core->restoreCall(); });
}

QCoro::Task<std::string> SMCDriverActor::helperVersion() {
    return actor_.call([core = core_] { return core->versionCall(); });
}

QCoro::Task<void> SMCDriverActor::tearDownConnection() {
    return actor_.call([core = core_] { core->tearDownConnection(); });
}

QCoro::Task<SMCDriverActor::HelperState> SMCDriverActor::handshake() {
    return actor_.call([core = core_] { return core->handshake(); });
}

QCoro::Task<void> SMCDriverActor::setConnectionLossHandler(std::function<void()> handler) {
    return actor_.call([core = core_, handler = std::move(handler)] { core->setConnectionLossHandler(handler); });
}

QCoro::Task<SMCDriverActor::HelperState> SMCDriverActor::currentHelperState() {
    return actor_.call([core = core_] { return core->currentHelperState(); });
}

QCoro::Task<SMCDriverActor::HelperState> SMCDriverActor::installHelper() {
    return actor_.call([core = core_] { return core->installHelper(); });
}

QCoro::Task<SMCDriverActor::HelperState> SMCDriverActor::uninstallHelper() {
    return actor_.call([core = core_] { return core->uninstallHelper(); });
}

QCoro::Task<SMCDriverActor::HelperState> SMCDriverActor::reloadHelper() {
    return actor_.call([core = core_] { return core->reloadHelper(); });
}

QCoro::Task<std::shared_ptr<SMCKernelBridge>> SMCDriverActor::reopenReadBridgeIfNeeded() {
    return actor_.call([core = core_] { return core->reopenReadBridgeIfNeeded(); });
}

QCoro::Task<SMCDriverActor::HelperState> SMCDriverActor::connect() {
    return actor_.call([core = core_] { return core->connect(); });
}

QCoro::Task<SMCDriverActor::Snapshot> SMCDriverActor::snapshot() {
    return actor_.call([core = core_] { return core->snapshot(); });
}

void SMCDriverActor::exitRestore() {
    std::shared_ptr<DaemonConnection> connection;
    {
        auto& slot = exitRestoreSlot();
        std::lock_guard lock(slot.mutex);
        connection = std::exchange(slot.connection, nullptr);
    }
    // Letting go of the slot's reference, the last one once the driver is
    // gone, closes the connection and joins its thread.
    if (connection) connection->sendWhileExiting(protocol::restoreAutomaticControl.selector);
}

}  // namespace zephrane
