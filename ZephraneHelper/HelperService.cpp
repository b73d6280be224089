#include "ZephraneHelper/HelperService.hpp"

#include <time.h>

#include <cstdio>
#include <semaphore>

#include "platform/oslog/OSLog.hpp"
#include "shared/FanKey.hpp"
#include "shared/HelperConstants.hpp"
#include "shared/WritePolicy.hpp"
#include "shared/ZephraneXPCProtocol.hpp"
#include "smc/SMCError.hpp"

namespace zephrane::helper {
namespace {

namespace protocol = ZephraneXPCProtocol;

const oslog::Logger& log() { return oslog::logger("com.zephrane.Fanwarden", "service"); }

double bootTimeSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);  // keeps running while the machine sleeps
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

std::chrono::steady_clock::duration toSteady(HelperService::Seconds d) {
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(d);
}

bool isKeyNotFound(const std::exception& e) {
    auto* smc = dynamic_cast<const SMCError*>(&e);
    return smc && smc->kind() == SMCError::Kind::keyNotFound;
}

const std::string kEngageCanceled = "manual-mode engage canceled by restore";
const std::string kConnectionLost = "the AppleSMC connection was lost; the daemon is exiting";

}  // namespace

HelperError makeHelperError(std::int64_t code, std::string description) {
    return {std::string(protocol::errorDomain), code, std::move(description)};
}

std::shared_ptr<HelperService> HelperService::create(std::shared_ptr<SMCKernelBridge> bridge, Options options) {
    return std::shared_ptr<HelperService>(new HelperService(std::move(bridge), std::move(options)));
}

HelperService::HelperService(std::shared_ptr<SMCKernelBridge> bridge, Options options)
    : options_(std::move(options)),
      restoreWriter_(options_.openBridge, toSteady(options_.restoreWriteBound)),
      bridge_(std::move(bridge)),
      fanReader_(bridge_),
      watchdog_(options_.heartbeatTimeout),
      startBootTime_(bootTimeSeconds()) {
    if (!options_.uptimeSeconds) options_.uptimeSeconds = [start = startBootTime_] { return bootTimeSeconds() - start; };
}

HelperService::~HelperService() { shutdown(); }

void HelperService::shutdown() {
    watchdogQueue_.stop();
    queue_.stop();
}

// MARK: - Requests

void HelperService::recordController(std::optional<ClientId> caller) {
    if (!caller) return;
    std::lock_guard lock(watchdogLock_);
    controllingClient_ = caller;  // the last caller wins
}

void HelperService::setTargetRPM(std::optional<ClientId> caller, std::int64_t fan, double rpm, TargetReply reply) {
    recordController(caller);
    queue_.post([this, fan, rpm, reply = std::move(reply)] {
        if (connectionLostSeen_) {
            reply(0, makeHelperError(protocol::hardwareFailure, kConnectionLost));
            return;
        }
        int count = fanCount().value_or(0);
        if (fan < 0 || fan >= count) {
            reply(0, makeHelperError(protocol::fanIndexOutOfRange, "fan index " + std::to_string(fan) + " out of range"));
            return;
        }
        const int index = static_cast<int>(fan);
        SMCFanReader::Bounds bounds;
        if (auto error = fanBounds(index, bounds)) {
            failTarget(*error, reply);
            return;
        }
        auto verdict = WritePolicy::vet(rpm, bounds.min, bounds.max);
        if (auto* rejected = verdict.rejected()) {
            reply(0, makeHelperError(protocol::rejectedByWritePolicy, "rejected: " + rejected->reason));
            return;
        }
        const double value = verdict.applied()->rpm;
        engage(index, [this, index, value, reply](std::optional<std::string> error) {
            if (error) {
                failTarget(*error, reply);
                return;
            }
            try {
                bridge_->write(FanKey::target(index), value);
            } catch (const std::exception& e) {
                failTarget(e.what(), reply);
                noteLostConnection();
                return;
            }
            reply(value, std::nullopt);
        });
        noteLostConnection();
    });
}

