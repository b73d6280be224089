// The process table as the heat sampler sees it: every process identifier,
// each process's accumulated CPU time, its executable path and its short
// name. On Linux this is /proc; tests use FakeProcessTable.
//
// Every read may fail for one process (it exited, or belongs to another user
// and hides its executable) without failing the others: a failed read is an
// empty optional, never an exception.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zephrane::proc {

using Pid = std::int32_t;

// Counters since the process started, in nanoseconds; they only grow while
// the identifier names the same process.
struct CPUTimes {
    std::uint64_t userNanoseconds = 0;
    std::uint64_t systemNanoseconds = 0;

    friend bool operator==(const CPUTimes&, const CPUTimes&) = default;
};

class ProcessTable {
public:
    virtual ~ProcessTable() = default;

    // All identifiers currently listed, in the table's own order.
    virtual std::vector<Pid> allPids() = 0;
    virtual std::optional<CPUTimes> cpuTimes(Pid pid) = 0;
    // Absolute path of the running executable.
    virtual std::optional<std::string> executablePath(Pid pid) = 0;
    // The kernel's short process name (at most 15 characters on Linux).
    virtual std::optional<std::string> shortName(Pid pid) = 0;
};

}  // namespace zephrane::proc
