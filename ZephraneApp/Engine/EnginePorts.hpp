// What the engine needs of the app's services, each as a small interface in
// the one shape every service offers: a coroutine that does its work off the
// GUI thread and resumes the engine there with a value. The production
// implementations are thin adapters over the real services
// (ServiceAdapters.hpp); the engine harness in the tests implements them
// with fakes it scripts.
//
// Calls may fail: a service whose executor has stopped throws ActorStopped,
// the driver throws SMCDriverActor::DriverError (no proxy, timed out),
// CallError or another std::exception whose what() is the description the
// user may read. The engine catches at every call.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <QDateTime>
#include <QString>
#include <qcoro/qcorotask.h>

#include "ZephraneApp/Services/Daemon/HelperState.hpp"
#include "ZephraneApp/Services/Install/HelperInstallPreflight.hpp"
#include "ZephraneApp/Services/Monitors/PowerStateObserver.hpp"
#include "ZephraneApp/Services/Monitors/SensorPoller.hpp"
#include "ZephraneApp/Services/Monitors/SystemLoadSampler.hpp"
#include "ZephraneApp/Services/Records/HeatAttributionSampler.hpp"
#include "ZephraneApp/Services/Records/PowerExport.hpp"
#include "ZephraneApp/Services/Records/TelemetryStore.hpp"
#include "shared/DeviceSensorMap.hpp"
#include "shared/WorkloadPolicy.hpp"

namespace zephrane {

class SMCKernelBridge;

namespace engine {

// The daemon link and the SMC read connection.
class DriverPort {
public:
    virtual ~DriverPort() = default;

    // The read connection opened at launch; null when AppleSMC could not be
    // opened. Never changes.
    virtual std::shared_ptr<SMCKernelBridge> sharedBridge() const = 0;

    // The RPM the daemon reports as written.
    virtual QCoro::Task<double> setTargetRPM(int fan, double rpm) = 0;
    // Hands every fan back to the firmware; fails after 4 s without a reply.
    virtual QCoro::Task<void> restoreAutomaticControl() = 0;
    // The daemon's condition, from a handshake or the service manager.
    virtual QCoro::Task<HelperState> connect() = 0;
    // The read connection, reopened when it was lost; null while AppleSMC
    // still cannot be opened.
    virtual QCoro::Task<std::shared_ptr<SMCKernelBridge>> reopenReadBridgeIfNeeded() = 0;
    // Replaces the callback run (on the driver's thread) after the daemon
    // link was lost. It must return at once.
    virtual QCoro::Task<void> setConnectionLossHandler(std::function<void()> handler) = 0;

