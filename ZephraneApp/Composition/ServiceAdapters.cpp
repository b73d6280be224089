#include "ZephraneApp/Composition/ServiceAdapters.hpp"

#include <filesystem>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

#include "ZephraneApp/Concurrency/Actor.hpp"
#include "ZephraneApp/Engine/EngineTasks.hpp"
#include "ZephraneApp/Services/Daemon/SMCDriverActor.hpp"
#include "ZephraneApp/Services/Install/FileManager.hpp"
#include "ZephraneApp/Services/Install/LegacyHelperInstall.hpp"
#include "ZephraneApp/Services/Monitors/MicActivityMonitor.hpp"
#include "ZephraneApp/Services/Monitors/WorkloadObserver.hpp"
#include "ZephraneApp/Services/Records/AlertsManager.hpp"
#include "ZephraneApp/Services/Records/PinnedSensorStore.hpp"
#include "platform/audio/AlsaAudioHardware.hpp"
#include "platform/host/LinuxHost.hpp"
#include "platform/iokit/IORegistryLinux.hpp"
#include "platform/notifications/DBusNotificationCenter.hpp"
#include "platform/proc/LinuxProcessTable.hpp"
#include "platform/servicemanagement/SystemServiceManager.hpp"
#include "platform/workspace/LinuxWorkspace.hpp"
#include "shared/HelperConstants.hpp"

namespace zephrane::engine {
namespace {

class PollerAdapter final : public PollerPort {
public:
    explicit PollerAdapter(std::shared_ptr<SMCKernelBridge> bridge)
        : poller_(std::make_unique<SensorPoller>(std::move(bridge))) {}
    QCoro::Task<SensorPoller::Result> poll() override { return poller_->poll(); }
    QCoro::Task<void> setRegistryConsumersVisible(bool visible) override {
        return poller_->setRegistryConsumersVisible(visible);
    }
    QCoro::Task<void> discoverIfNeeded() override { return poller_->discoverIfNeeded(); }

private:
    std::unique_ptr<SensorPoller> poller_;
};

class SystemLoadAdapter final : public SystemLoadPort {
public:
    SystemLoadAdapter() : sampler_(std::make_shared<host::LinuxHost>(), iokit::IORegistryCreate()) {}
    QCoro::Task<std::vector<SystemLoad>> sample() override { return sampler_.sample(); }

private:
    SystemLoadSampler sampler_;
};

class PowerStateAdapter final : public PowerStatePort {
public:
    PowerStateAdapter() : observer_(iokit::IORegistryCreate(), SystemProfilerOptions::fromEnvironment()) {}
    QCoro::Task<PowerStateObserver::Reading> read() override { return observer_.read(); }

private:
    PowerStateObserver observer_;
};

class MicrophoneAdapter final : public MicrophonePort {
public:
    QCoro::Task<bool> isMicrophoneInUse() override { return monitor_.isMicrophoneInUse(); }

private:
    // The hardware before the monitor, which reads it until its thread ends.
    audio::AlsaAudioHardware hardware_;
    MicActivityMonitor monitor_{hardware_};
};

class HeatSamplerAdapter final : public HeatSamplerPort {
public:
    explicit HeatSamplerAdapter(const QString& directory)
        : sampler_(directory, QDateTime::currentDateTime(), processes_) {}
    QCoro::Task<HeatAttributionSampler::Rankings> sample(QDateTime now) override { return sampler_.sample(now); }

private:
    // The process table before the sampler, which reads it until its thread
    // ends.
    proc::LinuxProcessTable processes_;
    HeatAttributionSampler sampler_;
};

class AlertsAdapter final : public AlertsPort {
public:
    explicit AlertsAdapter(std::shared_ptr<notifications::NotificationCenter> center) : manager_(std::move(center)) {}
    void update(bool isOverheating, const std::string& name, double temp) override {
        manager_.update(isOverheating, name, temp);
    }
    void updateRule(const std::string& key, bool isTriggered, const std::string& title,
                    const std::string& message) override {
        manager_.updateRule(key, isTriggered, title, message);
    }
    void setUseFahrenheit(bool fahrenheit) override { manager_.setUseFahrenheit(fahrenheit); }
    std::optional<std::string> inAppAlert() const override { return manager_.inAppAlert(); }
    void dismissInAppAlert() override { manager_.dismissInAppAlert(); }
    void setInAppAlertObserver(std::function<void()> observer) override {
        QObject::disconnect(observation_);
        if (observer) observation_ = QObject::connect(&manager_, &AlertsManager::inAppAlertChanged, std::move(observer));
    }

private:
    AlertsManager manager_;
    QMetaObject::Connection observation_;
};

class PinnedStoreAdapter final : public PinnedStorePort {
public:
    explicit PinnedStoreAdapter(QSettings& settings) : store_(settings, settings::key::pinnedSensorKeys) {}
    std::set<std::string> load() override { return store_.load(); }
    void save(const std::set<std::string>& keys) override { store_.save(keys); }

private:
    PinnedSensorStore store_;
};

class HistoryWriterAdapter final : public HistoryWriterPort {
public:
    explicit HistoryWriterAdapter(QString directory)
        : directory_(std::move(directory)), worker_(QStringLiteral("HistoryWriter")) {}
    QCoro::Task<FileWriteResult> write(std::vector<TelemetryStore::HistorySample> history,
                                       std::chrono::system_clock::time_point now) override {
        return writeHistoryCSV(worker_, std::move(history), directory_, now);
    }

private:
    QString directory_;
    Actor worker_;
};

// The bundle checked is the one the running program sits in (or the one
// named in the options), with its symbolic links resolved; the older
// installation is looked for under the same system root the service manager
// uses.
class InstallAdapter final : public InstallPort {
public:
    explicit InstallAdapter(std::filesystem::path bundle) : bundle_(std::move(bundle)) {}