void HelperService::failTarget(const std::string& errorText, const TargetReply& reply) {
    log().error("setTargetRPM failed: " + errorText + "; failing safe");
    restoreAllFans();
    reply(0, makeHelperError(protocol::hardwareFailure, "hardware write failed: " + errorText));
}

void HelperService::setManualControl(std::optional<ClientId> caller, std::int64_t fan, bool enabled,
                                     ErrorReply reply) {
    recordController(caller);
    queue_.post([this, fan, enabled, reply = std::move(reply)] {
        if (enabled && connectionLostSeen_) {
            reply(makeHelperError(protocol::hardwareFailure, kConnectionLost));
            return;
        }
        if (!enabled) {
            // Hands every fan back, not only the named one.
            auto error = restoreAllFans();
            reply(error ? std::optional(makeHelperError(protocol::hardwareFailure, "disengage failed: " + *error))
                        : std::nullopt);
            return;
        }
        int count = fanCount().value_or(0);
        if (fan < 0 || fan >= count) {
            reply(makeHelperError(protocol::fanIndexOutOfRange, "fan index " + std::to_string(fan) + " out of range"));
            return;
        }
        engage(static_cast<int>(fan), [this, reply](std::optional<std::string> error) {
            if (!error) {
                reply(std::nullopt);
                return;
            }
            restoreAllFans();
            reply(makeHelperError(protocol::hardwareFailure, "engage manual failed: " + *error));
        });
        noteLostConnection();
    });
}

void HelperService::restoreAutomaticControl(ErrorReply reply) {
    queue_.post([this, reply = std::move(reply)] {
        auto error = restoreAllFans();
        reply(error ? std::optional(makeHelperError(protocol::hardwareFailure, "restore failed: " + *error))
                    : std::nullopt);
        noteLostConnection();
    });
}

void HelperService::heartbeat(std::optional<ClientId> caller, UptimeReply reply) {
    // Recorded on the hardware queue on purpose: a blocked queue stops both
    // the replies and the beats, so the watchdog can fail safe.
    queue_.post([this, caller, reply = std::move(reply)] {
        auto now = options_.suspendingNow();
        {
            // Anyone else's beats say nothing about the app holding the fans.
            std::lock_guard lock(watchdogLock_);
            if (caller == controllingClient_) watchdog_.recordBeat(now);
        }
        reply(options_.uptimeSeconds());
        // One key read, from the shared table when there is one: enough to
        // learn that the connection is gone.
        if (!connectionLostSeen_) {
            try {
                bridge_->keyCount();
            } catch (const std::exception&) {
            }
        }
        noteLostConnection();
    });
}

std::string HelperService::helperVersion() { return std::string(helperBuildVersion); }

// MARK: - Hardware queue

std::optional<int> HelperService::fanCount() {
    {
        std::lock_guard lock(watchdogLock_);
        if (cachedFanCount_) return cachedFanCount_;
    }
    int count = fanReader_.fanCount();
    if (count > 0) {
        std::lock_guard lock(watchdogLock_);
        cachedFanCount_ = count;
    }
    return count;
}

std::optional<std::string> HelperService::fanBounds(int fan, SMCFanReader::Bounds& out) {
    if (auto it = boundsCache_.find(fan); it != boundsCache_.end()) {
        out = it->second;
        return std::nullopt;
    }
    try {
        out.min = bridge_->read(FanKey::minimum(fan));
        out.max = bridge_->read(FanKey::maximum(fan));
    } catch (const std::exception& e) {
        return std::string(e.what());
    }
    // Implausible bounds are not kept: they are read again next time, and
    // the write policy decides what happens with them now.
    if (out.max > 0 && out.min < out.max) boundsCache_[fan] = out;
    return std::nullopt;
}

