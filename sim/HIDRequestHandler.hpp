// Answers HID.sock: kOpCopyServices (the whole payload) -> the machine's HID
// temperature services as a JSON array, one object per service:
// {"Product": ..., "temperature": degrees C}, each member left out when the
// service has none. Anything else closes the connection.
#pragma once

#include <span>

#include "sim/Reply.hpp"
#include "sim/SimulatedSMC.hpp"

namespace zephrane::sim {

class HIDRequestHandler {
public:
    explicit HIDRequestHandler(const SimulatedSMC& smc) : smc_(smc) {}

    Reply handle(std::span<const std::uint8_t> payload) const;

private:
    const SimulatedSMC& smc_;
};

}  // namespace zephrane::sim
