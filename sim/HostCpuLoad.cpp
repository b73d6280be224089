#include "sim/HostCpuLoad.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <memory>
#include <string_view>
#include <utility>

namespace zephrane::sim {

HostCpuLoad::HostCpuLoad(std::filesystem::path statPath) : path_(std::move(statPath)), previous_(read()) {}

HostCpuLoad::~HostCpuLoad() {
    if (fd_ >= 0) ::close(fd_);
}

// "cpu  user nice system idle iowait irq softirq steal guest guest_nice":
// guest time is already counted in user time, so it is left out; idle and
// iowait are the time nothing ran.
std::optional<HostCpuLoad::Times> HostCpuLoad::read() {
    std::array<char, 512> buffer{};
    ssize_t got = -1;
    {
        std::lock_guard lock(fileMutex_);
        if (fd_ < 0) fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ >= 0) got = ::pread(fd_, buffer.data(), buffer.size(), 0);
        if (got <= 0 && fd_ >= 0) ::close(std::exchange(fd_, -1));
    }
    if (got <= 0) return std::nullopt;
    std::string_view text(buffer.data(), static_cast<std::size_t>(got));
    const auto lineEnd = text.find('\n');
    if (lineEnd == std::string_view::npos && static_cast<std::size_t>(got) == buffer.size()) return std::nullopt;
    std::string_view line = text.substr(0, lineEnd);
    if (!line.starts_with("cpu ")) return std::nullopt;
    line.remove_prefix(4);
    std::uint64_t counters[8] = {};
    int count = 0;
    while (count < 8) {
        const auto start = line.find_first_not_of(' ');
        if (start == std::string_view::npos) break;
        line.remove_prefix(start);
        const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), counters[count]);
        if (error != std::errc() || end == line.data()) break;
        line.remove_prefix(static_cast<std::size_t>(end - line.data()));
        ++count;
    }
    if (count < 4) return std::nullopt;
    Times times;
    for (int i = 0; i < count; ++i) times.total += counters[i];
    times.busy = times.total - counters[3] - (count > 4 ? counters[4] : 0);
    return times;
}

double HostCpuLoad::sample() {
    const std::optional<Times> now = read();
    std::lock_guard lock(mutex_);
    // A sample older than the one kept (two callers racing) is dropped.
    if (!now || (previous_ && (now->total <= previous_->total || now->busy < previous_->busy))) return last_;
    if (previous_) {
        const double busy = static_cast<double>(now->busy - previous_->busy);
        const double total = static_cast<double>(now->total - previous_->total);
        last_ = busy / total > 1 ? 1 : busy / total;
    }
    previous_ = now;
    return last_;
}

LoadSource HostCpuLoad::source(std::filesystem::path statPath) {
    auto sampler = std::make_shared<HostCpuLoad>(std::move(statPath));
    return [sampler](SimDuration) { return sampler->sample(); };
}

}  // namespace zephrane::sim