void HelperService::engage(int fan, Completion completion) {
    if (!diagnosticUnlocked_) {
        try {
            bridge_->write(FanKey::forceTest, 1.0);
            log().info("Ftst diagnostic mode engaged (M3/M4 unlock)");
            diagnosticUnlocked_ = true;
        } catch (const std::exception& e) {
            if (!isKeyNotFound(e)) {
                completion(std::string(e.what()));
                return;
            }
            log().info("Ftst absent on this Mac \u2014 proceeding without diagnostic unlock");
            diagnosticUnlocked_ = true;
        }
    }
    std::uint64_t epoch;
    bool newlyEngaged = false;
    {
        std::lock_guard lock(watchdogLock_);
        newlyEngaged = !watchdog_.manualControlEngaged();
        watchdog_.manualEngaged(true, options_.suspendingNow());
        epoch = emergencyRestoreEpoch_;
    }
    if (newlyEngaged) wakeWatchdog();
    if (manualFans_.contains(fan)) {
        completion(std::nullopt);
        return;
    }
    if (auto it = engageWaiters_.find(fan); it != engageWaiters_.end()) {
        it->second.push_back(std::move(completion));  // the running poll serves it
        return;
    }
    engageWaiters_[fan].push_back(std::move(completion));
    auto deadline = std::chrono::steady_clock::now() + toSteady(options_.unlockTimeout);
    engagePoll(fan, engageGeneration_, epoch, deadline);
}

void HelperService::engagePoll(int fan, std::uint64_t generation, std::uint64_t epoch,
                               std::chrono::steady_clock::time_point deadline) {
    {
        std::lock_guard lock(watchdogLock_);
        if (emergencyRestoreEpoch_ != epoch) return;
    }
    if (engageGeneration_ != generation) return;
    try {
        bridge_->write(FanKey::mode(fan), 1.0);
    } catch (const std::exception& e) {
        // A machine with the diagnostic unlock refuses manual mode for a
        // moment after it; keep asking until the deadline.
        if (std::chrono::steady_clock::now() < deadline) {
            queue_.postAfter(toSteady(options_.retryInterval),
                             [this, fan, generation, epoch, deadline] { engagePoll(fan, generation, epoch, deadline); });
        } else {
            completeWaiters(fan, std::string(e.what()));
        }
        return;
    }
    manualFans_.insert(fan);
    completeWaiters(fan, std::nullopt);
}

void HelperService::noteLostConnection() {
    if (bridge_->connectionLost()) connectionLostSeen_ = true;
    if (!connectionLostSeen_ || connectionLostHandled_) return;
    connectionLostHandled_ = true;
    log().fault("AppleSMC connection lost \u2014 restoring Apple automatic control through a new one and exiting");
    restoreAllFans();
    if (options_.smcConnectionLost) watchdogQueue_.post([lost = options_.smcConnectionLost] { lost(); });
}

void HelperService::completeWaiters(int fan, const std::optional<std::string>& errorText) {
    auto node = engageWaiters_.extract(fan);
    if (node.empty()) return;
    for (auto& waiter : node.mapped()) waiter(errorText);
}

std::optional<std::string> HelperService::restoreAllFans() {
    ++engageGeneration_;
    if (!engageWaiters_.empty()) {
        // Answered after this restore returns, each waiter failing safe once
        // more on its own path.
        auto canceled = std::make_shared<std::map<int, std::vector<Completion>>>(std::move(engageWaiters_));
        engageWaiters_.clear();
        queue_.post([canceled] {
            for (auto& [fan, waiters] : *canceled)
                for (auto& waiter : waiters) waiter(kEngageCanceled);
        });
    }

    std::optional<std::string> firstError;
    // A connection that is lost would fail every write at once: the writer
    // opens a fresh one instead.
    if (bridge_->connectionLost()) connectionLostSeen_ = true;
    std::shared_ptr<SMCKernelBridge> connection = connectionLostSeen_ ? nullptr : bridge_;
    const bool complete = writeRestore(connection, fanCount().value_or(0), &firstError, Report::everyFailure);
    if (connection && connection != bridge_) {
        // A write hangs on the old connection, and whatever we sent through
        // it would queue behind that write for ever.
        bridge_ = connection;
        fanReader_ = SMCFanReader(bridge_);
    }
    manualFans_.clear();
    diagnosticUnlocked_ = false;
    {
        // Anything left undone keeps the watchdog armed: with no beat within
        // its time-out, it fails safe once more.
        std::lock_guard lock(watchdogLock_);
        watchdog_.manualEngaged(!complete, options_.suspendingNow());
    }
    if (!complete) wakeWatchdog();
    return firstError;
}

