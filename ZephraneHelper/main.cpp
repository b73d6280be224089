// com.zephrane.Fanwarden: the privileged daemon. Started on demand for its
// service socket; takes no arguments. Hands the fans back to automatic
// control at start, on a lost heartbeat, when the controlling app goes away,
// on SIGTERM/SIGINT, when its SMC connection is lost (then exiting with
// status 1) and at exit.
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <atomic>
#include <cstdlib>
#include <optional>
#include <string>

#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>

#include "ZephraneHelper/HelperListener.hpp"
#include "ZephraneHelper/HelperService.hpp"
#include "platform/codesign/EmbeddedIdentity.hpp"
#include "platform/oslog/OSLog.hpp"
#include "platform/xpc/CodeSignValidator.hpp"
#include "platform/xpc/Listener.hpp"
#include "platform/xpc/SocketActivation.hpp"
#include "shared/HelperConstants.hpp"

ZEPHRANE_EMBED_IDENTITY("com.zephrane.Fanwarden", "ZPHRN4B7Q2");
static_assert(zephrane::HelperConstants::teamID == "ZPHRN4B7Q2");
static_assert(zephrane::HelperConstants::daemonLabel == "com.zephrane.Fanwarden");

// The process-wide objects other than the exit handler's service, held here
// (plain pointers, nothing to destroy) so they stay reachable for the life of
// the process: a leak checker run at exit sees them as held, not lost, once
// main() no longer keeps them on its stack. Outside the anonymous namespace
// so the stores are not optimised away as never read.
namespace zephrane::helper {
struct DaemonObjects {
    std::shared_ptr<HelperService>* service = nullptr;
    SerialQueue* signalQueue = nullptr;
    asio::signal_set* signals = nullptr;
    asio::io_context* io = nullptr;
    xpc::Listener* listener = nullptr;
};
DaemonObjects daemonObjects;
}  // namespace zephrane::helper

namespace {

using namespace zephrane;

// Read by the exit handler; set once the service exists. Process-wide
// objects are never destroyed, so no static destructor runs under the
// threads that still use them while the process exits.
helper::HelperService* exitService = nullptr;
// Set once it serves; read by the signal handler, on another thread.
std::atomic<xpc::Listener*> exitListener{nullptr};

void restoreAtExit() {
    if (exitService) exitService->restoreForExit();
}

// However the daemon was started, it may keep as many connections as its
// hard descriptor limit allows (the systemd unit sets one with room to spare).
void raiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
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
    raiseDescriptorLimit();

    // Taken while this is the only thread: taking it edits the environment.
    const std::optional<int> activated = xpc::takeActivatedSocket();
    if (activated) {
        // A connection carries the credentials of its listener's last
        // listen(), so as handed over it names the service manager that made
        // the socket, and the app's peer check would find that program
        // instead of this one. Listening again puts this process there for
        // every connection from now on.
        ::listen(*activated, SOMAXCONN);
    }

    exitService = nullptr;
    std::shared_ptr<SMCKernelBridge> bridge;
    try {
        bridge = SMCKernelBridge::open();
    } catch (const std::exception& e) {
        log.fault(std::string("cannot open AppleSMC: ") + e.what() + " \u2014 exiting");
        std::exit(1);
    }

    helper::HelperService::Options options;
    // The fans are back with the firmware by then; a fresh daemon, started
    // for the next connection, meets the SMC as it is now. Exiting runs the
    // exit handler: one more restore.
    options.smcConnectionLost = [] { std::exit(EXIT_FAILURE); };
    auto* service = helper::daemonObjects.service =
        new std::shared_ptr<helper::HelperService>(helper::HelperService::create(bridge, std::move(options)));
    exitService = service->get();
    (*service)->restoreForExit();
    (*service)->startWatchdog();
    std::atexit(restoreAtExit);

    auto* signalQueue = helper::daemonObjects.signalQueue = new helper::SerialQueue("com.zephrane.Fanwarden.signal");
    auto* signals = helper::daemonObjects.signals = new asio::signal_set(signalQueue->context(), SIGTERM, SIGINT);
    signals->async_wait([&log](const std::error_code& error, int number) {
        if (error) return;
        log.info("received signal " + std::to_string(number) +
                 " \u2014 restoring Apple automatic control and exiting");
        // No new connection from here on; the socket file goes if we made it.
        if (auto* listener = exitListener.load()) listener->invalidate();
        exitService->restoreForExit();
        std::exit(0);  // runs the exit handler: a second restore
    });
    // Only now, with asio's handler in place, may the signals arrive there.
    signalQueue->post([termination] { pthread_sigmask(SIG_UNBLOCK, &termination, nullptr); });

    // The main thread serves the connections.
    auto* io = helper::daemonObjects.io = new asio::io_context(1);
    xpc::ListenerSettings settings;
    settings.validator = xpc::codeSignValidator();
    settings.listeningSocket = activated;
    auto* listener = helper::daemonObjects.listener =
        new xpc::Listener(io->get_executor(), std::string(HelperConstants::machServiceName), settings);
    listener->setDelegate(std::make_shared<helper::HelperListener>(*service));
    try {
        listener->resume();
    } catch (const std::exception& e) {
        // The fans were handed back at start; the exit handler does it again.
        log.fault(std::string("cannot listen for connections: ") + e.what() + " \u2014 exiting");
        std::exit(1);
    }
    exitListener = listener;

    log.info("Zephrane SMC helper " + std::string(helperBuildVersion) + " started");
    auto guard = asio::make_work_guard(*io);
    for (;;) io->run();
}
