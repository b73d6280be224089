// The I/O Registry and power-sources service of the simulated machine, over
// its IORegistry.sock (SimulatorProtocol.hpp). The questions the simulator
// answers in shared memory (AnswerSegment.hpp, asked for at the first call
// and again once a simulator that shared them has hung up) cost no round
// trip; every other call is one exchange over a connection the object keeps
// (KeptConnection.hpp). It may be used from several threads at once, their
// exchanges taking turns.
//
// Whatever goes wrong (no socket, a refused connection, a simulator that
// stalls past the time-out or closes early, an answer that is not the JSON
// the operation promises) reads as a machine without the thing asked for:
// no services, no entry, no power-source type, no adapter.
#pragma once

#include <chrono>
#include <cstdint>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "platform/iokit/AnswerMapping.hpp"
#include "platform/iokit/IORegistry.hpp"
#include "platform/iokit/KeptConnection.hpp"

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

    // The shared answers, mapped when the simulator shares them: asked for
    // once, and once more after the simulator that shared them hung up.
    std::shared_ptr<const AnswerMapping> answers() const;

    mutable KeptConnection connection_;
    mutable std::mutex answersMutex_;
    mutable std::shared_ptr<const AnswerMapping> answers_;         // guarded by answersMutex_
    mutable std::shared_ptr<const std::atomic<bool>> answersGone_;  // its connection's hang-up, guarded too
    mutable bool askForAnswers_ = true;                            // guarded by answersMutex_
};

// The registry of this process's machine: the simulator's registry socket
// (path from SocketPaths.hpp, read now). Creation never fails.
std::unique_ptr<IORegistry> IORegistryCreate();

}  // namespace zephrane::iokit
