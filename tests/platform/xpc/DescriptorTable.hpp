// The descriptors a process has open, by number, with what each refers to
// ("socket:[4711]", "anon_inode:[eventpoll]", a path): leak tests compare two
// of these, not two counts, and show the difference when they fail.
//
// Pipes are left out. The sanitizers' runtime opens one for a moment, on
// whichever thread asks it whether some memory may be read (UBSan's check of
// a dynamic type does, on every thread), so a table taken meanwhile would
// hold two descriptors that are gone a moment later. Nothing the leak tests
// look at (listeners, connections, I/O threads, the daemon) makes a pipe.
//
// Used by the connection tests and the daemon's end-to-end tests.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <system_error>

namespace zephrane::test {

using DescriptorTable = std::map<int, std::string>;

// None once the process is gone, or when it is not ours to look into.
inline std::optional<DescriptorTable> descriptorTable(pid_t pid) {
    const std::filesystem::path directory = "/proc/" + std::to_string(pid) + "/fd";
    DescriptorTable table;
    std::error_code error;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        std::error_code unreadable;
        std::string target = std::filesystem::read_symlink(it->path(), unreadable).string();
        if (unreadable) continue;  // closed while the table was read
        // Our own look at the directory, when the process is this one.
        if (target.starts_with("pipe:") || target == directory.string()) continue;
        table.emplace(std::stoi(it->path().filename().string()), std::move(target));
    }
    if (error) return std::nullopt;
    return table;
}

// One "fd -> target" line each, for failure messages.
inline std::string describe(const std::optional<DescriptorTable>& table) {
    if (!table) return "(unreadable)\n";
    std::string text;
    for (const auto& [fd, target] : *table) text += std::to_string(fd) + " -> " + target + "\n";
    return text;
}

}  // namespace zephrane::test
