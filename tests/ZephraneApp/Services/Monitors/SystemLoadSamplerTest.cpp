// The load sampler over a fake host, a fake registry and a clock the test
// drives.
#include "ZephraneApp/Services/Monitors/SystemLoadSampler.hpp"

#include <atomic>
#include <clocale>
#include <cmath>
#include <limits>
#include <locale>
#include <mutex>
#include <ostream>
#include <stdexcept>

#include <QThread>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "platform/host/FakeHost.hpp"
#include "tests/ZephraneApp/Concurrency/AwaitTask.hpp"

namespace zephrane {

void PrintTo(const SystemLoad& load, std::ostream* out) {
    *out << load.id() << " " << load.fraction << " " << load.detail.value_or("(no detail)");
}

namespace {

using namespace std::chrono_literals;
using Component = SystemLoad::Component;
using host::CPULoadInfo;
using host::FakeHost;
using Json = nlohmann::json;

constexpr std::uint64_t GiB = 1ull << 30;

// Accelerator services as the test lists them; can be told to throw, as a
// broken registry implementation might.
class FakeRegistry final : public iokit::IORegistry {
public:
    void setAccelerators(std::vector<Json> services) {
        std::lock_guard lock(mutex_);
        accelerators_ = std::move(services);
    }
    void setThrows(bool throws) { throws_ = throws; }
    int reads() const { return reads_; }

    std::vector<iokit::RegistryProperties> matchingServices(std::string_view className) override {
        ++reads_;
        if (throws_) throw std::runtime_error("registry gone");
        std::lock_guard lock(mutex_);
        return className == "IOAccelerator" ? accelerators_ : std::vector<Json>{};
    }
    std::optional<iokit::RegistryProperties> entryAtPath(std::string_view) override { return std::nullopt; }
    std::optional<std::string> providingPowerSourceType() override { return std::nullopt; }
    std::optional<nlohmann::json> externalPowerAdapterDetails() override { return std::nullopt; }

private:
    std::mutex mutex_;
    std::vector<Json> accelerators_;
    std::atomic<bool> throws_ = false;
    std::atomic<int> reads_ = 0;
};

Json accelerator(Json statistics) { return {{"IOClass", "AGXAccelerator"}, {"PerformanceStatistics", statistics}}; }

class ManualClock {
public:
    std::chrono::steady_clock::time_point now() const {
        return std::chrono::steady_clock::time_point(std::chrono::nanoseconds(nanoseconds_.load()));
    }
    void advance(std::chrono::nanoseconds step) { nanoseconds_ += step.count(); }

private:
    std::atomic<std::int64_t> nanoseconds_ = std::chrono::nanoseconds(1h).count();
};

// A 16 GiB machine with 8P + 4E cores, memory 40 % used, no swap, a
// 500 GB disk and no GPU, until a test says otherwise.
FakeHost::Figures typicalFigures() {
    FakeHost::Figures figures;
    figures.cpuLoad = CPULoadInfo{.user = 1000, .system = 500, .idle = 8000, .nice = 0};
    figures.pageSize = 16384;
    figures.physicalMemory = 16 * GiB;
    // 419430 pages of 16 KiB: 6.4 GB of 16, 0.4 less a hair.
    figures.vm = host::VMStatistics64{.activeCount = 389430, .wireCount = 20000, .compressorPageCount = 10000};
    figures.sysctls = {{"hw.perflevel0.logicalcpu", 8}, {"hw.perflevel1.logicalcpu", 4}, {"hw.ncpu", 12}};
    figures.swap = host::SwapUsage{};
    figures.volume = host::VolumeCapacity{.total = 500'000'000'000, .availableForImportantUsage = 126'300'000'000};
    return figures;
}

struct Rig {
    std::shared_ptr<FakeHost> host = std::make_shared<FakeHost>(typicalFigures());
    std::shared_ptr<FakeRegistry> registry = std::make_shared<FakeRegistry>();
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    SystemLoadSampler::Core sampler{host, registry, [clock = clock] { return clock->now(); }};