bool HelperService::writeRestore(std::shared_ptr<SMCKernelBridge>& connection, int fans,
                                 std::optional<std::string>* firstError, Report report) {
    bool complete = true;
    const auto failed = [&](const RestoreWriter::Outcome& outcome, const std::string& logPrefix) {
        if (firstError && !*firstError) *firstError = outcome.error;
        if (!outcome.keyMissing) complete = false;
        if (report == Report::everyFailure || !outcome.keyMissing) log().error(logPrefix + *outcome.error);
    };
    for (int fan = 0; fan < fans; ++fan) {
        const auto outcome = restoreWriter_.write(connection, FanKey::mode(fan), 0.0);
        if (outcome.error) failed(outcome, "restore fan " + std::to_string(fan) + " failed: ");
    }
    // A machine without the diagnostic unlock has nothing to reset.
    const auto outcome = restoreWriter_.write(connection, std::string(FanKey::forceTest), 0.0);
    if (outcome.error && !outcome.keyMissing) failed(outcome, "Ftst reset failed: ");
    return complete;
}

// MARK: - Fail-safe

void HelperService::restoreForExit() {
    auto done = std::make_shared<std::binary_semaphore>(0);
    queue_.post([this, done] {
        restoreAllFans();
        done->release();
    });
    if (done->try_acquire_for(toSteady(options_.exitRestoreWait))) return;
    char seconds[64];
    std::snprintf(seconds, sizeof seconds, "%f", options_.exitRestoreWait.count());
    log().fault(std::string("exit restore: hw queue did not respond within ") + seconds +
                "s \u2014 escalating to the emergency SMC connection");
    emergencyRestore();
}

void HelperService::startWatchdog() {
    watchdogQueue_.post([this] {
        watchdogTimer_ = std::make_unique<asio::steady_timer>(watchdogQueue_.context());
        armWatchdogTimer();
    });
}

void HelperService::wakeWatchdog() {
    watchdogQueue_.post([this] {
        if (watchdogTimer_) armWatchdogTimer();
    });
}

// While the fans are the firmware's the watchdog sleeps: there is nothing
// to watch. Engaged, it wakes when the last beat would be too old, a hair
// past the time-out (which the rule itself still allows), and, when beats
// came meanwhile, sleeps again until the new moment.
void HelperService::armWatchdogTimer() {
    if (watchdogTimerArmed_) return;
    std::optional<SuspendingClock::time_point> due;
    {
        std::lock_guard lock(watchdogLock_);
        due = watchdog_.failSafeDue();
    }
    if (!due) return;
    const auto now = options_.suspendingNow();
    auto delay = *due > now ? std::chrono::duration_cast<std::chrono::steady_clock::duration>(*due - now) +
                                  std::chrono::milliseconds(1)
                            : toSteady(options_.watchdogInterval);  // due already: a fail-safe is pending
    watchdogTimerArmed_ = true;
    watchdogTimer_->expires_after(delay);
    watchdogTimer_->async_wait([this](const std::error_code& error) {
        if (error) return;
        watchdogTimerFired();
    });
}

void HelperService::watchdogTimerFired() {
    watchdogTimerArmed_ = false;
    watchdogTick();
    armWatchdogTimer();
}

