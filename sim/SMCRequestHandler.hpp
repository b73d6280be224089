// Maps one AppleSMC.sock request (SimulatorProtocol.hpp) to its answer. The
// input comes from any local process and is hostile until checked: the
// operation byte, the payload length, the open state, the selector and the
// peer's right to write are all checked before the record reaches the SMC.
//
//   kOpOpen, u32 BE type 0      -> i32 BE code (a refuse-opens fault's code);
//                                  a success carries the shared key table's
//                                  descriptor when the table is shared
//   kOpOpen, other type/length  -> kIOReturnBadArgument
//   kOpCall before an open      -> kIOReturnNotOpen
//   kOpCall, not 4 + 80 bytes   -> kIOReturnBadArgument
//   kOpCall, selector other than 2 -> kIOReturnUnsupported
//   kOpCall, write by a peer the PeerPolicy refuses -> kIOReturnNotPrivileged
//   kOpCall                     -> kIOReturnSuccess + the answer record
//                                  (short after a fault), or no answer at all
//                                  for a hung call
//   empty payload, other op     -> close
#pragma once

#include <span>
#include <sys/types.h>

#include "sim/Reply.hpp"
#include "sim/SimulatedSMC.hpp"
#include "sim/PeerPolicy.hpp"

namespace zephrane::sim {

// What the server knows about one SMC client.
struct SMCClient {
    uid_t uid = static_cast<uid_t>(-1);
    bool opened = false;
};

class SMCRequestHandler {
public:
    SMCRequestHandler(SimulatedSMC& smc, PeerPolicy writers) : smc_(smc), writers_(std::move(writers)) {}

    Reply handle(std::span<const std::uint8_t> payload, SMCClient& client) const;

private:
    SimulatedSMC& smc_;
    PeerPolicy writers_;
};

}  // namespace zephrane::sim
