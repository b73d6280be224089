#include "sim/HostCpuLoad.hpp"

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace zephrane::sim {

HostCpuLoad::HostCpuLoad(std::filesystem::path statPath) : path_(std::move(statPath)), previous_(read()) {}

// "cpu  user nice system idle iowait irq softirq steal guest guest_nice":
// guest time is already counted in user time, so it is left out; idle and
// iowait are the time nothing ran.
std::optional<HostCpuLoad::Times> HostCpuLoad::read() const {
    std::ifstream in(path_);
    std::string line;
    if (!std::getline(in, line)) return std::nullopt;
    std::istringstream fields(line);
    std::string label;
    fields >> label;
    if (label != "cpu") return std::nullopt;
    std::uint64_t counters[8] = {};
    int got = 0;
    while (got < 8 && fields >> counters[got]) ++got;
    if (got < 4) return std::nullopt;
    Times times;
    for (int i = 0; i < got; ++i) times.total += counters[i];
    times.busy = times.total - counters[3] - (got > 4 ? counters[4] : 0);
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