    // Moves the tick counters on by the given busy and idle ticks.
    void tick(std::uint32_t busy, std::uint32_t idle) {
        host->update([&](FakeHost::Figures& f) {
            f.cpuLoad->user += busy;
            f.cpuLoad->idle += idle;
        });
    }
    void setTicks(CPULoadInfo ticks) {
        host->update([&](FakeHost::Figures& f) { f.cpuLoad = ticks; });
    }
};

std::optional<SystemLoad> find(const std::vector<SystemLoad>& loads, Component component) {
    for (const auto& load : loads) {
        if (load.component == component) return load;
    }
    return std::nullopt;
}

std::optional<double> fraction(const std::vector<SystemLoad>& loads, Component component) {
    const auto load = find(loads, component);
    return load ? std::optional(load->fraction) : std::nullopt;
}

TEST(SystemLoadTest, ComponentsAreNamedOnlyByTheirExactRawValues) {
    struct Case {
        std::string_view raw;
        std::optional<Component> expected;
    };
    const Case cases[] = {
        {"Load", Component::overall}, {"CPU", Component::cpu},   {"GPU", Component::gpu},
        {"RAM", Component::memory},   {"Swap", Component::swap}, {"Disk", Component::disk},
        {"memory", std::nullopt},     {"ram", std::nullopt},     {"RAM ", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raw);
        EXPECT_EQ(SystemLoad::componentFromRawValue(c.raw), c.expected);
        if (c.expected) {
            EXPECT_EQ((SystemLoad{*c.expected, 0.5, std::nullopt}.id()), c.raw);
        }
    }
}

TEST(SystemLoadTest, DisplayPercentRoundsHalvesAwayFromZero) {
    const std::pair<double, int> cases[] = {{0.125, 13}, {0.124, 12}, {0.0, 0}, {1.0, 100}, {0.5, 50}, {0.994, 99}};
    for (const auto& [value, percent] : cases) {
        SCOPED_TRACE(value);
        EXPECT_EQ((SystemLoad{Component::cpu, value, std::nullopt}.displayPercent()), percent);
    }
    EXPECT_EQ((SystemLoad{Component::cpu, std::nan(""), std::nullopt}.displayPercent()), 0) << "no undefined cast";
}

TEST(SystemLoadTest, DisplayEquivalenceIgnoresOnlyDifferencesTooSmallToShow) {
    const SystemLoad base{Component::memory, 0.501, "8 GB / 16 GB"};
    struct Case {
        const char* edge;
        SystemLoad other;
        bool equivalent;
    };
    const Case cases[] = {
        {"same percentage", {Component::memory, 0.504, "8 GB / 16 GB"}, true},
        {"next percentage", {Component::memory, 0.51, "8 GB / 16 GB"}, false},
        {"other detail", {Component::memory, 0.501, "8.1 GB / 16 GB"}, false},
        {"detail missing", {Component::memory, 0.501, std::nullopt}, false},
        {"other component", {Component::swap, 0.501, "8 GB / 16 GB"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        EXPECT_EQ(base.displayEquivalent(c.other), c.equivalent);
        EXPECT_EQ(c.other.displayEquivalent(base), c.equivalent);
        EXPECT_NE(base, c.other) << "equality compares exactly";
    }
    EXPECT_EQ(base, (SystemLoad{Component::memory, 0.501, "8 GB / 16 GB"}));
}

TEST(SystemLoadSamplerTest, GigabyteTextUsesAPointWhateverTheLocale) {
    const std::pair<double, const char*> cases[] = {
        {16, "16 GB"},   {7.53, "7.5 GB"},     {123.4, "123 GB"}, {0, "0 GB"},
        {0.04, "0.0 GB"}, {99.96, "100.0 GB"}, {100, "100 GB"},   {2048.7, "2049 GB"},
    };
    struct LocaleGuard {
        std::string saved = std::setlocale(LC_ALL, nullptr);
        std::locale savedGlobal;
        ~LocaleGuard() {
            std::setlocale(LC_ALL, saved.c_str());
            std::locale::global(savedGlobal);
        }
    } guard;
    for (const char* locale : {"C", "de_DE.utf8"}) {
        if (std::setlocale(LC_ALL, locale) == nullptr) continue;  // not installed here
        std::locale::global(std::locale(locale));
        for (const auto& [value, text] : cases) {
            SCOPED_TRACE(std::string(locale) + " " + text);
            EXPECT_EQ(SystemLoadSampler::gigabyteText(value), text);
        }
    }
}

TEST(SystemLoadSamplerTest, OverallIsTheLargestOfCPUGPUAndMemory) {
    using Value = std::optional<double>;
    struct Case {
        const char* edge;
        Value cpu, gpu, memory, expected;
    };
    const Case cases[] = {
        {"GPU absent", 0.7, {}, 0.4, 0.7},
        {"GPU busiest", 0.2, 0.9, 0.4, 0.9},
        {"only memory", {}, {}, 0.4, 0.4},
        {"nothing read", {}, {}, {}, {}},
        {"a value above 1 is clamped", 1.5, {}, {}, 1.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        EXPECT_EQ(SystemLoadSampler::overallLoad(c.cpu, c.gpu, c.memory), c.expected);
    }
}

TEST(SystemLoadSamplerTest, FirstSampleHasNoCPUAndTheSecondGivesTheFullList) {
    Rig rig;
    const auto first = rig.sampler.sample();
    EXPECT_EQ(find(first, Component::cpu), std::nullopt);
    EXPECT_EQ(fraction(first, Component::overall), fraction(first, Component::memory)) << "memory alone";

    rig.tick(70, 30);
    rig.clock->advance(1s);
    const auto second = rig.sampler.sample();
    const std::vector<SystemLoad> expected = {
        {Component::overall, 0.7, std::nullopt},
        {Component::cpu, 0.7, "8P + 4E"},
        {Component::memory, 0.4, "6.4 GB / 16 GB"},
        {Component::disk, 0.7474, "374 GB / 500 GB"},
    };
    ASSERT_EQ(second.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].id());
        EXPECT_EQ(second[i].component, expected[i].component);
        EXPECT_NEAR(second[i].fraction, expected[i].fraction, 1e-6);
        EXPECT_EQ(second[i].detail, expected[i].detail);
    }

    rig.clock->advance(1s);
    EXPECT_EQ(find(rig.sampler.sample(), Component::cpu), std::nullopt) << "counters that did not move give no reading";
}

TEST(SystemLoadSamplerTest, CPUTicksThatWrapGiveTheTrueSmallAdvance) {
    constexpr std::uint32_t kMax = std::numeric_limits<std::uint32_t>::max();
    Rig rig;
    rig.setTicks({.user = kMax - 9, .system = kMax - 4, .idle = kMax - 99, .nice = kMax});
    rig.sampler.sample();
    // user +30, system +10, idle +160, nice +1, each across the wrap.
    rig.setTicks({.user = 20, .system = 5, .idle = 60, .nice = 0});
    const auto cpu = fraction(rig.sampler.sample(), Component::cpu);
    ASSERT_TRUE(cpu.has_value());
    EXPECT_DOUBLE_EQ(*cpu, 41.0 / 201.0);
}

// Linux's iowait can step back, and two overlapping calls can store their
// ticks out of order: no such interval may give a reading outside 0...1.
TEST(SystemLoadSamplerTest, CPUTicksThatStepBackGiveNoReadingAndTheNextIntervalCountsAgain) {
    constexpr std::uint32_t kMax = std::numeric_limits<std::uint32_t>::max();
    struct Case {
        const char* edge;
        CPULoadInfo before, after;
    };
    const Case cases[] = {
        {"idle one tick back while busy advances", {100, 100, 5000, 0}, {170, 100, 4999, 0}},
        {"every counter back", {100, 100, 5000, 10}, {90, 90, 4000, 5}},
        {"user back across zero", {5, 0, 100, 0}, {kMax - 5, 0, 200, 0}},
        {"only nice back", {100, 100, 5000, 10}, {200, 100, 5100, 9}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        Rig rig;
        rig.setTicks(c.before);
        rig.sampler.sample();
        rig.setTicks(c.after);
        const auto loads = rig.sampler.sample();
        EXPECT_EQ(find(loads, Component::cpu), std::nullopt);
        for (const auto& load : loads) {
            EXPECT_TRUE(std::isfinite(load.fraction) && load.fraction >= 0 && load.fraction <= 1) << load.id();
        }
        // The stepped-back counters are the new baseline.
        rig.tick(25, 75);
        EXPECT_EQ(fraction(rig.sampler.sample(), Component::cpu), 0.25);
    }
}

TEST(SystemLoadSamplerTest, CPUDetailIsWorkedOutOncePerSampler) {
    using Sysctls = std::map<std::string, std::int64_t, std::less<>>;
    struct Case {
        const char* edge;
        Sysctls sysctls;
        std::optional<std::string> detail;
    };
    const Case cases[] = {
        {"two performance levels", {{"hw.perflevel0.logicalcpu", 8}, {"hw.perflevel1.logicalcpu", 4}}, "8P + 4E"},
        {"no second level", {{"hw.perflevel0.logicalcpu", 8}, {"hw.ncpu", 10}}, "10 cores"},
        {"empty second level", {{"hw.perflevel0.logicalcpu", 8}, {"hw.perflevel1.logicalcpu", 0}, {"hw.ncpu", 10}},
         "10 cores"},
        {"no CPU count at all", {}, std::nullopt},
        {"a count of zero", {{"hw.ncpu", 0}}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        Rig rig;
        rig.host->update([&](FakeHost::Figures& f) { f.sysctls = c.sysctls; });
        rig.sampler.sample();
        for (int i = 0; i < 3; ++i) {
            rig.tick(10, 10);
            const auto cpu = find(rig.sampler.sample(), Component::cpu);
            ASSERT_TRUE(cpu.has_value());
            EXPECT_EQ(cpu->detail, c.detail);
        }
        const int reads = rig.host->sysctlReads();
        rig.host->update([](FakeHost::Figures& f) { f.sysctls = {{"hw.ncpu", 64}}; });
        rig.tick(10, 10);
        EXPECT_EQ(find(rig.sampler.sample(), Component::cpu)->detail, c.detail);
        EXPECT_EQ(rig.host->sysctlReads(), reads) << "read once, kept";
    }
}

TEST(SystemLoadSamplerTest, MemoryIsActiveWiredAndCompressedPagesOverPhysicalMemory) {
    struct Case {
        const char* edge;
        std::optional<host::VMStatistics64> vm;
        std::optional<std::uint64_t> pageSize;
        std::uint64_t physical;
        std::optional<SystemLoad> expected;
    };
    const Case cases[] = {
        {"typical", host::VMStatistics64{300000, 100000, 124288}, 16384, 16 * GiB,
         SystemLoad{Component::memory, 0.5, "8 GB / 16 GB"}},
        {"more used than physical is clamped", host::VMStatistics64{2 * GiB / 4096, 0, 0}, 4096, GiB,
         SystemLoad{Component::memory, 1.0, "2 GB / 1 GB"}},
        {"statistics failed", std::nullopt, 16384, 16 * GiB, std::nullopt},
        {"page size failed", host::VMStatistics64{1, 1, 1}, std::nullopt, 16 * GiB, std::nullopt},
        {"page size zero", host::VMStatistics64{1, 1, 1}, 0, 16 * GiB, std::nullopt},
        {"physical memory unknown", host::VMStatistics64{1, 1, 1}, 16384, 0, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        Rig rig;
        rig.host->update([&](FakeHost::Figures& f) {
            f.vm = c.vm;
            f.pageSize = c.pageSize;
            f.physicalMemory = c.physical;
        });
        const auto loads = rig.sampler.sample();
        EXPECT_EQ(find(loads, Component::memory), c.expected);
        if (!c.expected) {
            EXPECT_EQ(find(loads, Component::overall), std::nullopt) << "nothing else feeds the overall figure here";
        }
    }
}

TEST(SystemLoadSamplerTest, SwapIsListedOnlyWhenSomeIsInUse) {
    struct Case {
        const char* edge;
        std::optional<host::SwapUsage> swap;
        std::optional<SystemLoad> expected;
    };
    const Case cases[] = {
        {"a quarter used", host::SwapUsage{4 * GiB, 3 * GiB, GiB}, SystemLoad{Component::swap, 0.25, "1 GB / 4 GB"}},
        {"none configured", host::SwapUsage{0, 0, 0}, std::nullopt},
        {"configured, none used", host::SwapUsage{4 * GiB, 4 * GiB, 0}, std::nullopt},
        {"read failed", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        Rig rig;
        rig.host->update([&](FakeHost::Figures& f) { f.swap = c.swap; });
        const auto loads = rig.sampler.sample();
        EXPECT_EQ(find(loads, Component::swap), c.expected);
        if (!c.expected) continue;
        EXPECT_EQ(loads.back().component, Component::disk) << "swap comes before disk";
        EXPECT_EQ(fraction(loads, Component::overall), fraction(loads, Component::memory)) << "swap never counts";
    }
}

TEST(SystemLoadSamplerTest, GPUIsTheBusiestAcceleratorUnderTheFirstKeyItPublishes) {
    struct Case {
        const char* edge;
        std::vector<Json> services;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"first key in order wins", {accelerator({{"GPU Core Utilization", 90}, {"Device Utilization %", 30}})}, 0.3},
        {"last key alone", {accelerator({{"Device Utilization", 55}})}, 0.55},
        {"a text is not a number", {accelerator({{"Device Utilization %", "90"}, {"Renderer Utilization %", 12.5}})},
         0.125},
        {"largest over services",
         {accelerator({{"Device Utilization %", 20}}), accelerator({{"GPU Core Utilization", 65}}),
          accelerator({{"Device Utilization %", 40}})},
         0.65},
        {"services without statistics are skipped",
         {Json{{"IOClass", "Other"}}, Json{{"PerformanceStatistics", "n/a"}}, accelerator({{"Device Utilization", 5}})},
         0.05},
        {"clamped to 0...1", {accelerator({{"Device Utilization %", 250}}), accelerator({{"Device Utilization %", -5}})},
         1.0},
        {"no utilisation under any key", {accelerator({{"In use system memory", 1234}})}, std::nullopt},
        {"no accelerators", {}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        Rig rig;
        rig.registry->setAccelerators(c.services);
        const auto loads = rig.sampler.sample();
        EXPECT_EQ(fraction(loads, Component::gpu), c.expected);
        if (c.expected) {
            EXPECT_EQ(find(loads, Component::gpu)->detail, std::nullopt);
            EXPECT_EQ(loads[1].component, Component::gpu) << "right after overall on a first sample";
        }
    }
}

TEST(SystemLoadSamplerTest, GPUIsReadAtMostEveryThreeSeconds) {
    Rig rig;
    rig.registry->setAccelerators({accelerator({{"Device Utilization %", 30}})});
    EXPECT_EQ(fraction(rig.sampler.sample(), Component::gpu), 0.3);

    rig.registry->setAccelerators({accelerator({{"Device Utilization %", 80}})});
    rig.clock->advance(2999ms);
    EXPECT_EQ(fraction(rig.sampler.sample(), Component::gpu), 0.3) << "the cached value";
    EXPECT_EQ(rig.registry->reads(), 1);

    rig.clock->advance(1ms);
    EXPECT_EQ(fraction(rig.sampler.sample(), Component::gpu), 0.8);
    EXPECT_EQ(rig.registry->reads(), 2);
}

TEST(SystemLoadSamplerTest, AFailedGPUReadIsCachedAsAbsentToo) {
    Rig rig;
    rig.registry->setThrows(true);
    EXPECT_EQ(find(rig.sampler.sample(), Component::gpu), std::nullopt) << "a throwing registry is a failed read";
    rig.registry->setThrows(false);
    rig.registry->setAccelerators({accelerator({{"Device Utilization %", 30}})});
    rig.clock->advance(2s);
    EXPECT_EQ(find(rig.sampler.sample(), Component::gpu), std::nullopt);
    EXPECT_EQ(rig.registry->reads(), 1);
    rig.clock->advance(1s);
    EXPECT_EQ(fraction(rig.sampler.sample(), Component::gpu), 0.3);

    SystemLoadSampler::Core withoutRegistry(rig.host, nullptr, [clock = rig.clock] { return clock->now(); });
    EXPECT_EQ(find(withoutRegistry.sample(), Component::gpu), std::nullopt);
}

TEST(SystemLoadSamplerTest, DiskIsReadAtMostEveryThirtySecondsAndAnAbsentResultIsKept) {
    Rig rig;
    rig.host->update([](FakeHost::Figures& f) { f.volume = std::nullopt; });
    EXPECT_EQ(find(rig.sampler.sample(), Component::disk), std::nullopt);
    EXPECT_EQ(rig.host->lastVolumePath(), "/");

    rig.host->update([](FakeHost::Figures& f) { f.volume = typicalFigures().volume; });
    rig.clock->advance(29s);
    EXPECT_EQ(find(rig.sampler.sample(), Component::disk), std::nullopt);
    EXPECT_EQ(rig.host->volumeReads(), 1);

    rig.clock->advance(1s);
    const auto loads = rig.sampler.sample();
    ASSERT_TRUE(find(loads, Component::disk).has_value());
    EXPECT_EQ(find(loads, Component::disk)->detail, "374 GB / 500 GB") << "decimal gigabytes";
    EXPECT_EQ(rig.host->volumeReads(), 2);
}

TEST(SystemLoadSamplerTest, DiskNeedsBothCapacitiesAndAPositiveTotal) {
    using Capacity = std::optional<host::VolumeCapacity>;
    struct Case {
        const char* edge;
        Capacity volume;
        std::optional<SystemLoad> expected;
    };
    const Case cases[] = {
        {"a quarter used", host::VolumeCapacity{1'000'000'000'000, 750'000'000'000},
         SystemLoad{Component::disk, 0.25, "250 GB / 1000 GB"}},
        {"more available than total reads as empty", host::VolumeCapacity{2'000'000'000, 3'000'000'000},
         SystemLoad{Component::disk, 0, "0 GB / 2 GB"}},
        {"no total", host::VolumeCapacity{std::nullopt, 5}, std::nullopt},
        {"no available figure", host::VolumeCapacity{5, std::nullopt}, std::nullopt},
        {"empty volume", host::VolumeCapacity{0, 0}, std::nullopt},
        {"request failed", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        Rig rig;
        rig.host->update([&](FakeHost::Figures& f) { f.volume = c.volume; });
        EXPECT_EQ(find(rig.sampler.sample(), Component::disk), c.expected);
    }
}

TEST(SystemLoadSamplerTest, AMachineWhereEveryReadFailsGivesAnEmptyList) {
    auto clock = std::make_shared<ManualClock>();
    SystemLoadSampler::Core nothing(nullptr, nullptr, [clock] { return clock->now(); });
    SystemLoadSampler::Core silentHost(std::make_shared<FakeHost>(FakeHost::Figures{}),
                                       std::make_shared<FakeRegistry>(), [clock] { return clock->now(); });
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(nothing.sample().empty());
        EXPECT_TRUE(silentHost.sample().empty());
        clock->advance(31s);
    }
}

// The engine's face: samples awaited together run one at a time on the
// sampler's own thread while the counters move, the registry flips between
// working and throwing and the clock runs past both intervals; every list
// is the core's, well formed.
TEST(SystemLoadSamplerTest, SamplesAwaitedTogetherRunOneAtATimeOnTheSamplersThread) {
    auto host = std::make_shared<FakeHost>(typicalFigures());
    auto registry = std::make_shared<FakeRegistry>();
    auto clock = std::make_shared<ManualClock>();
    registry->setAccelerators({accelerator({{"Device Utilization %", 42}})});
    std::atomic<int> inside{0};
    std::atomic<int> mostInside{0};
    std::atomic<QThread*> readOn{nullptr};
    std::atomic<bool> elsewhereToo{false};
    SystemLoadSampler sampler(host, registry, [&, clock] {
        // The clock is read once per reading that has an interval.
        const int now = ++inside;
        mostInside = std::max(mostInside.load(), now);
        QThread* expected = nullptr;
        if (!readOn.compare_exchange_strong(expected, QThread::currentThread()) && expected != QThread::currentThread())
            elsewhereToo = true;
        --inside;
        return clock->now();
    });

    std::vector<std::shared_ptr<testfakes::Outcome<std::vector<SystemLoad>>>> samples;
    for (int i = 0; i < 200; ++i) {
        // Half-way, let the queue drain once: otherwise a slow sampler thread
        // may find every request queued with the clock already at its end,
        // and read the registry only once.
        if (i == 100) {
            ASSERT_TRUE(testfakes::eventually([&] { return samples.back()->done; }));
        }
        host->update([&](FakeHost::Figures& f) { f.cpuLoad->user += static_cast<std::uint32_t>(i % 7); });
        clock->advance(std::chrono::milliseconds(97 * (i % 50)));
        if (i % 50 == 0) registry->setThrows(i % 100 == 0);
        samples.push_back(testfakes::start(sampler.sample()));
    }
    ASSERT_TRUE(testfakes::eventually([&] { return samples.back()->done; }));
    for (const auto& sample : samples) {
        ASSERT_TRUE(sample->done && sample->value);
        int previous = -1;
        for (const auto& load : *sample->value) {
            const int position = static_cast<int>(load.component);
            EXPECT_GT(position, previous);
            EXPECT_TRUE(std::isfinite(load.fraction) && load.fraction >= 0 && load.fraction <= 1);
            previous = position;
        }
    }
    EXPECT_EQ(mostInside.load(), 1);
    EXPECT_EQ(readOn.load(), sampler.thread());
    EXPECT_FALSE(elsewhereToo) << "read outside the sampler's thread";
    EXPECT_GE(registry->reads(), 2);
}

}  // namespace
}  // namespace zephrane
