// com.zephrane.Fanwarden: the privileged daemon. Started on demand for its
// service socket; takes no arguments. Hands the fans back to automatic
// control at start, on a lost heartbeat, when the controlling app goes away,
// on SIGTERM/SIGINT and at exit.
#include <signal.h>

#include <cstdlib>
#include <string>

#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>

#include "ZephraneHelper/HelperListener.hpp"
#include "ZephraneHelper/HelperService.hpp"
#include "platform/codesign/EmbeddedIdentity.hpp"
#include "platform/oslog/OSLog.hpp"
#include "platform/xpc/CodeSignValidator.hpp"
#include "platform/xpc/Listener.hpp"
#include "shared/HelperConstants.hpp"

ZEPHRANE_EMBED_IDENTITY("com.zephrane.Fanwarden", "ZPHRN4B7Q2");
static_assert(zephrane::HelperConstants::teamID == "ZPHRN4B7Q2");
static_assert(zephrane::HelperConstants::daemonLabel == "com.zephrane.Fanwarden");

namespace {

using namespace zephrane;

// Read by the exit handler; set once the service exists. Process-wide
// objects are never destroyed, so no static destructor runs under the
// threads that still use them while the process exits.
helper::HelperService* exitService = nullptr;

void restoreAtExit() {
    if (exitService) exitService->restoreForExit();
}

}  // namespace

int main() {
    const auto& log = oslog::logger("com.zephrane.Fanwarden", "main");

    // Termination signals reach only the signal queue, through asio; block
    // them before any thread exists so every later thread inherits the mask.
    sigset_t termination;
    sigemptyset(&termination);
    sigaddset(&termination, SIGTERM);
    sigaddset(&termination, SIGINT);
    pthread_sigmask(SIG_BLOCK, &termination, nullptr);

    exitService = nullptr;
    std::shared_ptr<SMCKernelBridge> bridge;
    try {
        bridge = SMCKernelBridge::open();
    } catch (const std::exception& e) {
        log.fault(std::string("cannot open AppleSMC: ") + e.what() + " \u2014 exiting");
        std::exit(1);
    }

    auto* service = new std::shared_ptr<helper::HelperService>(helper::HelperService::create(bridge, {}));
    exitService = service->get();
    (*service)->restoreForExit();
    (*service)->startWatchdog();
    std::atexit(restoreAtExit);

    auto* signalQueue = new helper::SerialQueue("com.zephrane.Fanwarden.signal");
    auto* signals = new asio::signal_set(signalQueue->context(), SIGTERM, SIGINT);
    signals->async_wait([&log](const std::error_code& error, int number) {
        if (error) return;
        log.info("received signal " + std::to_string(number) +
                 " \u2014 restoring Apple automatic control and exiting");
        exitService->restoreForExit();
        std::exit(0);  // runs the exit handler: a second restore
    });
    // Only now, with asio's handler in place, may the signals arrive there.
    signalQueue->post([termination] { pthread_sigmask(SIG_UNBLOCK, &termination, nullptr); });

    // The main thread serves the connections.
    auto* io = new asio::io_context(1);
    xpc::ListenerSettings settings;
    settings.validator = xpc::codeSignValidator();
    auto* listener = new xpc::Listener(io->get_executor(), std::string(HelperConstants::machServiceName), settings);
    listener->setDelegate(std::make_shared<helper::HelperListener>(*service));
    listener->resume();

    log.info("Zephrane SMC helper " + std::string(helperBuildVersion) + " started");
    auto guard = asio::make_work_guard(*io);
    for (;;) io->run();
}
