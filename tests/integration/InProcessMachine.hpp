// A built-in machine in this process with a bridge on it, for the tests that
// join the SMC layer to the simulated machine without sockets. The load is
// fixed at 0 unless a test overrides it, so every reading starts at the
// profile's idle values and moves only when the test advances time.
#pragma once

#include <memory>
#include <string_view>

#include "sim/SimulatedSMC.hpp"
#include "smc/SMCKernelBridge.hpp"
#include "tests/integration/SimulatedSMCTransport.hpp"
#include "tests/sim/SimFixtures.hpp"

namespace zephrane::integration {

struct InProcessMachine {
    explicit InProcessMachine(std::string_view profile) : InProcessMachine(sim::testing::builtInProfile(profile)) {}
    explicit InProcessMachine(const sim::MachineProfile& profile)
        : smc(profile, sim::constantLoad(0)),
          bridge(std::make_shared<SMCKernelBridge>(std::make_unique<SimulatedSMCTransport>(smc))) {}

    void advanceSeconds(double seconds) { smc.advance(sim::fromSeconds(seconds)); }

    sim::SimulatedSMC smc;
    std::shared_ptr<SMCKernelBridge> bridge;
};

inline constexpr std::string_view kMachineNames[] = {"two-fan-laptop", "one-fan-desktop", "fanless-laptop"};

}  // namespace zephrane::integration
