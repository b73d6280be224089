// A simulator server for tests: a machine served on its own io thread in a
// fresh temporary directory, everyone a writer and a controller unless the
// test says otherwise, stopped and cleaned up when the object goes.
#pragma once

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <thread>

#include <asio.hpp>

#include "platform/iokit/SimulatorProtocol.hpp"
#include "sim/SimServer.hpp"
#include "sim/SimulatedSMC.hpp"
#include "tests/sim/SimFixtures.hpp"

namespace zephrane::sim::testing {

inline std::filesystem::path makeTempDir() {
    char pattern[] = "/tmp/zsim-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

// What a test server starts from; `directory` empty means a fresh one.
inline SimServerOptions testServerOptions() {
    SimServerOptions options;
    options.writers = PeerPolicy::everyone();
    options.controllers = PeerPolicy::everyone();
    options.tick = std::chrono::milliseconds(20);
    return options;
}

class RunningServer {
public:
    explicit RunningServer(SimServerOptions options = testServerOptions(), const MachineProfile& profile = fixtureProfile(),
                           LoadSource load = constantLoad(0))
        : options_(withDirectory(std::move(options))),
          smc_(profile, std::move(load)),
          server_(io_, smc_, options_),
          thread_([this] { io_.run(); }) {}
    ~RunningServer() {
        stop();
        std::error_code ignored;
        std::filesystem::remove_all(options_.directory, ignored);
    }
    RunningServer(const RunningServer&) = delete;
    RunningServer& operator=(const RunningServer&) = delete;

    void stop() {
        if (!thread_.joinable()) return;
        asio::post(io_, [this] { server_.stop(); });
        thread_.join();
    }

    std::filesystem::path smcSocket() const { return dir() / iokit::wire::kSMCSocketName; }
    std::filesystem::path hidSocket() const { return dir() / iokit::wire::kHIDSocketName; }
    std::filesystem::path registrySocket() const { return dir() / iokit::wire::kRegistrySocketName; }
    std::filesystem::path controlSocket() const { return dir() / iokit::wire::kControlSocketName; }
    const std::filesystem::path& dir() const { return options_.directory; }
    SimulatedSMC& smc() { return smc_; }
    asio::io_context& io() { return io_; }

private:
    static SimServerOptions withDirectory(SimServerOptions options) {
        if (options.directory.empty()) options.directory = makeTempDir();
        return options;
    }

    SimServerOptions options_;
    asio::io_context io_;
    SimulatedSMC smc_;
    SimServer server_;
    std::thread thread_;
};

}  // namespace zephrane::sim::testing
