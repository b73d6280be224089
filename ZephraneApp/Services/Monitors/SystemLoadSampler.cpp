#include "ZephraneApp/Services/Monitors/SystemLoadSampler.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <utility>

#include <nlohmann/json.hpp>


namespace zephrane {
namespace {

constexpr double kBytesPerGibibyte = 1024.0 * 1024.0 * 1024.0;
constexpr double kBytesPerGigabyte = 1e9;  // disks are sold in decimal units

// The GPU's utilisation, under whichever name its driver publishes it.
constexpr std::array<std::string_view, 4> kGPUUtilizationKeys = {
    "Device Utilization %",
    "GPU Core Utilization",
    "Renderer Utilization %",
    "Device Utilization",
};

struct ComponentName {
    SystemLoad::Component component;
    std::string_view raw;
};
constexpr std::array<ComponentName, 6> kComponentNames = {{
    {SystemLoad::Component::overall, "Load"},
    {SystemLoad::Component::cpu, "CPU"},
    {SystemLoad::Component::gpu, "GPU"},
    {SystemLoad::Component::memory, "RAM"},
    {SystemLoad::Component::swap, "Swap"},
    {SystemLoad::Component::disk, "Disk"},
}};

double clampedFraction(double value) { return std::clamp(value, 0.0, 1.0); }

// The platform layers promise not to throw, but a reading is never worth an
// exception escaping a monitor: anything thrown counts as a failed reading.
template <class Read>
auto orAbsent(Read&& read) noexcept -> decltype(read()) {
    try {
        return read();
    } catch (...) {
        return {};
    }
}

// An advance of one tick counter between two samples. The counters are
// 32-bit and wrap, so the difference is taken modulo 2^32 in their own
// width: across a wrap that is still the true advance. An advance of 2^31
// or more would be weeks of CPU time (days on the largest machines) between
// two samples; it is a counter that stepped back (Linux's iowait can), and
// that interval has no reading.
std::optional<std::uint64_t> tickAdvance(std::uint32_t now, std::uint32_t before) {
    const std::uint32_t advance = now - before;
    if (advance >= 0x8000'0000u) return std::nullopt;
    return advance;
}

std::string sizePairText(double used, double total, double unit) {
    return SystemLoadSampler::gigabyteText(used / unit) + " / " + SystemLoadSampler::gigabyteText(total / unit);
}

}  // namespace

std::string_view SystemLoad::rawValue(Component component) {
    for (const auto& name : kComponentNames) {
        if (name.component == component) return name.raw;
    }
    return {};
}

std::optional<SystemLoad::Component> SystemLoad::componentFromRawValue(std::string_view raw) {
    for (const auto& name : kComponentNames) {
        if (name.raw == raw) return name.component;
    }
    return std::nullopt;
}

int SystemLoad::displayPercent() const {
    const double percent = std::round(fraction * 100.0);
    // Only the sampler's clamped fractions are expected here; anything else
    // must still not be converted out of range.
    if (!(std::abs(percent) < 1e9)) return 0;
    return static_cast<int>(percent);
}

bool SystemLoad::displayEquivalent(const SystemLoad& other) const {
    return component == other.component && displayPercent() == other.displayPercent() && detail == other.detail;
}

SystemLoadSampler::SystemLoadSampler(std::shared_ptr<host::Host> host, std::shared_ptr<iokit::IORegistry> registry,
                                     Clock clock)
    : core_(std::move(host), std::move(registry), std::move(clock)), actor_(QStringLiteral("SystemLoadSampler")) {}

SystemLoadSampler::~SystemLoadSampler() = default;

QCoro::Task<std::vector<SystemLoad>> SystemLoadSampler::sample() {
    return actor_.call([core = &core_] { return core->sample(); });
}

SystemLoadSampler::Core::Core(std::shared_ptr<host::Host> host, std::shared_ptr<iokit::IORegistry> registry,
                              Clock clock)
    : host_(std::move(host)), registry_(std::move(registry)), clock_(std::move(clock)) {}

std::vector<SystemLoad> SystemLoadSampler::Core::sample() {
    using Component = SystemLoad::Component;
    const auto cpu = sampleCPU();
    const auto gpu = sampleGPU();
    const auto memory = sampleMemory();
    const auto overall = overallLoad(cpu, gpu, memory ? std::optional(memory->fraction) : std::nullopt);

    std::vector<SystemLoad> loads;
    loads.reserve(6);
    if (overall) loads.push_back({Component::overall, *overall, std::nullopt});
    if (cpu) loads.push_back({Component::cpu, *cpu, cpuCoreText()});
    if (gpu) loads.push_back({Component::gpu, *gpu, std::nullopt});
    if (memory) loads.push_back({Component::memory, memory->fraction, memory->detail});

    // No swap configured reads as 0 and is not worth a chip.
    if (const auto swap = sampleSwap(); swap && swap->fraction > 0) {
        loads.push_back({Component::swap, swap->fraction, swap->detail});
    }
    if (const auto disk = sampleDisk()) loads.push_back({Component::disk, disk->fraction, disk->detail});
    return loads;
}

std::optional<double> SystemLoadSampler::overallLoad(std::optional<double> cpu, std::optional<double> gpu,
                                                     std::optional<double> memory) {
    std::optional<double> highest;
    for (const auto& value : {cpu, gpu, memory}) {
        if (value && (!highest || *value > *highest)) highest = value;
    }
    if (!highest) return std::nullopt;
    return clampedFraction(*highest);
}

std::string SystemLoadSampler::gigabyteText(double gigabytes) {
    const bool whole = gigabytes == std::floor(gigabytes);
    const int precision = whole || gigabytes >= 100 ? 0 : 1;
    // to_chars formats as printf does in the C locale, so the separator is
    // a point even where the user's locale writes a comma.
    std::array<char, 400> buffer{};  // room for the longest finite double in fixed notation
    const auto [end, error] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), gigabytes, std::chars_format::fixed, precision);
    if (error != std::errc{}) return "? GB";
    return std::string(buffer.data(), end) + " GB";
}

