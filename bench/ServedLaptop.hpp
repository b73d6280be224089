// The two-fan laptop served on the simulator's sockets from a thread of its
// own, in a temporary directory, with this process's IOKit stand-ins (SMC,
// HID, registry) pointed at it: the path both programs take on Linux, for
// the benchmarks that time a call over the socket.
#pragma once

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

#include <asio.hpp>

#include "platform/iokit/SimulatorProtocol.hpp"
#include "sim/MachineProfile.hpp"
#include "sim/SimOptions.hpp"
#include "sim/SimServer.hpp"
#include "sim/SimulatedSMC.hpp"

namespace zephrane::bench {

inline const sim::MachineProfile& twoFanLaptop() {
    static const auto* profile = new sim::MachineProfile(
        sim::MachineProfile::load(sim::resolveMachine("two-fan-laptop", sim::builtInMachineDirs())));
    return *profile;
}

class ServedLaptop {
public:
    ServedLaptop()
        : dir_(makeTempDir()),
          smc_(twoFanLaptop(), sim::constantLoad(0.2)),
          server_(io_, smc_, serverOptions(dir_)),
          thread_([this] { io_.run(); }) {
        point(iokit::wire::kSMCSocketVariable, iokit::wire::kSMCSocketName);
        point(iokit::wire::kHIDSocketVariable, iokit::wire::kHIDSocketName);
        point(iokit::wire::kRegistrySocketVariable, iokit::wire::kRegistrySocketName);
    }
    ~ServedLaptop() {
        asio::post(io_, [this] { server_.stop(); });
        thread_.join();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    ServedLaptop(const ServedLaptop&) = delete;
    ServedLaptop& operator=(const ServedLaptop&) = delete;

    std::string registrySocket() const { return (dir_ / iokit::wire::kRegistrySocketName).string(); }

private:
    static std::filesystem::path makeTempDir() {
        char pattern[] = "/tmp/zsim-bench-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
        return pattern;
    }
    static sim::SimServerOptions serverOptions(const std::filesystem::path& dir) {
        sim::SimServerOptions options;
        options.directory = dir;
        return options;
    }
    void point(std::string_view variable, std::string_view socket) const {
        ::setenv(std::string(variable).c_str(), (dir_ / socket).c_str(), 1);
    }

    std::filesystem::path dir_;
    asio::io_context io_;
    sim::SimulatedSMC smc_;
    sim::SimServer server_;
    std::thread thread_;
};

}  // namespace zephrane::bench
