// The daemon as the end-to-end tests run it: the real executable in a child
// process, pointed at a temporary directory for both the simulated machine
// and its own service socket, its log (stderr) in a file the tests read back.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ChildProcess.hpp"
#include "DescriptorTable.hpp"

namespace zephrane::helper::testing {

// Where the daemon and the tools the tests start it through live.
struct DaemonLaunch {
    std::filesystem::path program;      // the daemon itself
    std::filesystem::path directory;    // $ZEPHRANE_SIM_DIR and $ZEPHRANE_XPC_DIR
    // When set, the daemon is started by systemd-socket-activate at this
    // path, which holds the service socket and execs the daemon on the
    // first connection.
    std::optional<std::filesystem::path> socketActivator;
    // When set, a listening socket someone else made, handed to the daemon
    // the way systemd hands over the socket of a .socket unit.
    std::optional<int> inheritedListener;
    std::string logName = "daemon.log";  // in `directory`
};

class DaemonProcess {
public:
    explicit DaemonProcess(const DaemonLaunch& launch);

    pid_t pid() const { return process_.pid(); }
    ChildProcess& process() { return process_; }
    std::filesystem::path socketPath() const;
    const std::filesystem::path& logPath() const { return logPath_; }

    // Once "started" is logged and the service socket takes connections;
    // false when the daemon exited or never got there.
    bool waitUntilServing();

    // The messages of the log so far, without time stamp, level and logger.
    std::vector<std::string> logMessages() const;
    std::size_t countLog(std::string_view message) const;
    bool waitForLog(std::string_view message, std::chrono::milliseconds limit = std::chrono::seconds(20)) const;
    // The whole log, for failure messages.
    std::string logText() const;

    // Its open descriptors (DescriptorTable.hpp); none once it is gone.
    std::optional<test::DescriptorTable> descriptors() const { return test::descriptorTable(pid()); }

private:
    std::filesystem::path directory_;
    std::filesystem::path logPath_;
    ChildProcess process_;
};

}  // namespace zephrane::helper::testing
