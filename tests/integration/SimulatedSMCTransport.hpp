// The SMC transport over a simulated machine in this process: what
// IOKitSMCTransport does over the simulator's socket, minus the socket, so a
// bridge runs the real SMC layer against a machine profile while the test
// moves the machine's time itself.
//
// The machine's faults come out as the errors the socket path gives:
//   a refused open          the constructor throws SMCError::openFailed(code)
//   a call never answered   SMCError::callFailed(kIOReturnNotResponding),
//   (a hang fault)          thrown at once instead of blocking: over the
//                           socket the call waits until the server goes away
//                           and then reports that same code
//   an answer under 80 bytes  SMCError::callFailed(kIOReturnUnderrun), as the
//                           kernel glue reports a short answer
// There is no peer here, so no writer policy: every write reaches the machine.
#pragma once

#include "sim/SimulatedSMC.hpp"
#include "smc/SMCTransport.hpp"

namespace zephrane::integration {

class SimulatedSMCTransport final : public SMCTransport {
public:
    // `smc` must outlive the transport (and every bridge over it).
    explicit SimulatedSMCTransport(sim::SimulatedSMC& smc);

    // Thread-safe: the machine serialises its calls under its own lock.
    SMCParamStruct call(const SMCParamStruct& request) override;

private:
    sim::SimulatedSMC& smc_;
};

}  // namespace zephrane::integration
