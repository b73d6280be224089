// The Linux host's CPU load as the simulated machine's load: the busy share
// of all CPU time between two samples of /proc/stat's "cpu" line. A file that
// cannot be read, or no time passing, repeats the last value, so a hiccup on
// the host never jolts the thermal model.
#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>

#include "sim/LoadSource.hpp"

namespace zephrane::sim {

class HostCpuLoad {
public:
    explicit HostCpuLoad(std::filesystem::path statPath = "/proc/stat");
    ~HostCpuLoad();
    HostCpuLoad(const HostCpuLoad&) = delete;
    HostCpuLoad& operator=(const HostCpuLoad&) = delete;

    // The load since the previous sample (the first, since construction).
    double sample();

    // As a LoadSource; the returned function shares this sampler's state.
    static LoadSource source(std::filesystem::path statPath = "/proc/stat");

private:
    struct Times {
        std::uint64_t busy = 0;
        std::uint64_t total = 0;
    };
    std::optional<Times> read();

    std::filesystem::path path_;
    // Kept open: read once a second at rest, the file costs its opening
    // more than its reading. Reopened after a failed read.
    std::mutex fileMutex_;
    int fd_ = -1;  // guarded by fileMutex_
    std::mutex mutex_;  // guards the fields below; never held while waiting
    std::optional<Times> previous_;
    double last_ = 0;
};

}  // namespace zephrane::sim
