// Reading a small procfs or sysfs file whole, with plain system calls: the
// monitors read several of them every second, and streams would cost more
// than the reads themselves.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace zephrane::proc {

struct SmallFileLimits {
    // Reading stops once this much has been read; no file we read is
    // anywhere near it, so more means it is not the file we expect.
    std::size_t maxBytes = 64 * 1024;
    // Stop at the first line end and return that line (the long interrupt
    // lines of /proc/stat are never needed).
    bool firstLineOnly = false;
};

// Nothing when the file cannot be opened or read.
std::optional<std::string> readSmallFile(const std::string& path, SmallFileLimits limits = {});

}  // namespace zephrane::proc
