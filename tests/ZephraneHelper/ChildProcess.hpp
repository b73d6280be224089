// A program the end-to-end tests start and must never leave behind: the
// destructor SIGKILLs and reaps it unless it was already reaped, so a failed
// assertion that returns early still cleans up. The child also dies with the
// thread that started it (PR_SET_PDEATHSIG), which covers a test process
// that crashes or is killed by a time-out before any destructor runs.
//
// The child gets no descriptor of ours beyond its stdin (/dev/null), its
// stdout and stderr (appended to one file) and, when asked, one descriptor 3
// (a listening socket, as a service manager hands it over), so a socket the
// test holds can never be kept open by a child that inherited it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zephrane::helper::testing {

struct ProcessSpec {
    std::string program;
    std::vector<std::string> arguments;              // without the program name
    std::vector<std::string> environment;            // NAME=VALUE, added to (or replacing) ours
    std::filesystem::path output = "/dev/null";      // stdout and stderr, appended
    int descriptor3 = -1;                            // handed to the child as its descriptor 3
};

class ChildProcess {
public:
    explicit ChildProcess(const ProcessSpec& spec);  // throws std::system_error
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    void signal(int number) const;

    // The wait status once the child has exited, or none if it is still
    // running after `limit`.
    std::optional<int> waitForExit(std::chrono::milliseconds limit);
    bool hasExited();
    // SIGKILL and reap; nothing when it is gone already.
    void kill();

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// Exit code of a wait status, or none when the child did not exit normally.
std::optional<int> exitCode(int waitStatus);

}  // namespace zephrane::helper::testing
