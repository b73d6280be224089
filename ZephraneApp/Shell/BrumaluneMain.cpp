// The app's entry. Until the interface exists it runs the app's core
// headless: the engine opens the SMC read connection, links to the
// fan-control daemon (heartbeats keep the link alive) and runs its control
// loop until it is told to stop.
#include <csignal>

#include <QCoreApplication>
#include <QSocketNotifier>

#include <sys/signalfd.h>
#include <unistd.h>

#include "ZephraneApp/Engine/ServiceAdapters.hpp"
#include "ZephraneApp/Services/Daemon/SMCDriverActor.hpp"
#include "platform/codesign/EmbeddedIdentity.hpp"
#include "platform/oslog/OSLog.hpp"

ZEPHRANE_EMBED_IDENTITY("com.zephrane.app", "ZPHRN4B7Q2");

namespace {

using zephrane::SMCDriverActor;

std::string_view stateName(const SMCDriverActor::HelperState& state) {
    switch (state.kind()) {
        case SMCDriverActor::HelperState::Kind::unavailable: return "unavailable";
        case SMCDriverActor::HelperState::Kind::notRegistered: return "notRegistered";
        case SMCDriverActor::HelperState::Kind::requiresApproval: return "requiresApproval";
        case SMCDriverActor::HelperState::Kind::enabled: return "enabled";
        case SMCDriverActor::HelperState::Kind::connected: return "connected";
    }
    return "unknown";
}

void logLinkState(const SMCDriverActor::HelperState& state) {
    std::string line = "daemon link: " + std::string(stateName(state));
    if (!state.reason().empty()) line += " (" + state.reason() + ")";
    zephrane::oslog::logger("com.zephrane.app", "main").info(line);
}

}  // namespace

int main(int argc, char** argv) {
    // SIGTERM and SIGINT end the event loop, so the process leaves through
    // exit() and the daemon link's exit restore runs.
    sigset_t stopping;
    sigemptyset(&stopping);
    sigaddset(&stopping, SIGTERM);
    sigaddset(&stopping, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopping, nullptr);
    const int stopFd = signalfd(-1, &stopping, SFD_CLOEXEC | SFD_NONBLOCK);

    QCoreApplication app(argc, argv);
    QSocketNotifier notifier(stopFd, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });

    auto engine = zephrane::makeAppEngine(zephrane::FanProfile::appleAuto());
    QObject::connect(engine.get(), &zephrane::ZephraneEngine::helperStateChanged, engine.get(),
                     [&engine] { logLinkState(engine->helperState()); });
    // No window exists yet: the readings only a window shows are refreshed
    // at the slow rate.
    engine->setMainWindowVisible(false);
    engine->start();
    const int status = QCoreApplication::exec();
    ::close(stopFd);
    return status;
}
