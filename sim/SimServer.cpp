#include "sim/SimServer.hpp"

#include <stdexcept>
#include <system_error>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/iokit/SimulatorProtocol.hpp"
#include "platform/oslog/OSLog.hpp"
#include "shared/OwnSocket.hpp"

namespace zephrane::sim {
namespace {

namespace fs = std::filesystem;
namespace wire = iokit::wire;

constexpr auto kAcceptRetryPause = std::chrono::milliseconds(100);
// Clients trust the shared key table this long past each renewal: a server
// that stops (SIGSTOP, a wedged thread) without retiring it is read from no
// longer than that. (One that dies is seen at once: its sockets hang up.)
// Renewed once a second, on the idle machine's own tick, with half a second
// to spare for a late wake-up: the server then wakes once a second at rest.
constexpr auto kLease = std::chrono::milliseconds(1500);
constexpr auto kLeaseRenewal = std::chrono::seconds(1);
// While the firmware has every fan, nobody reads the machine more often than
// once a second (the app's loop ticks at that pace then), and every request
// brings the machine up to date before it is answered: a faster tick would
// only wake the server.
constexpr auto kFirmwareTick = std::chrono::seconds(1);

const oslog::Logger& log() { return oslog::logger("com.zephrane.sim", "server"); }

constexpr fs::perms kOwnerOnly = fs::perms::owner_read | fs::perms::owner_write;
constexpr fs::perms kEveryone = kOwnerOnly | fs::perms::group_read | fs::perms::group_write |
                                fs::perms::others_read | fs::perms::others_write;

// Root reaches any socket whatever its mode; others need the mode only when
// the policy lets them in.
fs::perms controlSocketMode(const PeerPolicy& controllers) {
    if (controllers.anyone) return kEveryone;
    for (uid_t uid : controllers.uids)
        if (uid != 0 && uid != ::geteuid()) return kEveryone;
    return kOwnerOnly;
}

std::string quoted(const fs::path& path) { return "\"" + path.string() + "\""; }

struct Peer {
    pid_t pid = 0;
    uid_t uid = static_cast<uid_t>(-1);  // unknown: nobody, never a writer
};

Peer peerOf(asio::local::stream_protocol::socket& socket) {
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (::getsockopt(socket.native_handle(), SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) return {};
    return {credentials.pid, credentials.uid};
}

// An exception must not leave a coroutine unseen.
auto reportFailure(std::string what) {
    return [what = std::move(what)](std::exception_ptr failure) {
        if (!failure) return;
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& e) {
            log().fault(what + " failed: " + e.what());
        }
    };
}

}  // namespace

SimServer::SimServer(asio::io_context& io, SimulatedSMC& smc, SimServerOptions options)
    : io_(io),
      smc_(smc),
      options_(std::move(options)),
      smcHandler_(smc, options_.writers),
      hidHandler_(smc),
      registryHandler_(smc),
      controlHandler_(smc),
      timer_(io),
      lastAdvance_(std::chrono::steady_clock::now()) {
    try {
        fs::create_directories(options_.directory);
        listen(Service::smc, wire::kSMCSocketName, kEveryone);
        listen(Service::hid, wire::kHIDSocketName, kEveryone);
        listen(Service::registry, wire::kRegistrySocketName, kEveryone);
        listen(Service::control, wire::kControlSocketName, controlSocketMode(options_.controllers));
    } catch (...) {
        std::error_code ignored;
        for (const Listener& listener : listeners_) fs::remove(listener.path, ignored);
        throw;
    }
    try {
        smc_.shareKeyTable();
        smc_.renewSharedKeyTableLease(kLease);
    } catch (const std::system_error& e) {
        log().error(std::string("cannot share the key table (") + e.what() + "), ignoring: every SMC call goes over " +
                    std::string(wire::kSMCSocketName));
    }
    try {
        smc_.shareRegistryAnswers();
        smc_.renewSharedKeyTableLease(kLease);
    } catch (const std::system_error& e) {
        log().error(std::string("cannot share the registry's answers (") + e.what() +
                    "), ignoring: every question goes over " + std::string(wire::kRegistrySocketName));
    }
    for (Listener& listener : listeners_)
        asio::co_spawn(io_, accept(&listener), reportFailure("accepting on " + listener.name));
    asio::co_spawn(io_, tick(), reportFailure("the machine's clock"));
    log().info("serving machine \"" + smc_.name() + "\" in " + quoted(options_.directory));
}

SimServer::~SimServer() { stop(); }

void SimServer::listen(Service service, std::string_view name, fs::perms mode) {
    const fs::path path = options_.directory / name;
    // Only in a directory nobody else may change, never over what is at the
    // path but a dead server's socket, and with its mode from its creation.
    const OwnSocket made = listenAtOwnPath(path.string(), static_cast<mode_t>(mode));
    asio::local::stream_protocol::acceptor acceptor(io_, asio::local::stream_protocol(), made.fd);
    listeners_.push_back(
        {service, std::string(name), path, std::move(acceptor), ConnectionManager(std::string(name), limitsFor(service))});
}

ConnectionLimits SimServer::limitsFor(Service service) {
    switch (service) {
        case Service::smc: return kSMCLimits;
        case Service::hid:
        case Service::registry: return kServiceLimits;
        case Service::control: return kControlLimits;
    }
    return kServiceLimits;
}

// Every request sees the machine as it stands now, however long ago the
// last tick was; a write that takes a fan from the firmware sets the fast
// pace at once.
RequestHandler SimServer::handlerFor(Service service, uid_t peer) {
    switch (service) {
        case Service::smc:
            return [this, client = SMCClient{peer, false}](std::span<const std::uint8_t> payload) mutable {
                catchUp();
                Reply reply = smcHandler_.handle(payload, client);
                if (tickPeriod() < armedPeriod_) timer_.cancel();
                return reply;
            };
        case Service::hid:
            return [this](std::span<const std::uint8_t> payload) {
                catchUp();
                return hidHandler_.handle(payload);
            };
        case Service::registry:
            return [this](std::span<const std::uint8_t> payload) {
                catchUp();
                // A fresh stamp for the client's first look at the answers.
                if (!payload.empty() && payload[0] == wire::kOpShareRegistry) smc_.renewSharedKeyTableLease();
                return registryHandler_.handle(payload);
            };
        case Service::control:
            return [this](std::span<const std::uint8_t> payload) {
                catchUp();
                Reply reply = controlHandler_.handle(payload);
                if (tickPeriod() < armedPeriod_) timer_.cancel();
                return reply;
            };
    }
    return [](std::span<const std::uint8_t>) { return Reply::close(); };
}

std::chrono::steady_clock::duration SimServer::tickPeriod() const {
    const std::chrono::steady_clock::duration tick = options_.tick;
    return smc_.firmwareHasEveryFan() ? std::max<std::chrono::steady_clock::duration>(tick, kFirmwareTick) : tick;
}

void SimServer::catchUp() {
    const auto now = std::chrono::steady_clock::now();
    if (now <= lastAdvance_) return;
    smc_.advance(now - lastAdvance_);
    lastAdvance_ = now;
}

asio::awaitable<void> SimServer::accept(Listener* listener) {
    while (!stopped_) {
        asio::error_code error;
        auto socket = co_await listener->acceptor.async_accept(asio::redirect_error(asio::use_awaitable, error));
        if (stopped_) co_return;
        if (error) {
            // Out of descriptors, most likely; the clients holding them will go.
            log().error("accepting on " + listener->name + " failed: " + error.message() + ", retrying");
            asio::steady_timer pause(io_, kAcceptRetryPause);
            co_await pause.async_wait(asio::redirect_error(asio::use_awaitable, error));
            continue;
        }
        const Peer peer = peerOf(socket);
        if (!admitted(*listener, peer.uid)) {
            asio::error_code ignored;
            socket.close(ignored);
            continue;
        }
        std::string description = listener->name + " client (pid " + std::to_string(peer.pid) + ", uid " +
                                  std::to_string(static_cast<long>(peer.uid)) + ")";
        listener->connections.start(
            std::make_shared<Connection>(std::move(socket), handlerFor(listener->service, peer.uid),
                                         listener->connections, std::move(description), options_.frameTimeout),
            peer.uid);
    }
}

bool SimServer::admitted(const Listener& listener, uid_t peer) {
    if (listener.service != Service::control || peer == 0 || options_.controllers.allows(peer)) return true;
    if (refusedControllers_.insert(peer).second)
        log().info("refusing " + listener.name + " clients of uid " + std::to_string(static_cast<long>(peer)) +
                   ": not allowed to control the machine (--allow-control)");
    return false;
}

// The machine advances by the time that really passed, so a late tick does
// not slow the simulated clock down, at the fast pace while a client holds a
// fan and once a second while the firmware has them all. The lease is
// renewed on the same timer: on every tick that comes often enough, and on
// wake-ups of its own between slower ticks, so the server wakes no more
// often than either needs. A request that speeds the pace up cancels the
// wait, which is then armed anew.
asio::awaitable<void> SimServer::tick() {
    using Clock = std::chrono::steady_clock;
    auto nextRenewal = Clock::now() + kLeaseRenewal;
    while (!stopped_) {
        armedPeriod_ = tickPeriod();
        timer_.expires_at(std::min(lastAdvance_ + armedPeriod_, nextRenewal));
        asio::error_code cancelled;
        co_await timer_.async_wait(asio::redirect_error(asio::use_awaitable, cancelled));
        if (stopped_) co_return;
        const auto now = Clock::now();
        const auto period = tickPeriod();
        const bool ticked = now >= lastAdvance_ + period;
        if (ticked) catchUp();
        // A renewal due before the next tick is made at this one: it then
        // takes no wake-up of its own.
        const auto early = ticked ? std::min<Clock::duration>(period, kLeaseRenewal) : Clock::duration::zero();
        if (now + early >= nextRenewal) {
            smc_.renewSharedKeyTableLease(kLease);
            nextRenewal = now + kLeaseRenewal;
        }
    }
}

void SimServer::stop() {
    if (stopped_) return;
    stopped_ = true;
    // Clients stop reading the table before their connections close.
    smc_.retireSharedKeyTable();
    std::error_code ignored;
    for (Listener& listener : listeners_) {
        asio::error_code closeError;
        listener.acceptor.close(closeError);
        fs::remove(listener.path, ignored);
    }
    timer_.cancel();
    for (Listener& listener : listeners_) listener.connections.stopAll();
    log().info("stopped serving machine \"" + smc_.name() + "\"");
}

}  // namespace zephrane::sim