    std::optional<HelperInstallPreflight::Problem> preflight() override {
        std::error_code error;
        std::filesystem::path bundle =
            bundle_.empty() ? servicemanagement::SystemServiceManager::defaultBundlePath() : bundle_;
        if (!bundle.empty()) {
            const auto resolved = std::filesystem::canonical(bundle, error);
            if (!error) bundle = resolved.lexically_normal();
        }
        // Not inside a bundle at all: no bundle can supply the daemon's files.
        const QUrl url = bundle.empty() ? QUrl() : QUrl::fromLocalFile(QString::fromStdString(bundle.string()));
        if (!url.isValid())
            return HelperInstallPreflight::Problem::missingResources(
                {HelperInstallPreflight::allEmbeddedResources.begin(),
                 HelperInstallPreflight::allEmbeddedResources.end()});
        return HelperInstallPreflight::check(url, files_);
    }
    bool isLegacyInstallPresent() override {
        return LegacyHelperInstall::isLegacyInstallPresent(files_, LegacyHelperInstall::Layout::fromEnvironment());
    }
    QCoro::Task<void> removeLegacyHelper() override {
        return LegacyHelperInstall::removeLegacyHelperInBackground(worker_);
    }

private:
    std::filesystem::path bundle_;
    LocalFileManager files_;
    // The administrator prompt and the removal wait here, off the GUI thread.
    Actor worker_{QStringLiteral("LegacyHelperRemoval")};
};

class WorkloadObserverAdapter final : public WorkloadObserverPort {
public:
    explicit WorkloadObserverAdapter(ChangeHandler onChange)
        : workspace_(std::make_unique<workspace::LinuxWorkspace>(workspace::LinuxWorkspaceOptions{})),
          observer_(std::make_unique<WorkloadObserver>(*workspace_, std::move(onChange))) {}
    ~WorkloadObserverAdapter() override {
        observer_->stop();
        observer_.reset();
    }
    void start() override { observer_->start(); }
    void stop() override { observer_->stop(); }

private:
    std::unique_ptr<workspace::LinuxWorkspace> workspace_;
    std::unique_ptr<WorkloadObserver> observer_;
};

}  // namespace

DriverAdapter::DriverAdapter(std::shared_ptr<SMCDriverActor> driver) : driver_(std::move(driver)) {}

std::shared_ptr<SMCKernelBridge> DriverAdapter::sharedBridge() const { return driver_->sharedBridge(); }
QCoro::Task<double> DriverAdapter::setTargetRPM(int fan, double rpm) { return driver_->setTargetRPM(fan, rpm); }
QCoro::Task<void> DriverAdapter::restoreAutomaticControl() { return driver_->restoreAutomaticControl(); }
QCoro::Task<HelperState> DriverAdapter::connect() { return driver_->connect(); }
QCoro::Task<std::shared_ptr<SMCKernelBridge>> DriverAdapter::reopenReadBridgeIfNeeded() {
    return driver_->reopenReadBridgeIfNeeded();
}
QCoro::Task<void> DriverAdapter::setConnectionLossHandler(std::function<void()> handler) {
    return driver_->setConnectionLossHandler(std::move(handler));
}
QCoro::Task<std::string> DriverAdapter::helperVersion() { return driver_->helperVersion(); }
QCoro::Task<HelperState> DriverAdapter::installHelper() { return driver_->installHelper(); }
QCoro::Task<HelperState> DriverAdapter::uninstallHelper() { return driver_->uninstallHelper(); }
QCoro::Task<HelperState> DriverAdapter::reloadHelper() { return driver_->reloadHelper(); }
QCoro::Task<void> DriverAdapter::tearDownConnection() { return driver_->tearDownConnection(); }

QCoro::Task<bool> DriverAdapter::hasConnection() {
    auto driver = driver_;
    const SMCDriverActor::Snapshot held = co_await driver->snapshot();
    co_return held.hasConnection;
}

// Where a Mac opens the Login Items settings, here an administrator approves
// the daemon with the service manager's own tool, asked for through pkexec.
// Started detached: the prompt may stay open for as long as the user likes.
QCoro::Task<void> DriverAdapter::openApprovalSettings() {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("zephrane-servicectl"));
    QStringList arguments{tool};
    const QByteArray root = qgetenv("ZEPHRANE_SYSTEM_ROOT");
    if (!root.isEmpty()) arguments << QStringLiteral("--root") << QString::fromLocal8Bit(root);
    arguments << QStringLiteral("approve") << QString::fromUtf8(HelperConstants::daemonLabel.data(),
                                                                static_cast<qsizetype>(HelperConstants::daemonLabel.size()));
    if (tool.isEmpty() || !QProcess::startDetached(QStringLiteral("pkexec"), arguments))
        engineLog().error("cannot ask for the helper's approval: zephrane-servicectl or pkexec not found, ignoring");
    co_return;
}

