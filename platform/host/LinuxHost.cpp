#include "platform/host/LinuxHost.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <utility>

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "platform/proc/SmallFile.hpp"

namespace zephrane::host {
namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

// The next whitespace-separated field, removed from `text`; empty at the end.
std::string_view nextField(std::string_view& text) {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    std::size_t length = 0;
    while (length < text.size() && !isSpace(text[length])) ++length;
    const std::string_view field = text.substr(0, length);
    text.remove_prefix(length);
    return field;
}

std::optional<std::uint64_t> parseUnsigned(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<std::uint64_t> kilobytesToBytes(std::uint64_t kilobytes) {
    if (kilobytes > std::numeric_limits<std::uint64_t>::max() / 1024) return std::nullopt;
    return kilobytes * 1024;
}

// A CPU list as sysfs writes it: "0-7", "0,2-5,8", or empty for none.
std::optional<std::int64_t> countCPUList(std::string_view list) {
    list = trimmed(list);
    std::int64_t count = 0;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view range = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
        const std::size_t dash = range.find('-');
        const auto first = parseUnsigned(range.substr(0, dash));
        const auto last = dash == std::string_view::npos ? first : parseUnsigned(range.substr(dash + 1));
        if (!first || !last || *last < *first || *last - *first >= 1'000'000) return std::nullopt;
        count += static_cast<std::int64_t>(*last - *first + 1);
    }
    return count;
}

// The fields of /proc/meminfo the memory figures use, in bytes.
struct MemInfo {
    std::uint64_t total = 0;
    std::uint64_t available = 0;
    std::uint64_t zswap = 0;
    std::uint64_t unevictable = 0;
    std::uint64_t sUnreclaim = 0;
    std::uint64_t kernelStack = 0;
    std::uint64_t pageTables = 0;
    bool hasTotal = false;
    bool hasAvailable = false;
};

// A line we read that does not hold a number in kB makes the whole file
// untrustworthy; a line that is not there is the caller's to judge.
std::optional<MemInfo> parseMemInfo(std::string_view text) {
    MemInfo info;
    const std::pair<std::string_view, std::uint64_t MemInfo::*> wanted[] = {
        {"MemTotal", &MemInfo::total},       {"MemAvailable", &MemInfo::available},
        {"Zswap", &MemInfo::zswap},          {"Unevictable", &MemInfo::unevictable},
        {"SUnreclaim", &MemInfo::sUnreclaim}, {"KernelStack", &MemInfo::kernelStack},
        {"PageTables", &MemInfo::pageTables},
    };
    while (!text.empty()) {
        const std::size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view{} : text.substr(newline + 1);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view key = line.substr(0, colon);
        const auto found = std::find_if(std::begin(wanted), std::end(wanted),
                                        [&](const auto& entry) { return entry.first == key; });
        if (found == std::end(wanted)) continue;
        std::string_view rest = line.substr(colon + 1);
        const auto kilobytes = parseUnsigned(nextField(rest));
        const std::string_view unit = nextField(rest);
        if (!kilobytes || unit != "kB" || !nextField(rest).empty()) return std::nullopt;
        const auto bytes = kilobytesToBytes(*kilobytes);
        if (!bytes) return std::nullopt;
        info.*(found->second) = *bytes;
        info.hasTotal = info.hasTotal || key == "MemTotal";
        info.hasAvailable = info.hasAvailable || key == "MemAvailable";
    }
    return info;
}

std::optional<std::int64_t> checkedProduct(std::uint64_t count, std::uint64_t size) {
    std::int64_t product = 0;
    if (__builtin_mul_overflow(count, size, &product)) return std::nullopt;
    return product;
}

}  // namespace

LinuxHost::LinuxHost(std::string fileRoot) : fileRoot_(std::move(fileRoot)) {}

std::string LinuxHost::path(std::string_view absolute) const {
    std::string result = fileRoot_;
    result += absolute;
    return result;
}

std::optional<CPULoadInfo> LinuxHost::cpuLoadInfo() {
    const auto line = proc::readSmallFile(path("/proc/stat"), {.firstLineOnly = true});
    if (!line) return std::nullopt;
    std::string_view rest = *line;
    if (nextField(rest) != "cpu") return std::nullopt;
    // user nice system idle iowait irq softirq; the last three arrived with
    // later kernels.
    std::array<std::uint64_t, 7> fields{};
    std::size_t count = 0;
    for (; count < fields.size(); ++count) {
        const std::string_view field = nextField(rest);
        if (field.empty()) break;
        const auto value = parseUnsigned(field);
        if (!value) return std::nullopt;
        fields[count] = *value;
    }
    if (count < 4) return std::nullopt;
    const auto [user, nice, system, idle, iowait, irq, softirq] = fields;
    // Cut to the Mac's 32-bit width; readers subtract modulo 2^32.
    return CPULoadInfo{
        .user = static_cast<std::uint32_t>(user),
        .system = static_cast<std::uint32_t>(system + irq + softirq),
        .idle = static_cast<std::uint32_t>(idle + iowait),
        .nice = static_cast<std::uint32_t>(nice),
    };
}

