#include "platform/host/LinuxHost.hpp"

#include <filesystem>
#include <fstream>
#include <map>

#include <unistd.h>

#include <gtest/gtest.h>

namespace zephrane::host {
namespace {

namespace fs = std::filesystem;

// A /proc and /sys tree with exactly the listed files, removed afterwards.
class FileTree {
public:
    explicit FileTree(const std::map<std::string, std::string>& files) {
        static int serial = 0;
        root_ = fs::temp_directory_path() /
                ("host-tree-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
        fs::remove_all(root_);
        fs::create_directories(root_);
        for (const auto& [path, content] : files) {
            const fs::path file = root_ / path;
            fs::create_directories(file.parent_path());
            std::ofstream(file) << content;
        }
    }
    ~FileTree() { fs::remove_all(root_); }
    FileTree(const FileTree&) = delete;
    FileTree& operator=(const FileTree&) = delete;

    LinuxHost host() const { return LinuxHost(root_.string()); }

private:
    fs::path root_;
};

std::uint64_t systemPageSize() { return static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE)); }

TEST(LinuxHostTest, ReadsCPUTicksFromTheFirstLineOfProcStat) {
    using Ticks = std::optional<CPULoadInfo>;
    struct Case {
        const char* edge;
        std::optional<std::string> stat;  // nothing: no file
        Ticks expected;
    };
    const Case cases[] = {
        {"current kernel: irq and softirq are system time, iowait is idle, steal counts nowhere",
         "cpu  2639474 10 378958 4219212 2716 5 1659 968 0 0\ncpu0 1 2 3 4 5 6 7 8 0 0\nintr 1 2 3\n",
         CPULoadInfo{.user = 2639474, .system = 378958 + 5 + 1659, .idle = 4219212 + 2716, .nice = 10}},
        {"oldest kernels print four fields", "cpu 100 2 30 400\n", CPULoadInfo{100, 30, 400, 2}},
        {"no newline at the end", "cpu 100 2 30 400", CPULoadInfo{100, 30, 400, 2}},
        {"counters past 32 bits are cut to the Mac's width",
         "cpu 4294967301 0 4294967295 8589934594 1 0 1 0 0 0\n",
         CPULoadInfo{.user = 5, .system = 0, .idle = 3, .nice = 0}},
        {"line cut after three fields", "cpu  2639474 10 378958\n", std::nullopt},
        {"a field that is not a number", "cpu  2639474 1O 378958 4219212 2716 0 1659 968 0 0\n", std::nullopt},
        {"a negative field", "cpu  -2639474 10 378958 4219212\n", std::nullopt},
        {"first line is a single CPU", "cpu0 1 2 3 4 5 6 7\n", std::nullopt},
        {"empty file", "", std::nullopt},
        {"no file", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        std::map<std::string, std::string> files;
        if (c.stat) files["proc/stat"] = *c.stat;
        const FileTree tree(files);
        EXPECT_EQ(tree.host().cpuLoadInfo(), c.expected);
    }
}

TEST(LinuxHostTest, SplitsUsedMemoryIntoPageClassesThatSumToTotalLessAvailable) {
    const std::uint64_t page = systemPageSize();
    struct Case {
        const char* edge;
        std::optional<std::string> meminfo;
        // Expected bytes per class (divided into pages below); nothing: the read fails.
        std::optional<std::array<std::uint64_t, 3>> activeWiredCompressed;
        std::uint64_t physical;
    };
    constexpr std::uint64_t KiB = 1024;
    const Case cases[] = {
        {"every line present",
         "MemTotal:       16000000 kB\nMemFree:  1000 kB\nMemAvailable:   10000000 kB\nUnevictable: 18432 kB\n"
         "SUnreclaim: 60000 kB\nKernelStack: 20000 kB\nPageTables: 40000 kB\nZswap: 500000 kB\n"
         "HugePages_Total:       0\n",
         std::array{(6000000 - 500000 - 138432) * KiB, 138432 * KiB, 500000 * KiB}, 16000000 * KiB},
        {"kernel without zswap or page-table lines",
         "MemTotal: 8000000 kB\nMemAvailable: 6000000 kB\nUnevictable: 1000 kB\n",
         std::array{(2000000 - 1000) * KiB, 1000 * KiB, std::uint64_t{0}}, 8000000 * KiB},
        {"unreclaimable memory beyond the used figure is capped to it",
         "MemTotal: 8000000 kB\nMemAvailable: 7990000 kB\nSUnreclaim: 50000 kB\nZswap: 4000 kB\n",
         std::array{std::uint64_t{0}, 6000 * KiB, 4000 * KiB}, 8000000 * KiB},
        {"more available than total counts nothing as used", "MemTotal: 1000 kB\nMemAvailable: 2000 kB\n",
         std::array<std::uint64_t, 3>{}, 1000 * KiB},
        {"no MemAvailable (kernels before 3.14)", "MemTotal: 8000000 kB\nMemFree: 10 kB\n", std::nullopt,
         8000000 * KiB},
        {"garbage value", "MemTotal: lots kB\nMemAvailable: 6000000 kB\n", std::nullopt, 0},
        {"value without its unit", "MemTotal: 8000000\nMemAvailable: 6000000 kB\n", std::nullopt, 0},
        {"value that overflows in bytes", "MemTotal: 36028797018963968 kB\nMemAvailable: 0 kB\n", std::nullopt, 0},
        {"not meminfo at all", "\x01\x02garbage\n", std::nullopt, 0},
        {"no file", std::nullopt, std::nullopt, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        std::map<std::string, std::string> files;
        if (c.meminfo) files["proc/meminfo"] = *c.meminfo;
        const FileTree tree(files);
        LinuxHost host = tree.host();
        const auto statistics = host.vmStatistics64();
        EXPECT_EQ(host.physicalMemory(), c.physical);
        if (!c.activeWiredCompressed) {
            EXPECT_EQ(statistics, std::nullopt);
            continue;
        }
        const auto [active, wired, compressed] = *c.activeWiredCompressed;
        EXPECT_EQ(statistics, (VMStatistics64{active / page, wired / page, compressed / page}));
    }
}

TEST(LinuxHostTest, SumsSwapDevicesFromProcSwaps) {
    constexpr std::string_view kHeader = "Filename\t\t\t\tType\t\tSize\t\tUsed\t\tPriority\n";
    struct Case {
        const char* edge;
        std::optional<std::string> swaps;
        std::optional<SwapUsage> expected;
    };
    const Case cases[] = {
        {"two devices, one with a blank in its escaped name",
         std::string(kHeader) + "/dev/sda2  partition\t8388604\t\t1024\t\t-2\n"
                                "/swap\\040file  file\t1048576\t\t0\t\t-3\n",
         SwapUsage{.total = (8388604ull + 1048576) * 1024, .available = (8388604ull + 1048576 - 1024) * 1024,
                   .used = 1024ull * 1024}},
        {"no swap configured", std::string(kHeader), SwapUsage{}},
        {"more used than size never gives a negative available",
         std::string(kHeader) + "/dev/zram0 partition 100 200 100\n", SwapUsage{102400, 0, 204800}},
        {"line cut before the used column", std::string(kHeader) + "/dev/sda2  partition\t8388604\n", std::nullopt},
        {"size that is not a number", std::string(kHeader) + "/dev/sda2 partition big 0 -2\n", std::nullopt},
        {"header missing", "/dev/sda2 partition 100 0 -2\n", std::nullopt},
        {"empty file", "", std::nullopt},
        {"kernel built without swap: no file", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        std::map<std::string, std::string> files;
        if (c.swaps) files["proc/swaps"] = *c.swaps;
        const FileTree tree(files);
        EXPECT_EQ(tree.host().swapUsage(), c.expected);
    }
}

TEST(LinuxHostTest, CountsCPUsForTheSysctlNames) {
    using Count = std::optional<std::int64_t>;
    struct Case {
        const char* edge;
        std::map<std::string, std::string> files;
        Count ncpu, performance, efficiency;
    };
    const Case cases[] = {
        {"hybrid CPU: performance and efficiency cores listed apart",
         {{"sys/devices/system/cpu/present", "0-23\n"},
          {"sys/devices/cpu_core/cpus", "0-15\n"},
          {"sys/devices/cpu_atom/cpus", "16-23\n"}},
         24, 16, 8},
        {"one kind of core: no performance levels", {{"sys/devices/system/cpu/present", "0-7\n"}}, 8, {}, {}},
        {"gaps and single CPUs in the list", {{"sys/devices/system/cpu/present", "0,2-5,8\n"}}, 6, {}, {}},
        {"every efficiency core offline", {{"sys/devices/cpu_core/cpus", "0-7"}, {"sys/devices/cpu_atom/cpus", "\n"}},
         {}, 8, 0},
        {"reversed range", {{"sys/devices/system/cpu/present", "7-0\n"}}, {}, {}, {}},
        {"garbage", {{"sys/devices/system/cpu/present", "0-x\n"}}, {}, {}, {}},
        {"no files", {}, {}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        const FileTree tree(c.files);
        LinuxHost host = tree.host();
        EXPECT_EQ(host.sysctlInteger("hw.ncpu"), c.ncpu);
        EXPECT_EQ(host.sysctlInteger("hw.perflevel0.logicalcpu"), c.performance);
        EXPECT_EQ(host.sysctlInteger("hw.perflevel1.logicalcpu"), c.efficiency);
        EXPECT_EQ(host.sysctlInteger("hw.memsize"), std::nullopt) << "only the names the sampler asks for";
    }
}

TEST(LinuxHostTest, VolumeCapacityOfAnExistingPathAndAFailureForAMissingOne) {
    LinuxHost host;
    const auto capacity = host.volumeCapacity(fs::temp_directory_path().string());
    ASSERT_TRUE(capacity.has_value());
    ASSERT_TRUE(capacity->total.has_value());
    ASSERT_TRUE(capacity->availableForImportantUsage.has_value());
    EXPECT_GT(*capacity->total, 0);
    EXPECT_GE(*capacity->availableForImportantUsage, 0);
    EXPECT_LE(*capacity->availableForImportantUsage, *capacity->total);

    EXPECT_EQ(host.volumeCapacity("/nonexistent/volume"), std::nullopt);
}

// This machine's own /proc and /sys: whatever it is, the figures must be
// present and hang together.
TEST(LinuxHostTest, ReadsThisMachinePlausibly) {
    LinuxHost host;
    ASSERT_TRUE(host.cpuLoadInfo().has_value());

    const auto page = host.pageSize();
    ASSERT_TRUE(page.has_value());
    EXPECT_GE(*page, 4096u);
    const std::uint64_t physical = host.physicalMemory();
    EXPECT_GT(physical, 64u * 1024 * 1024);
    const auto vm = host.vmStatistics64();
    ASSERT_TRUE(vm.has_value());
    const std::uint64_t usedBytes = (vm->activeCount + vm->wireCount + vm->compressorPageCount) * *page;
    EXPECT_GT(usedBytes, 0u);
    EXPECT_LE(usedBytes, physical);

    const auto ncpu = host.sysctlInteger("hw.ncpu");
    ASSERT_TRUE(ncpu.has_value());
    EXPECT_GE(*ncpu, 1);
    const auto performance = host.sysctlInteger("hw.perflevel0.logicalcpu");
    const auto efficiency = host.sysctlInteger("hw.perflevel1.logicalcpu");
    if (performance && efficiency) {
        EXPECT_LE(*performance + *efficiency, *ncpu);
    }

    const auto swap = host.swapUsage();
    ASSERT_TRUE(swap.has_value()) << "every kernel we run on has /proc/swaps";
    EXPECT_LE(swap->used, swap->total);
    EXPECT_EQ(swap->available, swap->total - swap->used);

    const auto root = host.volumeCapacity("/");
    ASSERT_TRUE(root.has_value());
    ASSERT_TRUE(root->total.has_value());
    EXPECT_GT(*root->total, 0);
}

}  // namespace
}  // namespace zephrane::host
