// Serves one simulated machine on the four sockets of the IOKit stand-in's
// wire (platform/iokit/SimulatorProtocol.hpp) in one directory, and advances
// the machine's time from a timer (SimServerOptions::tick while a client
// holds a fan, once a second while the firmware has them all) and before
// every request. Everything runs on the io_context's one
// thread; a hung SMC call leaves only its own connection waiting.
//
// Sockets are created mode 0666 so unprivileged readers can connect; writes
// are checked per peer by the writers' PeerPolicy (a refused write answers
// kIOReturnNotPrivileged). control.sock is root's and the controllers' only:
// mode 0600 unless the controllers take in other users, and a peer the
// policy does not admit is closed before a request is read. Stale socket
// files are replaced; a socket that another live server answers on is not,
// and the constructor throws.
//
// The SMC's key table is shared with every client that opens
// AppleSMC.sock (see SimulatedSMC), under a lease the server renews while it
// runs; stopping retires it, so clients see the server go at once.
//
// Since any local user may connect, each socket bounds its own clients
// (kSMCLimits, kServiceLimits, kControlLimits) and each user's share of them,
// the SMC socket keeps room for root beyond its limit, and a client whose
// frame does not arrive whole within the frame time-out is dropped.
//
// control.sock commands (one JSON object per frame; answers
// {"ok": true, ...} or {"ok": false, "error": text}):
//   {"command": "hang", "key": "F0Md"}     calls about the key never answer
//   {"command": "hang"}                    no SMC call answers
//   {"command": "removeKey", "key": "TB0T"} the key vanishes: not found,
//                                          not listed, not counted in "#KEY"
//   {"command": "refuseOpens", "code": N}  opens fail with kernel code N
//                                          (default kIOReturnNotPermitted)
//   {"command": "modeNeverTakes", "fan": 0} F0Md = 1 is refused (0x81) for good
//   {"command": "shortAnswer", "bytes": 79} the next call's answer has that
//                                          many bytes (default 79)
//   {"command": "clearFaults"}             all faults undone, removed keys
//                                          back; hung calls stay unanswered
//   {"command": "setLoad", "load": 0.8}    a fixed load, 0 to 1; "load": null
//                                          goes back to the load source
//   {"command": "setDieTemperature", "celsius": 85}  holds the die there (0 to
//                                          its throttle temperature) and moves
//                                          every reading that follows it before
//                                          answering; "celsius": null lets it
//                                          follow the load again
//   {"command": "readKey", "key": "F0Ac"}  -> "key", "type", "size", "bytes"
//                                          (hex), "value" (when decodable),
//                                          "readable", "writable"
//   {"command": "status"}                  -> "machine", "elapsedSeconds",
//                                          "load", "dieC", "fans",
//                                          "unansweredCalls" (left hanging
//                                          by a fault, since the start)
//   {"command": "setAdapter", "connected": false}  unplug the power adapter
//                                          (true plugs it back in)
//   {"command": "setBatteryLevel", "percent": 40}  the battery's charge, 0 to 100
//   {"command": "drainBattery", "percent": 10}  takes that many points off the
//                                          charge, not below 0
//   {"command": "setLid", "closed": true}  closes the lid (false opens it)
// The power commands fail on a machine without the part (a desktop has no
// battery, adapter or lid).
#pragma once

#include <chrono>
#include <filesystem>
#include <list>
#include <set>
#include <string>

#include <asio.hpp>

#include "sim/ConnectionManager.hpp"
#include "sim/ControlRequestHandler.hpp"
#include "sim/HIDRequestHandler.hpp"
#include "sim/RegistryRequestHandler.hpp"
#include "sim/SMCRequestHandler.hpp"
#include "sim/SimulatedSMC.hpp"
#include "sim/PeerPolicy.hpp"

namespace zephrane::sim {

struct SimServerOptions {
    std::filesystem::path directory;
    PeerPolicy writers;
    PeerPolicy controllers;  // who besides root may use control.sock
    std::chrono::milliseconds tick{100};  // how often the machine's time advances while a client holds a fan
    std::chrono::milliseconds frameTimeout{5000};  // from a frame's first byte to its last
};

class SimServer {
public:
    // Together well below the usual 1024 descriptors of a process, so the
    // limits, not the descriptor table, decide who is refused. One user
    // other than root may hold a quarter of a socket's places, as with the
    // daemon, so that three others still find room however one behaves.
    static constexpr ConnectionLimits kSMCLimits{256, 16, 64};
    static constexpr ConnectionLimits kServiceLimits{256, 0, 64};  // HID.sock, IORegistry.sock
    static constexpr ConnectionLimits kControlLimits{16, 0, 4};

    // Creates the directory and binds the sockets; throws std::runtime_error
    // (or std::system_error) when it cannot.
    SimServer(asio::io_context& io, SimulatedSMC& smc, SimServerOptions options);
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Closes the sockets and every connection, stops the timer and removes
    // the socket files; io_context::run then returns. Call on the server's
    // thread; a second call does nothing.
    void stop();

    std::filesystem::path socketPath(std::string_view name) const { return options_.directory / name; }

private:
    enum class Service { smc, hid, registry, control };
    struct Listener {
        Service service;
        std::string name;
        std::filesystem::path path;
        asio::local::stream_protocol::acceptor acceptor;
        ConnectionManager connections;
    };

    void listen(Service service, std::string_view name, std::filesystem::perms mode);
    bool admitted(const Listener& listener, uid_t peer);
    static ConnectionLimits limitsFor(Service service);
    RequestHandler handlerFor(Service service, uid_t peer);
    asio::awaitable<void> accept(Listener* listener);
    asio::awaitable<void> tick();
    // How often the machine's time advances now; brings it up to date.
    std::chrono::steady_clock::duration tickPeriod() const;
    void catchUp();

    asio::io_context& io_;
    SimulatedSMC& smc_;
    SimServerOptions options_;
    SMCRequestHandler smcHandler_;
    HIDRequestHandler hidHandler_;
    RegistryRequestHandler registryHandler_;
    ControlRequestHandler controlHandler_;
    std::list<Listener> listeners_;  // stable addresses for the accept loops
    asio::steady_timer timer_;  // the machine's clock and the key table's lease
    std::chrono::steady_clock::time_point lastAdvance_{};
    std::chrono::steady_clock::duration armedPeriod_{};  // the pace the timer was armed for
    bool stopped_ = false;
    std::set<uid_t> refusedControllers_;  // each told once in the log
};

}  // namespace zephrane::sim
