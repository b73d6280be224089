// The I/O Registry and power-sources service of the simulated machine, over
// its IORegistry.sock (SimulatorProtocol.hpp). Each call is one connection
// and one exchange, so the object holds no connection state and may be used
// from several threads at once.
//
// Whatever goes wrong (no socket, a refused connection, a simulator that
// stalls past the time-out or closes early, an answer that is not the JSON
// the operation promises) reads as a machine without the thing asked for:
// no services, no entry, no power-source type, no adapter.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/iokit/IORegistry.hpp"

namespace zephrane::iokit {

class SocketIORegistry final : public IORegistry {
public:
    // A stalled simulator costs one reading its neutral values, never a
    // blocked monitor.
    static constexpr std::chrono::milliseconds kDefaultTimeout{2000};

    explicit SocketIORegistry(std::string socketPath, std::chrono::milliseconds timeout = kDefaultTimeout);

    std::vector<RegistryProperties> matchingServices(std::string_view className) override;
    std::optional<RegistryProperties> entryAtPath(std::string_view path) override;
    std::optional<std::string> providingPowerSourceType() override;
    std::optional<nlohmann::json> externalPowerAdapterDetails() override;

private:
    // The answer to one request, parsed; nothing on any failure.
    std::optional<nlohmann::json> exchange(std::uint8_t operation, std::string_view argument) const;

    std::string socketPath_;
    std::chrono::milliseconds timeout_;
};

// The registry of this process's machine: the simulator's registry socket
// (path from SocketPaths.hpp, read now). Creation never fails.
std::unique_ptr<IORegistry> IORegistryCreate();

}  // namespace zephrane::iokit
