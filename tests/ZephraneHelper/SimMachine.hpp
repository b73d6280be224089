// The simulated two-fan laptop as the end-to-end tests see it: a zephrane-sim
// process serving one temporary directory, its control socket for reading
// keys back and injecting faults, and privileged SMC connections of the
// test's own (what an earlier daemon run, or another root program, could
// have done to the fans).
#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <string_view>

#include "ChildProcess.hpp"
#include "platform/iokit/FrameSocket.hpp"
#include "shared/JsonCoding.hpp"
#include "smc/SMCKernelBridge.hpp"

namespace zephrane::helper::testing {

class SimMachine {
public:
    // Starts the simulator writing its sockets (and "sim.log") into
    // `directory`, root the only writer; returns once it serves. Throws
    // std::runtime_error when it does not come up.
    SimMachine(const std::filesystem::path& program, const std::filesystem::path& directory);

    const std::filesystem::path& directory() const { return directory_; }
    pid_t pid() const { return process_.pid(); }

    // One control-socket command; the answer, which has "ok": false for a
    // refused command. Throws std::runtime_error when the socket fails.
    Json control(const Json& command);
    // A key's decoded value as the simulated SMC holds it now.
    double value(std::string_view key);
    void hang(std::string_view key);

    int fanCount() const { return fanCount_; }
    // Every fan in mode 0 and "Ftst" 0: the firmware has the fans.
    bool automatic();
    // Every fan in mode 1.
    bool allManual();

    // A root SMC connection of the test's own, through the simulator's
    // AppleSMC socket.
    std::shared_ptr<SMCKernelBridge> openBridge() const;

private:
    std::filesystem::path directory_;
    ChildProcess process_;
    std::mutex controlLock_;
    iokit::FrameSocket control_;
    int fanCount_ = 0;
};

}  // namespace zephrane::helper::testing
