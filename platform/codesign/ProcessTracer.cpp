#include "platform/codesign/ProcessTracer.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <string>

namespace zephrane::codesign {
namespace {

// The whole file, or none when it cannot be read or is larger than the cap.
std::optional<std::string> readStatus(pid_t pid) {
    const std::string path = "/proc/" + std::to_string(pid) + "/status";
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    std::string text;
    std::array<char, 4096> buffer{};
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0 || text.size() + static_cast<std::size_t>(got) > kMaxStatusBytes) {
            ::close(fd);
            if (got == 0) return text;
            return std::nullopt;
        }
        text.append(buffer.data(), static_cast<std::size_t>(got));
    }
}

std::optional<std::string_view> statusLine(std::string_view status, std::string_view field) {
    while (!status.empty()) {
        const auto end = std::min(status.find('\n'), status.size());
        const std::string_view line = status.substr(0, end);
        status.remove_prefix(std::min(end + 1, status.size()));
        if (line.size() > field.size() && line.starts_with(field) && line[field.size()] == ':')
            return line.substr(field.size() + 1);
    }
    return std::nullopt;
}

// The next whitespace-separated decimal number of `text`, consumed.
std::optional<long long> nextNumber(std::string_view& text) {
    const auto start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) return std::nullopt;
    text.remove_prefix(start);
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data()) return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return value;
}

}  // namespace

std::optional<long long> statusNumber(std::string_view status, std::string_view field) {
    auto line = statusLine(status, field);
    if (!line) return std::nullopt;
    auto number = nextNumber(*line);
    if (!number || line->find_first_not_of(" \t") != std::string_view::npos) return std::nullopt;
    return number;
}

std::optional<std::vector<uid_t>> statusUids(std::string_view status) {
    auto line = statusLine(status, "Uid");
    if (!line) return std::nullopt;
    std::vector<uid_t> uids;
    for (int i = 0; i < 4; ++i) {
        const auto id = nextNumber(*line);
        if (!id || *id < 0 || *id > static_cast<long long>(static_cast<uid_t>(-1))) return std::nullopt;
        uids.push_back(static_cast<uid_t>(*id));
    }
    if (line->find_first_not_of(" \t") != std::string_view::npos) return std::nullopt;
    return uids;
}

std::optional<Tracer> tracerOf(pid_t pid) {
    const auto status = readStatus(pid);
    if (!status) return Tracer{};
    const auto tracer = statusNumber(*status, "TracerPid");
    if (!tracer || *tracer < 0) return Tracer{};
    if (*tracer == 0) return std::nullopt;
    Tracer found;
    found.pid = static_cast<pid_t>(*tracer);
    if (const auto tracerStatus = readStatus(found.pid))
        if (auto uids = statusUids(*tracerStatus)) found.uids = std::move(*uids);
    return found;
}

}  // namespace zephrane::codesign
