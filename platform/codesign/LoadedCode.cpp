#include "platform/codesign/LoadedCode.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <system_error>

namespace zephrane::codesign {

namespace {

constexpr std::string_view kDeleted = " (deleted)";
constexpr std::string_view kLoaderVariables[] = {"LD_PRELOAD", "LD_AUDIT"};

std::string_view nextField(std::string_view& line) {
    const auto start = line.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        line = {};
        return {};
    }
    line.remove_prefix(start);
    const auto end = std::min(line.find(' '), line.size());
    const std::string_view field = line.substr(0, end);
    line.remove_prefix(end);
    return field;
}

template <class Number>
bool parseNumber(std::string_view text, Number& value, int base) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// The name /proc/<pid>/map_files gives a mapping: its bounds in hex without
// the leading zeros that maps pads them with (a program linked at a fixed
// address sits at 0x400000, "00400000" in maps), none when `range` is no
// pair of hex numbers.
std::optional<std::string> mapFilesName(std::string_view range) {
    const auto dash = range.find('-');
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    if (dash == std::string_view::npos || !parseNumber(range.substr(0, dash), start, 16) ||
        !parseNumber(range.substr(dash + 1), end, 16))
        return std::nullopt;
    std::array<char, 2 * 16 + 2> name{};
    char* const last = name.data() + name.size();
    char* at = std::to_chars(name.data(), last, start, 16).ptr;
    *at++ = '-';
    at = std::to_chars(at, last, end, 16).ptr;
    return std::string(name.data(), at);
}

// "start-end perms offset major:minor inode   path"
std::optional<ExecutableMapping> parseLine(std::string_view line, bool& malformed) {
    const std::string_view range = nextField(line);
    const std::string_view perms = nextField(line);
    const std::string_view offset = nextField(line);
    const std::string_view device = nextField(line);
    const std::string_view inode = nextField(line);
    const auto colon = device.find(':');
    ExecutableMapping mapping;
    std::uint64_t ignored = 0;
    const auto name = mapFilesName(range);
    if (!name || perms.size() != 4 || !parseNumber(offset, ignored, 16) ||
        colon == std::string_view::npos || !parseNumber(device.substr(0, colon), mapping.major, 16) ||
        !parseNumber(device.substr(colon + 1), mapping.minor, 16) || !parseNumber(inode, mapping.inode, 10)) {
        malformed = true;
        return std::nullopt;
    }
    const auto pathStart = line.find_first_not_of(' ');
    const std::string_view path = pathStart == std::string_view::npos ? std::string_view() : line.substr(pathStart);
    // Anonymous memory and the kernel's own ([vdso], [vsyscall]) are no file.
    if (perms[2] != 'x' || path.empty() || path.front() != '/') return std::nullopt;
    mapping.range = *name;
    mapping.path = std::string(path);
    return mapping;
}

// The file at `path`, read whole up to `cap` bytes: none when it cannot be
// read (`error` says why) or holds more (`error` is EFBIG).
std::optional<std::string> readCapped(const std::string& path, std::size_t cap, int& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error = errno;
        return std::nullopt;
    }
    std::string text;
    std::array<char, 16 * 1024> buffer{};
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            error = errno;
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) break;
        if (text.size() + static_cast<std::size_t>(got) > cap) {
            error = EFBIG;
            ::close(fd);
            return std::nullopt;
        }
        text.append(buffer.data(), static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
}

std::string describeReadError(std::string_view what, int error) {
    if (error == EFBIG) return std::string(what) + " is larger than the check reads";
    return std::string(what) + " cannot be read: " + std::generic_category().message(error);
}

// The mapped file itself through /proc/<pid>/map_files (which needs
// privilege), else the file now at its path when it is still the mapped one.
LoadedFile inspect(pid_t pid, const ExecutableMapping& mapping) {
    LoadedFile file{mapping.path, 0, 0, false};
    struct stat status {};
    const std::string mapped = "/proc/" + std::to_string(pid) + "/map_files/" + mapping.range;
    bool found = ::stat(mapped.c_str(), &status) == 0;
    if (!found && !mapping.path.ends_with(kDeleted) && ::stat(mapping.path.c_str(), &status) == 0)
        found = major(status.st_dev) == mapping.major && minor(status.st_dev) == mapping.minor &&
                status.st_ino == mapping.inode;
    if (!found) return file;
    file.owner = status.st_uid;
    file.mode = status.st_mode & 07777;
    file.current = true;
    return file;
}

}  // namespace

std::optional<std::vector<ExecutableMapping>> executableMappings(std::string_view maps) {
    std::vector<ExecutableMapping> found;
    while (!maps.empty()) {
        const auto end = std::min(maps.find('\n'), maps.size());
        const std::string_view line = maps.substr(0, end);
        maps.remove_prefix(std::min(end + 1, maps.size()));
        if (line.empty()) continue;
        bool malformed = false;
        auto mapping = parseLine(line, malformed);
        if (malformed) return std::nullopt;
        if (!mapping) continue;
        const bool seen = std::any_of(found.begin(), found.end(), [&](const ExecutableMapping& m) {
            return m.major == mapping->major && m.minor == mapping->minor && m.inode == mapping->inode;
        });
        if (!seen) found.push_back(std::move(*mapping));
        if (found.size() > kMaxLoadedFiles) break;  // too many to look at: no need to know how many
    }
    return found;
}

std::vector<std::string> injectionVariables(std::string_view environment) {
    std::vector<std::string> found;
    while (!environment.empty()) {
        const auto end = std::min(environment.find('\0'), environment.size());
        const std::string_view entry = environment.substr(0, end);
        environment.remove_prefix(std::min(end + 1, environment.size()));
        for (const std::string_view name : kLoaderVariables) {
            const bool set = entry.size() > name.size() + 1 && entry.starts_with(name) && entry[name.size()] == '=';
            if (set && std::find(found.begin(), found.end(), name) == found.end()) found.emplace_back(name);
        }
    }
    return found;
}

LoadedCode loadedCodeOf(pid_t pid, int* openError) {
    LoadedCode code;
    const std::string proc = "/proc/" + std::to_string(pid);
    int error = 0;
    const auto maps = readCapped(proc + "/maps", kMaxMapsBytes, error);
    if (!maps) {
        if (openError) *openError = error;
        code.unreadable = describeReadError("its memory map", error);
        return code;
    }
    const auto mappings = executableMappings(*maps);
    if (!mappings) {
        code.unreadable = "its memory map is not in the form expected";
        return code;
    }
    if (mappings->size() > kMaxLoadedFiles) {
        code.unreadable = "it has more files mapped executable than the check looks at";
        return code;
    }
    for (const ExecutableMapping& mapping : *mappings) code.files.push_back(inspect(pid, mapping));

    const auto environment = readCapped(proc + "/environ", kMaxEnvironmentBytes, error);
    if (!environment) {
        code.unreadable = describeReadError("its environment", error);
        return code;
    }
    code.injectionVariables = injectionVariables(*environment);
    return code;
}

}  // namespace zephrane::codesign