std::optional<VMStatistics64> LinuxHost::vmStatistics64() {
    const auto page = pageSize();
    const auto text = proc::readSmallFile(path("/proc/meminfo"));
    if (!page || !text) return std::nullopt;
    const auto info = parseMemInfo(*text);
    if (!info || !info->hasTotal || !info->hasAvailable) return std::nullopt;
    const std::uint64_t used = info->total > info->available ? info->total - info->available : 0;
    const std::uint64_t compressor = std::min(info->zswap, used);
    std::uint64_t wiredWanted = 0;
    for (const std::uint64_t part : {info->unevictable, info->sUnreclaim, info->kernelStack, info->pageTables}) {
        if (__builtin_add_overflow(wiredWanted, part, &wiredWanted)) wiredWanted = std::numeric_limits<std::uint64_t>::max();
    }
    const std::uint64_t wired = std::min(wiredWanted, used - compressor);
    const std::uint64_t active = used - compressor - wired;
    return VMStatistics64{
        .activeCount = active / *page,
        .wireCount = wired / *page,
        .compressorPageCount = compressor / *page,
    };
}

std::optional<std::uint64_t> LinuxHost::pageSize() {
    const long size = ::sysconf(_SC_PAGESIZE);
    if (size <= 0) return std::nullopt;
    return static_cast<std::uint64_t>(size);
}

std::uint64_t LinuxHost::physicalMemory() {
    const auto text = proc::readSmallFile(path("/proc/meminfo"));
    if (!text) return 0;
    const auto info = parseMemInfo(*text);
    return info && info->hasTotal ? info->total : 0;
}

std::optional<std::int64_t> LinuxHost::sysctlInteger(std::string_view name) {
    std::string_view file;
    if (name == "hw.ncpu") {
        file = "/sys/devices/system/cpu/present";
    } else if (name == "hw.perflevel0.logicalcpu") {
        file = "/sys/devices/cpu_core/cpus";
    } else if (name == "hw.perflevel1.logicalcpu") {
        file = "/sys/devices/cpu_atom/cpus";
    } else {
        return std::nullopt;
    }
    const auto text = proc::readSmallFile(path(file));
    if (!text) return std::nullopt;
    return countCPUList(*text);
}

std::optional<SwapUsage> LinuxHost::swapUsage() {
    const auto text = proc::readSmallFile(path("/proc/swaps"));
    if (!text) return std::nullopt;
    std::string_view rest = *text;
    const std::size_t headerEnd = rest.find('\n');
    if (!rest.starts_with("Filename")) return std::nullopt;
    rest = headerEnd == std::string_view::npos ? std::string_view{} : rest.substr(headerEnd + 1);

    SwapUsage usage;
    while (!rest.empty()) {
        const std::size_t newline = rest.find('\n');
        std::string_view line = rest.substr(0, newline);
        rest = newline == std::string_view::npos ? std::string_view{} : rest.substr(newline + 1);
        if (trimmed(line).empty()) continue;
        // Filename Type Size Used Priority; the kernel escapes blanks in the
        // file name, so there are exactly five fields.
        std::array<std::string_view, 5> fields{};
        for (auto& field : fields) field = nextField(line);
        if (fields[4].empty() || !nextField(line).empty()) return std::nullopt;
        const auto sizeKB = parseUnsigned(fields[2]);
        const auto usedKB = parseUnsigned(fields[3]);
        if (!sizeKB || !usedKB) return std::nullopt;
        const auto size = kilobytesToBytes(*sizeKB);
        const auto used = kilobytesToBytes(*usedKB);
        if (!size || !used || __builtin_add_overflow(usage.total, *size, &usage.total) ||
            __builtin_add_overflow(usage.used, *used, &usage.used)) {
            return std::nullopt;
        }
    }
    usage.available = usage.total > usage.used ? usage.total - usage.used : 0;
    return usage;
}

std::optional<VolumeCapacity> LinuxHost::volumeCapacity(const std::string& volumePath) {
    struct statvfs stats {};
    if (::statvfs(volumePath.c_str(), &stats) != 0) return std::nullopt;
    return VolumeCapacity{
        .total = checkedProduct(stats.f_blocks, stats.f_frsize),
        .availableForImportantUsage = checkedProduct(stats.f_bavail, stats.f_frsize),
    };
}

}  // namespace zephrane::host
