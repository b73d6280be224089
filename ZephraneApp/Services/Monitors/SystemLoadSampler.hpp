// How busy the machine is, as a short list of load figures for the
// dashboard's load chips: overall, CPU, GPU, memory, swap and disk, each a
// fraction 0...1 with an optional detail text.
//
// The readings cost very different amounts, so they run at different rates:
// CPU is the change of the kernel's tick counters since the previous call,
// memory and swap are read on every call, the GPU (a registry walk) at most
// every 3 s and the disk (a volume query) at most every 30 s, with the last
// value, present or absent, served in between.
//
// SystemLoadSampler::Core does the reading synchronously and knows no
// threads; SystemLoadSampler runs one Core on an actor thread of its own, as
// the engine's awaitable face: the kernel and registry calls never block the
// GUI thread, and overlapping samples run one after the other.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <qcoro/qcorotask.h>

#include "ZephraneApp/Concurrency/Actor.hpp"
#include "platform/host/Host.hpp"
#include "platform/iokit/IORegistry.hpp"

namespace zephrane {

struct SystemLoad {
    // Declaration order is the order of the sampler's list.
    enum class Component { overall, cpu, gpu, memory, swap, disk };

    Component component = Component::overall;
    double fraction = 0;  // 0...1
    std::optional<std::string> detail;

    // "Load", "CPU", "GPU", "RAM", "Swap", "Disk".
    static std::string_view rawValue(Component component);
    // Only an exact raw value names a component.
    static std::optional<Component> componentFromRawValue(std::string_view raw);

    // The component's raw value: one figure per component.
    std::string_view id() const { return rawValue(component); }
    // fraction × 100, halves rounded away from zero.
    int displayPercent() const;
    // Same component, percentage and detail: a change too small to show.
    bool displayEquivalent(const SystemLoad& other) const;

    friend bool operator==(const SystemLoad&, const SystemLoad&) = default;
};

class SystemLoadSampler {
public:
    // Intervals are measured on the clock that stops while the machine
    // sleeps; tests pass a clock they drive.
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    static constexpr auto kGPUInterval = std::chrono::seconds(3);
    static constexpr auto kDiskInterval = std::chrono::seconds(30);

    class Core {
    public:
        // A null `host` or `registry` reads as a machine where those
        // readings fail.
        Core(std::shared_ptr<host::Host> host, std::shared_ptr<iokit::IORegistry> registry,
             Clock clock = &std::chrono::steady_clock::now);
        Core(const Core&) = delete;
        Core& operator=(const Core&) = delete;

        // Overall, CPU, GPU, memory, swap, disk, in that order, each left
        // out when its reading is absent (swap also when none is
        // configured). May be empty. Never throws.
        std::vector<SystemLoad> sample();

    private:
        struct Reading {
            double fraction = 0;
            std::optional<std::string> detail;
        };

        std::optional<double> sampleCPU();
        std::optional<double> sampleGPU();
        std::optional<double> readGPUUtilization();
        std::optional<Reading> sampleMemory();
        std::optional<Reading> sampleSwap();
        std::optional<Reading> sampleDisk();
        std::optional<Reading> readDiskUsage();
        std::optional<std::int64_t> sysctlInteger(std::string_view name);
        const std::optional<std::string>& cpuCoreText();

        const std::shared_ptr<host::Host> host_;
        const std::shared_ptr<iokit::IORegistry> registry_;
        const Clock clock_;

        std::optional<host::CPULoadInfo> previousTicks_;
        std::optional<std::chrono::steady_clock::time_point> lastGPUSampleAt_;
        std::optional<double> lastGPUValue_;
        std::optional<std::chrono::steady_clock::time_point> lastDiskSampleAt_;
        std::optional<Reading> lastDiskValue_;

        // Worked out once, on first use: the CPU's make-up does not change
        // while the process runs (the engine keeps one sampler for its whole
        // life).
        bool hasCPUCoreText_ = false;
        std::optional<std::string> cpuCoreText_;
    };

    // The app's entry passes this machine's host and registry.
    SystemLoadSampler(std::shared_ptr<host::Host> host, std::shared_ptr<iokit::IORegistry> registry,
                      Clock clock = &std::chrono::steady_clock::now);
    // Lets the sample in progress and those already asked for finish, then
    // stops the actor thread.
    ~SystemLoadSampler();
    SystemLoadSampler(const SystemLoadSampler&) = delete;
    SystemLoadSampler& operator=(const SystemLoadSampler&) = delete;

    // Core::sample() on the actor thread; resumes the caller on its own
    // thread. Throws ActorStopped only to a caller that outlived the sampler.
    QCoro::Task<std::vector<SystemLoad>> sample();

    // The thread every reading runs on.
    QThread* thread() { return actor_.thread(); }

    // The largest present value, clamped to 0...1; swap and disk never
    // count. Absent when all three are.
    static std::optional<double> overallLoad(std::optional<double> cpu, std::optional<double> gpu,
                                             std::optional<double> memory);
    // "16 GB" for whole numbers and from 100 up, else one decimal ("7.5 GB");
    // always a point as the decimal separator, whatever the locale.
    static std::string gigabyteText(double gigabytes);

private:
    // Declared before the actor so that it outlives the actor's thread.
    Core core_;
    Actor actor_;
};

}  // namespace zephrane
