// The daemon's service: the only code in the system that writes fan keys.
//
// Requests arrive on the IPC layer's thread and are moved onto the hardware
// queue, so SMC writes never overlap. The fail-safe (heartbeat watchdog,
// emergency restore through a throwaway second SMC connection, exit restore)
// runs on its own watchdog queue, which never waits for the hardware queue:
// a stuck SMC call on the main connection cannot keep the fans in manual
// mode. Every write of a restore is given up after a bound (RestoreWriter),
// so one key that hangs keeps no other from being handed back; while a
// restore leaves anything undone, the watchdog stays armed and tries again.
//
// Only the controlling connection's heartbeats count: another client that
// beats cannot keep a frozen controller's fans in manual mode.
//
// A main SMC connection that is lost for good (the SMC went away, or a call
// outlived its deadline) is no state to carry on from: the service hands
// every fan back through a fresh connection if it can, says so, and tells
// its owner, which ends the process so the next client starts a fresh
// daemon. Each beat looks at the connection, so a daemon whose SMC went
// away while the fans were automatic finds out within a beat.
//
// The inputs are hostile: fan indices, speeds and the calling connection
// come from another process and are checked before any SMC access.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ZephraneHelper/HeartbeatWatchdog.hpp"
#include "ZephraneHelper/RestoreWriter.hpp"
#include "ZephraneHelper/SerialQueue.hpp"
#include "smc/SMCFanReader.hpp"
#include "smc/SMCKernelBridge.hpp"

namespace zephrane::helper {

// The identity of an IPC connection; never a way to reach it.
struct ClientId {
    std::uint64_t value = 0;
    friend auto operator<=>(const ClientId&, const ClientId&) = default;
};

// An error as it crosses to the app: domain, code and message.
struct HelperError {
    std::string domain;
    std::int64_t code = 0;
    std::string description;
    friend bool operator==(const HelperError&, const HelperError&) = default;
};

HelperError makeHelperError(std::int64_t code, std::string description);

class HelperService {
public:
    using Seconds = std::chrono::duration<double>;
    using ErrorReply = std::function<void(std::optional<HelperError>)>;
    using TargetReply = std::function<void(double writtenRPM, std::optional<HelperError>)>;
    using UptimeReply = std::function<void(double seconds)>;
    using BridgeOpener = std::function<std::shared_ptr<SMCKernelBridge>()>;  // throws SMCError

    struct Options {
        Seconds unlockTimeout{10.0};
        Seconds retryInterval{0.1};
        Seconds heartbeatTimeout{5.0};
        // Fail-safe timing; tests shorten these. The watchdog wakes when the
        // last beat would be too old, and only while manual control is
        // engaged; while a fail-safe it started is still pending, it looks
        // again every watchdogInterval.
        Seconds watchdogInterval{1.25};
        Seconds handoffCheckDelay{4.0};
        Seconds emergencyRetryDelay{4.0};
        Seconds exitRestoreWait{2.0};
        Seconds restoreWriteBound{1.0};  // each write of a restore, then the next key
        BridgeOpener openBridge = [] { return SMCKernelBridge::open(); };
        // Called once, on the watchdog queue, after the main SMC connection
        // was lost and the fans were handed back; the daemon exits there.
        std::function<void()> smcConnectionLost;
        std::function<SuspendingClock::time_point()> suspendingNow = [] { return SuspendingClock::now(); };
        std::function<double()> uptimeSeconds;  // default: time since creation on CLOCK_BOOTTIME
    };

    static std::shared_ptr<HelperService> create(std::shared_ptr<SMCKernelBridge> bridge, Options options);
    ~HelperService();

    // The five operations of the app-daemon contract. `caller` is the
    // connection delivering the request, when there is one.
    void setTargetRPM(std::optional<ClientId> caller, std::int64_t fan, double rpm, TargetReply reply);
    void setManualControl(std::optional<ClientId> caller, std::int64_t fan, bool enabled, ErrorReply reply);
    void restoreAutomaticControl(ErrorReply reply);
    // Counts for the watchdog only when it comes from the controlling
    // connection (or, in process, with no connection and no controller).
    void heartbeat(std::optional<ClientId> caller, UptimeReply reply);
    static std::string helperVersion();

