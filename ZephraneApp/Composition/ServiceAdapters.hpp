// The engine's ports over the app's real services: each adapter only
// forwards, so that when a service changes its face only its adapter here
// changes. Also what the app's entry needs to make its one engine.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>

#include <QString>

#include "ZephraneApp/Engine/EnginePorts.hpp"
#include "ZephraneApp/Engine/ZephraneEngine.hpp"

class QSettings;

namespace zephrane {
namespace notifications {
class NotificationCenter;
}

class SMCDriverActor;

namespace engine {

class DriverAdapter final : public DriverPort {
public:
    explicit DriverAdapter(std::shared_ptr<SMCDriverActor> driver);

    std::shared_ptr<SMCKernelBridge> sharedBridge() const override;
    QCoro::Task<double> setTargetRPM(int fan, double rpm) override;
    QCoro::Task<void> restoreAutomaticControl() override;
    QCoro::Task<HelperState> connect() override;
    QCoro::Task<std::shared_ptr<SMCKernelBridge>> reopenReadBridgeIfNeeded() override;
    QCoro::Task<void> setConnectionLossHandler(std::function<void()> handler) override;
    QCoro::Task<std::string> helperVersion() override;
    QCoro::Task<HelperState> installHelper() override;
    QCoro::Task<HelperState> uninstallHelper() override;
    QCoro::Task<HelperState> reloadHelper() override;
    QCoro::Task<void> tearDownConnection() override;
    QCoro::Task<bool> hasConnection() override;
    QCoro::Task<void> openApprovalSettings() override;

private:
    std::shared_ptr<SMCDriverActor> driver_;
};

struct ProductionServiceOptions {
    // The settings file the pinned sensors are kept in (the engine's own).
    QSettings* settings = nullptr;
    // The daily heat totals; default: HeatAttributionSampler::defaultDirectory().
    QString heatDirectory;
    // Where the history file is written; default: the temporary directory.
    QString temporaryDirectory;
    // Empties the window-backdrop photo caches; default: the app's image
    // store, through the catalogue's hook.
    std::function<void()> purgeBackdropImages = [] { zephrane::purgeBackdropImages(); };
    // Where alerts go; default: the desktop's notification server.
    std::shared_ptr<notifications::NotificationCenter> notifications;
    // The app bundle checked before the daemon is registered; default: the
    // bundle the running program sits in. It must be the bundle the
    // driver's service manager registers from.
    std::filesystem::path bundlePath;
};

class ProductionServices final : public ServiceFactory {
public:
    explicit ProductionServices(ProductionServiceOptions options);
    ~ProductionServices() override;

    std::unique_ptr<AlertsPort> makeAlerts() override;
    std::unique_ptr<PinnedStorePort> makePinnedStore() override;
    std::unique_ptr<SystemLoadPort> makeSystemLoadSampler() override;
    std::unique_ptr<HeatSamplerPort> makeHeatSampler() override;
    std::unique_ptr<PollerPort> makePoller(std::shared_ptr<SMCKernelBridge> bridge) override;
    std::unique_ptr<PowerStatePort> makePowerObserver() override;
    std::unique_ptr<MicrophonePort> makeMicMonitor() override;
    std::unique_ptr<HistoryWriterPort> makeHistoryWriter() override;
    std::unique_ptr<WorkloadObserverPort> makeWorkloadObserver(WorkloadObserverPort::ChangeHandler onChange) override;
    DeviceSensorMap::CoreCounts coreCounts() override;
    void purgeBackdropImages() override;
    std::unique_ptr<InstallPort> makeInstaller() override;

private:
    ProductionServiceOptions options_;
};

// Writes the history file into `directory`.
std::unique_ptr<HistoryWriterPort> makeHistoryFileWriter(QString directory);

// The machine's physical performance and efficiency core counts, read once
// per process; 0 for a count the host does not report.
DeviceSensorMap::CoreCounts machineCoreCounts();

}  // namespace engine

// The app's one engine: a new driver (which opens the SMC read connection),
// the user's settings file, the real services and the machine's clocks.
// Call on the GUI thread, with the application object made.
std::unique_ptr<ZephraneEngine> makeAppEngine(OptionalProfile initialProfile);

}  // namespace zephrane