ProductionServices::ProductionServices(ProductionServiceOptions options) : options_(std::move(options)) {
    if (options_.heatDirectory.isEmpty()) options_.heatDirectory = HeatAttributionSampler::defaultDirectory();
    if (options_.temporaryDirectory.isEmpty()) options_.temporaryDirectory = QDir::tempPath();
}

ProductionServices::~ProductionServices() = default;

std::unique_ptr<AlertsPort> ProductionServices::makeAlerts() {
    auto center = options_.notifications;
    if (!center)
        center = std::make_shared<notifications::DBusNotificationCenter>(
            QDBusConnection::sessionBus(), notifications::DBusNotificationCenter::runningApplicationIdentifier());
    return std::make_unique<AlertsAdapter>(std::move(center));
}

std::unique_ptr<PinnedStorePort> ProductionServices::makePinnedStore() {
    return std::make_unique<PinnedStoreAdapter>(*options_.settings);
}

std::unique_ptr<SystemLoadPort> ProductionServices::makeSystemLoadSampler() {
    return std::make_unique<SystemLoadAdapter>();
}

std::unique_ptr<HeatSamplerPort> ProductionServices::makeHeatSampler() {
    return std::make_unique<HeatSamplerAdapter>(options_.heatDirectory);
}

std::unique_ptr<PollerPort> ProductionServices::makePoller(std::shared_ptr<SMCKernelBridge> bridge) {
    return std::make_unique<PollerAdapter>(std::move(bridge));
}

std::unique_ptr<PowerStatePort> ProductionServices::makePowerObserver() {
    return std::make_unique<PowerStateAdapter>();
}

std::unique_ptr<MicrophonePort> ProductionServices::makeMicMonitor() {
    return std::make_unique<MicrophoneAdapter>();
}

std::unique_ptr<HistoryWriterPort> ProductionServices::makeHistoryWriter() {
    return makeHistoryFileWriter(options_.temporaryDirectory);
}

std::unique_ptr<HistoryWriterPort> makeHistoryFileWriter(QString directory) {
    return std::make_unique<HistoryWriterAdapter>(std::move(directory));
}

std::unique_ptr<WorkloadObserverPort> ProductionServices::makeWorkloadObserver(
    WorkloadObserverPort::ChangeHandler onChange) {
    return std::make_unique<WorkloadObserverAdapter>(std::move(onChange));
}

std::unique_ptr<InstallPort> ProductionServices::makeInstaller() {
    return std::make_unique<InstallAdapter>(options_.bundlePath);
}

DeviceSensorMap::CoreCounts ProductionServices::coreCounts() { return machineCoreCounts(); }

void ProductionServices::purgeBackdropImages() {
    if (options_.purgeBackdropImages) options_.purgeBackdropImages();
}

DeviceSensorMap::CoreCounts machineCoreCounts() {
    static const DeviceSensorMap::CoreCounts counts = [] {
        host::LinuxHost host;
        const auto read = [&host](std::string_view name) {
            const auto value = host.sysctlInteger(name);
            return value && *value > 0 && *value <= 4096 ? static_cast<int>(*value) : 0;
        };
        return DeviceSensorMap::CoreCounts{read("hw.perflevel0.physicalcpu"), read("hw.perflevel1.physicalcpu")};
    }();
    return counts;
}

}  // namespace zephrane::engine

namespace zephrane {

std::unique_ptr<ZephraneEngine> makeAppEngine(OptionalProfile initialProfile) {
    auto driver = std::make_shared<SMCDriverActor>();
    auto store = std::make_unique<QSettingsStore>();
    engine::ProductionServiceOptions options;
    options.settings = &store->settings();
    EngineEnvironment environment;
    environment.services = std::make_shared<engine::ProductionServices>(std::move(options));
    environment.settings = std::move(store);
    environment.clock = engine::makeSystemClock(QCoreApplication::instance());
    return std::make_unique<ZephraneEngine>(std::move(initialProfile),
                                            std::make_shared<engine::DriverAdapter>(std::move(driver)),
                                            std::move(environment));
}

}  // namespace zephrane