    // Life cycle and fail-safe.
    void restoreForExit();  // blocks the caller, at most about exitRestoreWait plus an emergency restore
    void startWatchdog();
    void clientDisconnected(ClientId client);
    void watchdogTick();
    void emergencyRestoreWithRetry(int budget);
    // True when every fan and the diagnostic unlock were handed back (a key
    // the machine does not have counts as handed back).
    bool emergencyRestore();

    // Stops both queues and waits for them; pending work is dropped and its
    // replies are released unanswered. The destructor does this too; the
    // daemon's service itself lives as long as the process.
    void shutdown();

    // For tests: run `work` on the hardware queue and wait for it.
    void syncOnHardwareQueue(const std::function<void()>& work);
    bool manualControlEngaged() const;

private:
    using Completion = std::function<void(std::optional<std::string> errorText)>;

    HelperService(std::shared_ptr<SMCKernelBridge> bridge, Options options);

    std::optional<int> fanCount();
    std::optional<std::string> fanBounds(int fan, SMCFanReader::Bounds& out);
    void recordController(std::optional<ClientId> caller);
    void engage(int fan, Completion completion);
    void engagePoll(int fan, std::uint64_t generation, std::uint64_t epoch, std::chrono::steady_clock::time_point deadline);
    void completeWaiters(int fan, const std::optional<std::string>& errorText);
    std::optional<std::string> restoreAllFans();
    // Hands every fan, then the diagnostic unlock, back through `connection`
    // (replaced when a write hangs on it); true when nothing is left undone.
    enum class Report { everyFailure, whatIsLeftUndone };
    bool writeRestore(std::shared_ptr<SMCKernelBridge>& connection, int fans, std::optional<std::string>* firstError,
                      Report report);
    void failTarget(const std::string& errorText, const TargetReply& reply);
    // Watchdog queue: arms the timer for the moment the fail-safe may be due,
    // unless it is armed already (it then fires no later than that).
    void armWatchdogTimer();
    void watchdogTimerFired();
    // Any queue, after manual control may have become engaged.
    void wakeWatchdog();
    // Hardware queue: once the main connection is lost, the fans are handed
    // back and the owner is told, the first time only.
    void noteLostConnection();

    Options options_;
    RestoreWriter restoreWriter_;  // any queue
    SerialQueue queue_{"com.zephrane.Fanwarden.hw"};
    SerialQueue watchdogQueue_{"com.zephrane.Fanwarden.watchdog"};
    std::shared_ptr<SMCKernelBridge> bridge_;
    SMCFanReader fanReader_;

    mutable std::mutex watchdogLock_;
    HeartbeatWatchdog watchdog_;              // watchdogLock_
    bool restoreHandoffInFlight_ = false;     // watchdogLock_
    std::optional<int> cachedFanCount_;       // watchdogLock_
    std::uint64_t emergencyRestoreEpoch_ = 0;  // watchdogLock_
    std::optional<ClientId> controllingClient_;  // watchdogLock_

    // Hardware queue only.
    std::map<int, SMCFanReader::Bounds> boundsCache_;
    bool diagnosticUnlocked_ = false;
    std::set<int> manualFans_;
    std::uint64_t engageGeneration_ = 0;
    std::map<int, std::vector<Completion>> engageWaiters_;
    bool connectionLostSeen_ = false;     // the main connection was found lost (a restore may have replaced it)
    bool connectionLostHandled_ = false;  // the fans were handed back and the owner told

    std::unique_ptr<asio::steady_timer> watchdogTimer_;  // watchdog queue only
    bool watchdogTimerArmed_ = false;                    // watchdog queue only
    double startBootTime_ = 0;
};

}  // namespace zephrane::helper