std::optional<double> SystemLoadSampler::Core::sampleCPU() {
    if (!host_) return std::nullopt;
    const auto ticks = orAbsent([&] { return host_->cpuLoadInfo(); });
    if (!ticks) return std::nullopt;
    const std::optional<host::CPULoadInfo> previous = std::exchange(previousTicks_, ticks);
    if (!previous) return std::nullopt;

    const auto user = tickAdvance(ticks->user, previous->user);
    const auto system = tickAdvance(ticks->system, previous->system);
    const auto nice = tickAdvance(ticks->nice, previous->nice);
    const auto idle = tickAdvance(ticks->idle, previous->idle);
    if (!user || !system || !nice || !idle) return std::nullopt;
    const std::uint64_t busy = *user + *system + *nice;
    const std::uint64_t total = busy + *idle;
    if (total == 0) return std::nullopt;
    return clampedFraction(static_cast<double>(busy) / static_cast<double>(total));
}

std::optional<double> SystemLoadSampler::Core::sampleGPU() {
    if (lastGPUSampleAt_ && clock_() - *lastGPUSampleAt_ < SystemLoadSampler::kGPUInterval) return lastGPUValue_;
    const auto value = readGPUUtilization();
    lastGPUSampleAt_ = clock_();
    lastGPUValue_ = value;
    return value;
}

std::optional<double> SystemLoadSampler::Core::readGPUUtilization() {
    if (!registry_) return std::nullopt;
    return orAbsent([&]() -> std::optional<double> {
        std::optional<double> highest;
        for (const auto& service : registry_->matchingServices("IOAccelerator")) {
            if (!service.is_object()) continue;
            const auto statistics = service.find("PerformanceStatistics");
            if (statistics == service.end() || !statistics->is_object()) continue;
            for (const std::string_view key : kGPUUtilizationKeys) {
                const auto value = statistics->find(key);
                if (value == statistics->end() || !value->is_number()) continue;
                const double percent = value->get<double>();
                if (!std::isfinite(percent)) continue;  // a NaN is not a number either
                const double utilization = clampedFraction(percent / 100.0);
                if (!highest || utilization > *highest) highest = utilization;
                break;
            }
        }
        return highest;
    });
}