    // The daemon's life cycle.
    // The daemon's build version; fails after 4 s without a reply.
    virtual QCoro::Task<std::string> helperVersion() = 0;
    // Registers the daemon (or rebuilds a stale registration) and reports
    // its condition afterwards.
    virtual QCoro::Task<HelperState> installHelper() = 0;
    // Hands the fans back, drops the link and unregisters the daemon.
    virtual QCoro::Task<HelperState> uninstallHelper() = 0;
    // Unregisters and registers the daemon again, so a new binary is loaded.
    virtual QCoro::Task<HelperState> reloadHelper() = 0;
    virtual QCoro::Task<void> tearDownConnection() = 0;
    // The link to the daemon is open (whether or not it answers).
    virtual QCoro::Task<bool> hasConnection() = 0;
    // Takes the user to where the daemon is approved.
    virtual QCoro::Task<void> openApprovalSettings() = 0;
};

// What installing the daemon needs of this copy of the app and of the disk.
class InstallPort {
public:
    virtual ~InstallPort() = default;
    // Why this copy of the app cannot supply the daemon; none when it can.
    virtual std::optional<HelperInstallPreflight::Problem> preflight() = 0;
    // An older installation of the daemon is on disk.
    virtual bool isLegacyInstallPresent() = 0;
    // Removes the older installation with the administrator's approval,
    // without blocking the GUI thread; throws LegacyHelperInstall::CleanupError.
    virtual QCoro::Task<void> removeLegacyHelper() = 0;
};

// The sensors and fans, read through one SMC read connection.
class PollerPort {
public:
    virtual ~PollerPort() = default;
    virtual QCoro::Task<SensorPoller::Result> poll() = 0;
    virtual QCoro::Task<void> setRegistryConsumersVisible(bool visible) = 0;
    // The one walk over every SMC key, unless it has run.
    virtual QCoro::Task<void> discoverIfNeeded() = 0;
};

class SystemLoadPort {
public:
    virtual ~SystemLoadPort() = default;
    virtual QCoro::Task<std::vector<SystemLoad>> sample() = 0;
};

class PowerStatePort {
public:
    virtual ~PowerStatePort() = default;
    virtual QCoro::Task<PowerStateObserver::Reading> read() = 0;
};

class MicrophonePort {
public:
    virtual ~MicrophonePort() = default;
    virtual QCoro::Task<bool> isMicrophoneInUse() = 0;
};

class HeatSamplerPort {
public:
    virtual ~HeatSamplerPort() = default;
    virtual QCoro::Task<HeatAttributionSampler::Rankings> sample(QDateTime now) = 0;
};

// Running heavy applications. The change handler runs on the GUI thread,
// once at start() and after every launch or termination, never after
// stop() has returned.
class WorkloadObserverPort {
public:
    using ChangeHandler = std::function<void(const WorkloadPolicy&)>;
    virtual ~WorkloadObserverPort() = default;
    virtual void start() = 0;
    virtual void stop() = 0;
};

// User notifications; lives on the GUI thread.
class AlertsPort {
public:
    virtual ~AlertsPort() = default;
    virtual void update(bool isOverheating, const std::string& hottestSensorName, double hottestTemp) = 0;
    virtual void updateRule(const std::string& key, bool isTriggered, const std::string& title,
                            const std::string& message) = 0;
    virtual void setUseFahrenheit(bool fahrenheit) = 0;
    // The overheat alert shown inside the app, when it is shown there
    // rather than as a notification; `observer` runs on every change.
    virtual std::optional<std::string> inAppAlert() const = 0;
    virtual void dismissInAppAlert() = 0;
    virtual void setInAppAlertObserver(std::function<void()> observer) = 0;
};

class PinnedStorePort {
public:
    virtual ~PinnedStorePort() = default;
    virtual std::set<std::string> load() = 0;
    virtual void save(const std::set<std::string>& keys) = 0;
};

// Writes the history's CSV file into the temporary directory, off the GUI
// thread.
class HistoryWriterPort {
public:
    virtual ~HistoryWriterPort() = default;
    virtual QCoro::Task<FileWriteResult> write(std::vector<TelemetryStore::HistorySample> history,
                                               std::chrono::system_clock::time_point now) = 0;
};

// Makes the engine's services; the engine calls these in its creation order.
class ServiceFactory {
public:
    virtual ~ServiceFactory() = default;
    virtual std::unique_ptr<AlertsPort> makeAlerts() = 0;
    virtual std::unique_ptr<PinnedStorePort> makePinnedStore() = 0;
    virtual std::unique_ptr<SystemLoadPort> makeSystemLoadSampler() = 0;
    virtual std::unique_ptr<HeatSamplerPort> makeHeatSampler() = 0;
    // A poller over `bridge` (null: a poller that reads nothing).
    virtual std::unique_ptr<PollerPort> makePoller(std::shared_ptr<SMCKernelBridge> bridge) = 0;
    virtual std::unique_ptr<PowerStatePort> makePowerObserver() = 0;
    virtual std::unique_ptr<MicrophonePort> makeMicMonitor() = 0;
    virtual std::unique_ptr<HistoryWriterPort> makeHistoryWriter() = 0;
    virtual std::unique_ptr<WorkloadObserverPort> makeWorkloadObserver(WorkloadObserverPort::ChangeHandler onChange) = 0;
    // The machine's physical performance and efficiency core counts; 0 for
    // a count that cannot be read.
    virtual DeviceSensorMap::CoreCounts coreCounts() = 0;
    // Releases the decoded window-backdrop photographs.
    virtual void purgeBackdropImages() = 0;
    virtual std::unique_ptr<InstallPort> makeInstaller() = 0;
};

}  // namespace engine
}  // namespace zephrane
