// zephrane-sim: serves one simulated machine on the IOKit stand-in's sockets
// until SIGTERM or SIGINT. Options: SimOptions.hpp.
#include <csignal>
#include <cstdlib>
#include <iostream>

#include <asio.hpp>

#include "platform/iokit/SimulatorProtocol.hpp"
#include "platform/oslog/OSLog.hpp"
#include "sim/HostCpuLoad.hpp"
#include "sim/MachineProfile.hpp"
#include "sim/ScenarioLoad.hpp"
#include "sim/SimOptions.hpp"
#include "sim/SimServer.hpp"
#include "sim/SimulatedSMC.hpp"

int main(int argc, char** argv) {
    using namespace zephrane;
    const oslog::Logger& log = oslog::logger("com.zephrane.sim", "server");
    try {
        const char* dirVariable = std::getenv(std::string(iokit::wire::kDirectoryVariable).c_str());
        const auto options = sim::SimOptions::parse(std::vector<std::string_view>(argv + 1, argv + argc),
                                                    dirVariable ? std::optional<std::string>(dirVariable) : std::nullopt);
        if (options.help) {
            std::cout << sim::usage();
            return EXIT_SUCCESS;
        }
        const auto profile = sim::MachineProfile::load(sim::resolveMachine(options.machine, sim::builtInMachineDirs()));
        sim::SimulatedSMC smc(profile, options.loadScenario ? sim::ScenarioLoad::load(*options.loadScenario).source()
                                                            : sim::HostCpuLoad::source());

        // This thread is the only one, so nothing else can take the
        // termination signals: they arrive here through the signal set.
        asio::io_context io(1);
        asio::signal_set signals(io, SIGINT, SIGTERM);
        sim::SimServerOptions serving;
        serving.directory = options.directory;
        serving.writers = options.writers;
        serving.controllers = options.controllers;
        serving.tick = options.tick;
        sim::SimServer server(io, smc, serving);
        signals.async_wait([&](const asio::error_code& error, int signal) {
            if (error) return;
            log.info(std::string("received ") + (signal == SIGTERM ? "SIGTERM" : "SIGINT") + ", stopping");
            server.stop();
        });
        io.run();
        return EXIT_SUCCESS;
    } catch (const sim::OptionsError& e) {
        std::cerr << "zephrane-sim: " << e.what() << "\n" << sim::usage();
        return 2;
    } catch (const std::exception& e) {
        log.fault(std::string("zephrane-sim cannot run: ") + e.what());
        return EXIT_FAILURE;
    }
}
