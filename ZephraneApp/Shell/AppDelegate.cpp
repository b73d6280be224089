#include "ZephraneApp/Shell/AppDelegate.hpp"

#include <array>
#include <cerrno>
#include <csignal>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThreadPool>

#include <fcntl.h>
#include <unistd.h>

#include "platform/oslog/OSLog.hpp"

namespace zephrane {
namespace {

const oslog::Logger& lifecycleLog() { return oslog::logger("com.zephrane.app", "lifecycle"); }

// The self-pipe: the handler only writes the signal's number, which is
// safe in a signal handler; the event loop reads it and acts between other
// work. Made once for the process.
std::array<int, 2> signalPipe{-1, -1};

extern "C" void forwardSignal(int number) {
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

AppDelegate::AppDelegate(QString runMarker, QObject* parent)
    : QObject(parent), runMarker_(std::move(runMarker)), markerQueue_(std::make_unique<QThreadPool>()) {
    // One thread: marker work runs in the order it was queued.
    markerQueue_->setMaxThreadCount(1);
}

AppDelegate::~AppDelegate() { markerQueue_->waitForDone(); }

QString AppDelegate::defaultRunMarker() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty()) return {};
    return data + "/Zephrane/run.marker";
}

std::optional<Theme::Appearance> AppDelegate::appearanceOverride(const QStringList& arguments) {
    static const QString prefix = "--appearance=";
    std::optional<QString> value;
    for (const QString& argument : arguments) {
        if (argument.startsWith(prefix)) {
            value = argument.mid(prefix.size());
            break;
        }
    }
    if (!value) {
        const qsizetype at = arguments.indexOf("--appearance");
        if (at < 0 || at + 1 >= arguments.size()) return std::nullopt;
        value = arguments[at + 1];
    }
    if (*value == "light") return Theme::Appearance::light;
    if (*value == "dark") return Theme::Appearance::dark;
    return std::nullopt;
}

void AppDelegate::didFinishLaunching() {
    lifecycleLog().info("launched");
    installSignalHandlers();
    if (runMarker_.isEmpty()) return;
    markerQueue_->start([marker = runMarker_] {
        if (QFileInfo::exists(marker))
            lifecycleLog().error("previous run ended without clean shutdown \u2014 external kill or crash");
        if (!QDir().mkpath(QFileInfo(marker).absolutePath())) return;
        QFile file(marker);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.close();
    });
}

void AppDelegate::installSignalHandlers() {
    if (signalPipe[0] < 0 && ::pipe2(signalPipe.data(), O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction action {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    signalNotifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    connect(signalNotifier_.get(), &QSocketNotifier::activated, this, &AppDelegate::readSignals);
}

void AppDelegate::readSignals() {
    unsigned char number = 0;
    bool terminate = false;
    while (::read(signalPipe[0], &number, 1) == 1) {
        if (number == SIGTERM) lifecycleLog().info("SIGTERM received from outside the app \u2014 terminating gracefully");
        terminate = true;
    }
    if (terminate) requestTerminate();
}

void AppDelegate::requestTerminate() {
    lifecycleLog().info("applicationShouldTerminate requested, sender exists: true");
    emit terminateRequested();
    if (QCoreApplication::instance() != nullptr) QCoreApplication::quit();
}

void AppDelegate::willTerminate() {
    if (terminated_) return;
    terminated_ = true;
    lifecycleLog().info("terminating");
    if (runMarker_.isEmpty()) return;
    markerQueue_->start([marker = runMarker_] { QFile::remove(marker); });
    markerQueue_->waitForDone();
}

void AppDelegate::waitForMarkerWork() { markerQueue_->waitForDone(); }

}  // namespace zephrane
