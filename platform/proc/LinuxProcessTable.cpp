#include "platform/proc/LinuxProcessTable.hpp"

#include <array>
#include <charconv>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include "platform/proc/SmallFile.hpp"

namespace zephrane::proc {
namespace {

std::optional<std::uint64_t> parseUnsigned(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::uint64_t ticksPerSecond() {
    const long ticks = ::sysconf(_SC_CLK_TCK);
    return ticks > 0 ? static_cast<std::uint64_t>(ticks) : 100;
}

}  // namespace

LinuxProcessTable::LinuxProcessTable(std::string procRoot)
    : procRoot_(std::move(procRoot)), nanosecondsPerTick_(1'000'000'000 / ticksPerSecond()) {}

std::string LinuxProcessTable::pidPath(Pid pid, const char* leaf) const {
    return procRoot_ + "/" + std::to_string(pid) + "/" + leaf;
}

std::vector<Pid> LinuxProcessTable::allPids() {
    std::vector<Pid> pids;
    DIR* dir = ::opendir(procRoot_.c_str());
    if (dir == nullptr) return pids;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        Pid pid = 0;
        const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
        if (error == std::errc{} && end == name.data() + name.size() && pid > 0) pids.push_back(pid);
    }
    ::closedir(dir);
    return pids;
}

std::optional<std::pair<std::uint64_t, std::uint64_t>> LinuxProcessTable::parseStatTicks(std::string_view line) {
    const auto close = line.rfind(')');
    if (close == std::string_view::npos) return std::nullopt;
    std::string_view rest = line.substr(close + 1);
    // Fields after the command: state is field 3, utime 14, stime 15.
    constexpr int kUtimeIndex = 11;
    constexpr int kStimeIndex = 12;
    std::optional<std::uint64_t> utime;
    for (int index = 0; index <= kStimeIndex; ++index) {
        const auto start = rest.find_first_not_of(' ');
        if (start == std::string_view::npos) return std::nullopt;
        rest.remove_prefix(start);
        const auto stop = rest.find_first_of(" \n");
        const std::string_view field = rest.substr(0, stop);
        if (index == kUtimeIndex) {
            utime = parseUnsigned(field);
            if (!utime) return std::nullopt;
        } else if (index == kStimeIndex) {
            const auto stime = parseUnsigned(field);
            if (!stime) return std::nullopt;
            return std::pair{*utime, *stime};
        }
        if (stop == std::string_view::npos) return std::nullopt;
        rest.remove_prefix(stop);
    }
    return std::nullopt;
}

std::optional<CPUTimes> LinuxProcessTable::cpuTimes(Pid pid) {
    const auto line = readSmallFile(pidPath(pid, "stat"));
    if (!line) return std::nullopt;
    const auto ticks = parseStatTicks(*line);
    if (!ticks) return std::nullopt;
    return CPUTimes{ticks->first * nanosecondsPerTick_, ticks->second * nanosecondsPerTick_};
}

std::optional<std::string> LinuxProcessTable::executablePath(Pid pid) {
    std::array<char, 4096> buffer{};
    const ssize_t n = ::readlink(pidPath(pid, "exe").c_str(), buffer.data(), buffer.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return std::nullopt;
    std::string path(buffer.data(), static_cast<std::size_t>(n));
    // A replaced or deleted executable still names its old path, marked.
    constexpr std::string_view kDeleted = " (deleted)";
    if (path.size() > kDeleted.size() && path.ends_with(kDeleted)) path.resize(path.size() - kDeleted.size());
    return path;
}

std::optional<std::string> LinuxProcessTable::shortName(Pid pid) {
    auto name = readSmallFile(pidPath(pid, "comm"));
    if (!name) return std::nullopt;
    if (name->ends_with('\n')) name->pop_back();
    if (name->empty()) return std::nullopt;
    return name;
}

}  // namespace zephrane::proc
