#pragma once

#include <string>

#include "platform/proc/ProcessTable.hpp"

namespace zephrane::proc {

// The process table read from procfs: /proc/<pid>/stat (utime + stime in
// clock ticks), /proc/<pid>/exe and /proc/<pid>/comm.
class LinuxProcessTable final : public ProcessTable {
public:
    // `procRoot` lets tests point at a prepared tree.
    explicit LinuxProcessTable(std::string procRoot = "/proc");

    std::vector<Pid> allPids() override;
    std::optional<CPUTimes> cpuTimes(Pid pid) override;
    std::optional<std::string> executablePath(Pid pid) override;
    std::optional<std::string> shortName(Pid pid) override;

    // The utime and stime fields of one /proc/<pid>/stat line, in ticks.
    // The command field sits in parentheses and may itself hold spaces and
    // ")", so fields are counted from the last ")".
    static std::optional<std::pair<std::uint64_t, std::uint64_t>> parseStatTicks(std::string_view line);

private:
    std::string pidPath(Pid pid, const char* leaf) const;

    std::string procRoot_;
    std::uint64_t nanosecondsPerTick_;
};

}  // namespace zephrane::proc
