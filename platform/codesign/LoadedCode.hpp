// What a process runs besides its executable: every file it has mapped
// executable (/proc/<pid>/maps) and the loader variables of its environment
// that would have put one there. A genuine program of ours with a library
// injected is another program; this is how the peer check sees it.
//
// The process is hostile: its maps and environment are capped in size (a
// process may hold some 65000 mappings), and a file that cannot be looked
// at is reported as such, never skipped.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codesign/CodeSigning.hpp"

namespace zephrane::codesign {

// Far above what any program of ours maps or carries.
inline constexpr std::size_t kMaxMapsBytes = 4 * 1024 * 1024;
inline constexpr std::size_t kMaxEnvironmentBytes = 1024 * 1024;
inline constexpr std::size_t kMaxLoadedFiles = 256;

// One file-backed executable mapping, as a maps line gives it.
struct ExecutableMapping {
    std::string range;  // "start-end", its name under /proc/<pid>/map_files
    unsigned major = 0;
    unsigned minor = 0;
    ino_t inode = 0;
    std::string path;  // may end in " (deleted)"
    friend bool operator==(const ExecutableMapping&, const ExecutableMapping&) = default;
};

// The file-backed executable mappings of a maps text, each file once (by
// device and inode), up to one more than kMaxLoadedFiles; anonymous and
// special mappings ([vdso]) left out. None when a line is not a maps line.
std::optional<std::vector<ExecutableMapping>> executableMappings(std::string_view maps);

// The loader variables set (to anything but nothing) in a NUL-separated
// environment block.
std::vector<std::string> injectionVariables(std::string_view environment);

// The loaded code of process `pid`; `openError` gets the error of a maps
// file that could not be opened (EACCES: not ours to look into).
LoadedCode loadedCodeOf(pid_t pid, int* openError = nullptr);

}  // namespace zephrane::codesign
