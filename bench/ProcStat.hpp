// What the kernel counts of a process: CPU time from /proc stat files and
// the machine's load, for benchmarks that state a CPU share with the load
// it was measured under.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>

namespace zephrane::bench {

// utime + stime of a process or thread, in seconds, from its stat file.
inline std::optional<double> cpuSeconds(const std::filesystem::path& stat) {
    std::ifstream in(stat);
    std::string text;
    if (!std::getline(in, text)) return std::nullopt;
    // The name in parentheses may hold spaces: the fields start after it.
    const auto close = text.rfind(')');
    if (close == std::string::npos) return std::nullopt;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) utime = std::stod(field);
        if (i == 15) stime = std::stod(field);
    }
    return (utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// Time every thread of a process has spent on a CPU, in seconds, from the
// scheduler's own count (/proc/<pid>/task/*/schedstat, in nanoseconds): fine
// enough for shares far below one clock tick a second, which the stat
// file's ticks cannot resolve. Threads that ended before the look are not
// counted.
inline std::optional<double> runSeconds(pid_t pid) {
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    std::filesystem::directory_iterator it(tasks, error);
    if (error) return std::nullopt;
    double nanoseconds = 0;
    for (const auto& task : it) {
        std::ifstream in(task.path() / "schedstat");
        double ran = 0;
        if (in >> ran) nanoseconds += ran;
    }
    return nanoseconds / 1e9;
}

// The one-minute load average.
inline double loadAverage() {
    std::ifstream in("/proc/loadavg");
    double one = 0;
    in >> one;
    return one;
}

}  // namespace zephrane::bench
