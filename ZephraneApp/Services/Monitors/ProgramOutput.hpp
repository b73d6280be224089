// Runs a helper program to completion and collects what it prints, with a
// deadline: the app asks outside programs (the system profiler) for facts it
// cannot read itself, and such a program may hang. Past the deadline the
// program and everything it started in its process group are killed and the
// program is reaped, so a hung run leaves no process, zombie or descriptor
// behind.
//
// The program gets /dev/null as stdin and stderr, a pipe as stdout, its own
// process group, default signal handling with nothing blocked, and no other
// descriptor of ours. Blocking: run it off the GUI thread. A stop request
// ends the run as the deadline does, so an owner that goes away need not
// wait for the program.
#pragma once

#include <chrono>
#include <cstddef>
#include <stop_token>
#include <string>
#include <vector>

namespace zephrane {

struct ProgramOutput {
    enum class Outcome {
        exited,          // it ended by itself; see waitStatus
        launchFailed,    // it never ran
        timedOut,        // killed at the deadline
        outputTooLarge,  // killed once it printed more than the limit
        cancelled,       // killed when a stop was requested
    };

    Outcome outcome = Outcome::launchFailed;
    int waitStatus = 0;  // as waitpid reports it, for `exited`
    std::string output;  // stdout, as far as it was read

    // Ended by itself with exit status 0.
    bool succeeded() const;
};

struct ProgramLimits {
    std::chrono::milliseconds timeout{20000};  // from launch to exit
    std::size_t maxOutput = 1024 * 1024;       // bytes of stdout
};

// Runs `path` with `arguments` (without the program name). The whole of
// stdout is read before the exit status is taken; both must come within the
// time-out, and before `stop` is requested.
ProgramOutput runProgram(const std::string& path, const std::vector<std::string>& arguments, ProgramLimits limits,
                         std::stop_token stop = {});

}  // namespace zephrane
