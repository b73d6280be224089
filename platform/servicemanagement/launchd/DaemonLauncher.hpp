// Starting a daemon the way launchd does for a Mach service: the listening
// sockets handed over as descriptors 3, 4, ... with LISTEN_FDS, LISTEN_PID
// and LISTEN_FDNAMES, standard input from /dev/null, standard output and
// error shared with zephrane-launchd (so its log lands in the same journal),
// a session of its own and a clean signal state.
//
// The program is opened first and that very file is executed (fexecve), after
// checking that it is the approved path and passes the trust check, so a file
// swapped in between check and start is never run. The daemon gets SIGTERM
// if zephrane-launchd dies, rather than outliving the manager that would
// restart and stop it.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/servicemanagement/ProgramTrust.hpp"

namespace zephrane::servicemanagement {

struct LaunchRequest {
    std::filesystem::path program;
    std::vector<int> sockets;              // become descriptors 3, 4, ...
    std::vector<std::string> socketNames;  // LISTEN_FDNAMES, one per socket
    std::vector<std::string> environment;  // NAME=VALUE; the LISTEN_ variables are added
};

struct LaunchedDaemon {
    pid_t pid = -1;
    int pidfd = -1;  // readable once the daemon has exited; the caller closes it
};

class LaunchRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws LaunchRefused when the program fails the check, std::system_error
// when the system cannot start it.
LaunchedDaemon launchDaemon(const LaunchRequest& request, const TrustPolicy& policy);

// Signals the daemon through its pidfd, which cannot reach a stranger that
// inherited a recycled pid. False with errno set on failure.
bool signalDaemon(int pidfd, int signal);

// This process's environment without LISTEN_* and with `overrides` applied.
std::vector<std::string> daemonEnvironment(const std::vector<std::string>& overrides);

}  // namespace zephrane::servicemanagement