void HelperService::watchdogTick() {
    auto now = options_.suspendingNow();
    {
        std::lock_guard lock(watchdogLock_);
        if (!watchdog_.shouldFailSafe(now)) return;
        if (restoreHandoffInFlight_) return;  // a hand-off is pending
        restoreHandoffInFlight_ = true;
    }
    log().error("heartbeat lost \u2014 failing safe, restoring Apple automatic control");
    queue_.post([this] {
        restoreAllFans();
        std::lock_guard lock(watchdogLock_);
        restoreHandoffInFlight_ = false;
    });
    watchdogQueue_.postAfter(toSteady(options_.handoffCheckDelay), [this] {
        bool pending;
        {
            std::lock_guard lock(watchdogLock_);
            pending = restoreHandoffInFlight_;
        }
        if (pending) emergencyRestoreWithRetry(5);
    });
}

void HelperService::emergencyRestoreWithRetry(int budget) {
    if (emergencyRestore()) {
        std::lock_guard lock(watchdogLock_);
        watchdog_.manualEngaged(false, options_.suspendingNow());
        restoreHandoffInFlight_ = false;
        return;
    }
    if (budget < 2) {
        log().fault(
            "EMERGENCY restore: exhausted retry budget without a working SMC connection \u2014 releasing the "
            "handoff so the next watchdog tick can re-escalate");
        std::lock_guard lock(watchdogLock_);
        restoreHandoffInFlight_ = false;
        return;
    }
    watchdogQueue_.postAfter(toSteady(options_.emergencyRetryDelay),
                             [this, budget] { emergencyRestoreWithRetry(budget - 1); });
}

bool HelperService::emergencyRestore() {
    log().fault(
        "EMERGENCY restore: watchdog handoff to the hw queue did not complete in time \u2014 restoring via a "
        "throwaway SMC connection");
    std::shared_ptr<SMCKernelBridge> second;
    try {
        second = options_.openBridge();
    } catch (const std::exception&) {
    }
    if (!second) {
        log().fault(
            "EMERGENCY restore: failed to open a second AppleSMC connection \u2014 cannot fail safe from the "
            "watchdog queue");
        return false;
    }
    int count = 0;
    {
        std::lock_guard lock(watchdogLock_);
        if (cachedFanCount_ && *cachedFanCount_ > 0) count = *cachedFanCount_;
    }
    if (count == 0) count = SMCFanReader(second).fanCount();
    if (count <= 0) count = 8;  // unknown: cover every fan a machine may have
    const bool complete = writeRestore(second, count, nullptr, Report::whatIsLeftUndone);
    {
        std::lock_guard lock(watchdogLock_);
        ++emergencyRestoreEpoch_;  // stops every engage poll in flight
    }
    if (!complete) {
        log().fault("EMERGENCY restore: incomplete \u2014 retrying what could not be handed back");
        return false;
    }
    log().fault("EMERGENCY restore: completed");
    return true;
}

void HelperService::clientDisconnected(ClientId client) {
    {
        std::lock_guard lock(watchdogLock_);
        if (controllingClient_ && *controllingClient_ != client) {
            log().info("ignoring disconnect from a connection that never held fan control");
            return;
        }
        controllingClient_.reset();
    }
    queue_.post([this] {
        bool engaged;
        {
            std::lock_guard lock(watchdogLock_);
            engaged = watchdog_.manualControlEngaged();
        }
        if (!engaged) return;
        log().info("client disconnected while manual engaged \u2014 failing safe");
        restoreAllFans();
    });
}

// MARK: - Tests

void HelperService::syncOnHardwareQueue(const std::function<void()>& work) {
    std::binary_semaphore done(0);
    queue_.post([&] {
        work();
        done.release();
    });
    done.acquire();
}

bool HelperService::manualControlEngaged() const {
    std::lock_guard lock(watchdogLock_);
    return watchdog_.manualControlEngaged();
}

}  // namespace zephrane::helper