std::optional<SystemLoadSampler::Core::Reading> SystemLoadSampler::Core::sampleMemory() {
    if (!host_) return std::nullopt;
    const auto statistics = orAbsent([&] { return host_->vmStatistics64(); });
    const auto pageSize = orAbsent([&] { return host_->pageSize(); });
    if (!statistics || !pageSize || *pageSize == 0) return std::nullopt;
    // In doubles: a nonsense page count must not wrap around to a small one.
    const double used = (static_cast<double>(statistics->activeCount) + static_cast<double>(statistics->wireCount) +
                         static_cast<double>(statistics->compressorPageCount)) *
                        static_cast<double>(*pageSize);
    const std::uint64_t physicalBytes = orAbsent([&] { return host_->physicalMemory(); });
    if (physicalBytes == 0) return std::nullopt;
    const auto physical = static_cast<double>(physicalBytes);
    return Reading{clampedFraction(used / physical), sizePairText(used, physical, kBytesPerGibibyte)};
}

std::optional<SystemLoadSampler::Core::Reading> SystemLoadSampler::Core::sampleSwap() {
    if (!host_) return std::nullopt;
    const auto usage = orAbsent([&] { return host_->swapUsage(); });
    if (!usage) return std::nullopt;
    if (usage->total == 0) return Reading{0, std::nullopt};
    const auto used = static_cast<double>(usage->used);
    const auto total = static_cast<double>(usage->total);
    return Reading{clampedFraction(used / total), sizePairText(used, total, kBytesPerGibibyte)};
}

std::optional<SystemLoadSampler::Core::Reading> SystemLoadSampler::Core::sampleDisk() {
    if (lastDiskSampleAt_ && clock_() - *lastDiskSampleAt_ < SystemLoadSampler::kDiskInterval) return lastDiskValue_;
    auto value = readDiskUsage();
    lastDiskSampleAt_ = clock_();
    lastDiskValue_ = value;
    return value;
}

std::optional<SystemLoadSampler::Core::Reading> SystemLoadSampler::Core::readDiskUsage() {
    if (!host_) return std::nullopt;
    const auto capacity = orAbsent([&] { return host_->volumeCapacity("/"); });
    if (!capacity || !capacity->total || !capacity->availableForImportantUsage || *capacity->total < 1) {
        return std::nullopt;
    }
    const auto total = static_cast<double>(*capacity->total);
    const double used = total - static_cast<double>(*capacity->availableForImportantUsage);
    const double fraction = used < 0 ? 0 : clampedFraction(used / total);
    return Reading{fraction, sizePairText(std::max(used, 0.0), total, kBytesPerGigabyte)};
}

std::optional<std::int64_t> SystemLoadSampler::Core::sysctlInteger(std::string_view name) {
    if (!host_) return std::nullopt;
    return orAbsent([&] { return host_->sysctlInteger(name); });
}

const std::optional<std::string>& SystemLoadSampler::Core::cpuCoreText() {
    if (hasCPUCoreText_) return cpuCoreText_;
    hasCPUCoreText_ = true;
    const auto performance = sysctlInteger("hw.perflevel0.logicalcpu");
    const auto efficiency = sysctlInteger("hw.perflevel1.logicalcpu");
    if (performance && efficiency && *performance >= 1 && *efficiency >= 1) {
        cpuCoreText_ = std::to_string(*performance) + "P + " + std::to_string(*efficiency) + "E";
    } else if (const auto cores = sysctlInteger("hw.ncpu"); cores && *cores >= 1) {
        cpuCoreText_ = std::to_string(*cores) + " cores";
    }
    return cpuCoreText_;
}

}  // namespace zephrane
