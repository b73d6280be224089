// One pass over /proc that turns the user's processes into applications, and
// the difference between two passes. Plain functions so the scanner thread,
// tests and benchmarks all run the same code.
//
// The rule: a process belongs to the user when its /proc entry is owned by
// the user's id (the kernel gives the entry the process's effective user).
// Its application is the executable it runs, read from the exe link, so
// every process of one executable is one application, found at the
// position of its lowest process id. Processes without a readable
// executable (kernel threads, zombies, processes that exited mid-scan) are
// no application. The kernel's short name (comm) is not used: it is cut to
// 15 characters and a program may change it at will.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/workspace/ApplicationIdentifiers.hpp"
#include "platform/workspace/Workspace.hpp"

namespace zephrane::workspace {

std::vector<RunningApplication> scanApplications(const std::string& procRoot, std::uint32_t user,
                                                 const ApplicationIdentifiers& identifiers);

struct ApplicationChanges {
    std::vector<RunningApplication> launched;    // in `after` but not in `before`, in `after`'s order
    std::vector<RunningApplication> terminated;  // in `before` but not in `after`, in `before`'s order

    friend bool operator==(const ApplicationChanges&, const ApplicationChanges&) = default;
};

// Applications are compared by executable path only.
ApplicationChanges diffApplications(const std::vector<RunningApplication>& before,
                                    const std::vector<RunningApplication>& after);

}  // namespace zephrane::workspace
