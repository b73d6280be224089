// Answers IORegistry.sock (platform/iokit/SimulatorProtocol.hpp): the
// machine's registry services by class, the entry at a path, the providing
// power source type and the adapter's details, each as one JSON text, and
// the request for the shared answers with their descriptor. An unknown
// operation or an empty payload closes the connection.
#pragma once

#include <span>

#include "sim/Reply.hpp"
#include "sim/SimulatedSMC.hpp"

namespace zephrane::sim {

class RegistryRequestHandler {
public:
    explicit RegistryRequestHandler(const SimulatedSMC& smc) : smc_(smc) {}

    Reply handle(std::span<const std::uint8_t> payload) const;

private:
    const SimulatedSMC& smc_;
};

}  // namespace zephrane::sim
