// The app's single link to the hardware and to the privileged daemon: the
// unprivileged SMC read connection, the XPC connection to the daemon with its
// handshake, heartbeat and per-call time-outs, the fan-target call with the
// checks made before sending, the daemon's registration with the service
// manager, and the restore sent once more when the process exits.
//
// An actor: its state lives on its own thread and every operation is a
// coroutine the engine co_awaits from the GUI thread. Operations suspend
// while they wait for the daemon, so others run in between (a 12 s engage
// never holds up a heartbeat or a restore).
//
// Errors: daemon calls throw DriverError (no proxy, time-out) or CallError
// (an XPC failure, the daemon's own error, or the checks made before
// sending in the domain "com.zephrane.driver").
#pragma once

#include <chrono>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include <qcoro/qcorotask.h>

#include "ZephraneApp/Concurrency/Actor.hpp"
#include "ZephraneApp/Concurrency/ContinuationGuard.hpp"
#include "ZephraneApp/Concurrency/ContinuousTimers.hpp"
#include "ZephraneApp/Services/Daemon/DaemonConnection.hpp"
#include "ZephraneApp/Services/Daemon/HelperState.hpp"
#include "platform/servicemanagement/ServiceManagement.hpp"
#include "platform/xpc/Value.hpp"

namespace zephrane {

class SMCKernelBridge;
class SMCFanReader;

// An error that crossed the link or was made before sending: the NSError of
// the daemon's contract.
class CallError : public std::exception {
public:
    explicit CallError(xpc::Error error);
    const xpc::Error& error() const { return error_; }
    // The localized description.
    const char* what() const noexcept override { return error_.description.c_str(); }
    // The full default text form, for logs:
    //   Error Domain=<domain> Code=<code> "<description>" UserInfo={NSLocalizedDescription=<description>}
    std::string text() const;

private:
    xpc::Error error_;
};

class SMCDriverActor {
public:
    static constexpr std::string_view driverErrorDomain = "com.zephrane.driver";

    using HelperState = zephrane::HelperState;

    class DriverError : public std::exception {
    public:
        enum class Kind { noProxy, timedOut };
        explicit DriverError(Kind kind) : kind_(kind) {}
        Kind kind() const { return kind_; }
        // No message of its own: the generic text a user would read.
        const char* what() const noexcept override;
        // The case name, for logs.
        std::string_view caseName() const { return kind_ == Kind::noProxy ? "noProxy" : "timedOut"; }
        friend bool operator==(const DriverError& a, const DriverError& b) { return a.kind_ == b.kind_; }

    private:
        Kind kind_;
    };

    using BridgeFactory = std::function<std::shared_ptr<SMCKernelBridge>()>;
    // Runs on the actor thread; tests hand out manual timers.
    using TimerSourceFactory = std::function<std::unique_ptr<TimerSource>(QObject* actorContext)>;

    struct Dependencies {
        BridgeFactory bridgeFactory;                     // default: openReadBridge
        DaemonConnectionFactory connectionFactory;       // default: the daemon's XPC service
        std::shared_ptr<servicemanagement::ServiceManager> serviceManager;  // default: the app bundle's
        TimerSourceFactory timers;                       // default: continuous-clock timers
        // Registers the exit restore; default: the C library's atexit.
        std::function<void(void (*)())> registerAtExit;
        // The 0.5 s pause of a registration repair; default: a timer.
        std::chrono::nanoseconds repairPause = std::chrono::milliseconds(500);
    };

    // Opens the read connection on the calling thread (the engine's, at
    // start-up); never fails.
    SMCDriverActor();
    explicit SMCDriverActor(Dependencies dependencies);
    // Stops the actor thread: every call still waiting ends (its caller
    // gets ActorStopped) and the thread is joined. Sends nothing and does
    // not invalidate the connection (the exit restore still holds it).
    ~SMCDriverActor();
    SMCDriverActor(const SMCDriverActor&) = delete;
    SMCDriverActor& operator=(const SMCDriverActor&) = delete;

    // Opens AppleSMC; logs and gives nothing when it cannot.
    static std::shared_ptr<SMCKernelBridge> openReadBridge();

    // The launch-time read connection; never changes; any thread.
    const std::shared_ptr<SMCKernelBridge>& sharedBridge() const { return sharedBridge_; }

    // Daemon link.
    QCoro::Task<double> setTargetRPM(int fanIndex, double requestedRPM);
    QCoro::Task<void> restoreAutomaticControl();
    QCoro::Task<std::string> helperVersion();
    QCoro::Task<void> tearDownConnection();
    QCoro::Task<HelperState> handshake();
    // Set from the engine; called on the actor thread after the loss of a
    // link that had been up. Must return at once.
    QCoro::Task<void> setConnectionLossHandler(std::function<void()> handler);

    // Registration.
    QCoro::Task<HelperState> currentHelperState();
    QCoro::Task<HelperState> installHelper();
    QCoro::Task<HelperState> uninstallHelper();
    QCoro::Task<HelperState> reloadHelper();

    // Read connection.
    QCoro::Task<std::shared_ptr<SMCKernelBridge>> reopenReadBridgeIfNeeded();
    QCoro::Task<HelperState> connect();

    // The restore registered with atexit by connect(): sends on the current
    // connection without waiting; nothing when there is none.
    static void exitRestore();

    // For tests: what the actor holds, read on its thread.
    struct Snapshot {
        bool hasConnection = false;
        bool heartbeatRunning = false;
        std::optional<double> lastKnownUptime;
        std::optional<int> cachedFanCount;
        std::map<int, std::pair<double, double>> boundsCache;
        bool hasActiveBridge = false;
        bool hasFanReader = false;
        bool didInstallExitSafety = false;
    };
    QCoro::Task<Snapshot> snapshot();

private:
    class Core;

    Actor actor_;
    std::shared_ptr<SMCKernelBridge> sharedBridge_;
    std::shared_ptr<Core> core_;
};

}  // namespace zephrane
