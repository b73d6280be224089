// Answers control.sock: one JSON command per request, one JSON answer
// ({"ok": true, ...} or {"ok": false, "error": text}); the commands are
// listed in SimServer.hpp. A request that is not a valid command gets an
// error answer and the connection stays open. Every fault set is logged.
#pragma once

#include <span>

#include "shared/JsonCoding.hpp"
#include "sim/Reply.hpp"
#include "sim/SimulatedSMC.hpp"

namespace zephrane::sim {

class ControlRequestHandler {
public:
    explicit ControlRequestHandler(SimulatedSMC& smc) : smc_(smc) {}

    Reply handle(std::span<const std::uint8_t> payload) const;
    // The same on parsed JSON, for callers that have it.
    Json handleCommand(const Json& command) const;

private:
    Json apply(const json::ObjectReader& command, const std::string& name) const;

    SimulatedSMC& smc_;
};

}  // namespace zephrane::sim
