// What the kernel counts of a process: CPU time from /proc stat files and
// the machine's load, for benchmarks that state a CPU share with the load
// it was measured under.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

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

// The one-minute load average.
inline double loadAverage() {
    std::ifstream in("/proc/loadavg");
    double one = 0;
    in >> one;
    return one;
}

}  // namespace zephrane::bench
