// The HID event system of a simulated machine in this process: the services
// SimulatedSMC::hidServices() lists, asked for anew on every copyServices()
// so readings follow the thermal model, described as the socket client
// describes the simulator's answer (the temperature usage pair on every
// service, "Product" with whatever JSON type the profile gave it) and
// filtered by the matching the same way.
#pragma once

#include <mutex>

#include "platform/iokit/HIDEventSystemClient.hpp"
#include "sim/SimulatedSMC.hpp"

namespace zephrane::integration {

class SimulatedHIDEventSystemClient final : public iokit::HIDEventSystemClient {
public:
    // `smc` must outlive the client.
    explicit SimulatedHIDEventSystemClient(const sim::SimulatedSMC& smc) : smc_(smc) {}

    void setMatching(iokit::HIDMatching matching) override;
    std::optional<std::vector<std::shared_ptr<iokit::HIDServiceClient>>> copyServices() override;

private:
    const sim::SimulatedSMC& smc_;
    std::mutex mutex_;
    iokit::HIDMatching matching_;  // guarded by mutex_
};

}  // namespace zephrane::integration
