#include "platform/proc/LinuxProcessTable.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include <gtest/gtest.h>

namespace zephrane::proc {
namespace {

namespace fs = std::filesystem;

TEST(LinuxProcessTableTest, ParsesUserAndSystemTicksFromStatLines) {
    using Ticks = std::optional<std::pair<std::uint64_t, std::uint64_t>>;
    struct Case {
        const char* edge;
        std::string_view line;
        Ticks expected;
    };
    const Case cases[] = {
        {"plain command", "42 (bash) S 1 42 42 0 -1 4194560 100 0 0 0 17 5 0 0 20 0 1 0 9 1 2\n", Ticks({17, 5})},
        {"command with spaces and parentheses", "7 (a) b (c) R 1 7 7 0 -1 0 0 0 0 0 300 12 0 0\n", Ticks({300, 12})},
        {"large counters", "9 (x) S 1 1 1 0 -1 0 0 0 0 0 18446744073709551615 0 0 0", Ticks({UINT64_MAX, 0})},
        {"line cut before stime", "9 (x) S 1 1 1 0 -1 0 0 0 0 0 17", std::nullopt},
        {"no closing parenthesis", "9 (x S 1 1 1 0 -1 0 0 0 0 0 17 5 0 0", std::nullopt},
        {"utime not a number", "9 (x) S 1 1 1 0 -1 0 0 0 0 0 1x 5 0 0", std::nullopt},
        {"empty", "", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        EXPECT_EQ(LinuxProcessTable::parseStatTicks(c.line), c.expected);
    }
}

class PreparedProcTree : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("proc-tree-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "120");
        fs::create_directories(root_ / "7");
        fs::create_directories(root_ / "self");
        fs::create_directories(root_ / "sys");
        std::ofstream(root_ / "120" / "stat") << "120 (Editor Helper) S 1 1 1 0 -1 0 0 0 0 0 250 50 0 0\n";
        std::ofstream(root_ / "120" / "comm") << "Editor Helper\n";
        fs::create_symlink("/opt/editor/bin/Editor Helper (deleted)", root_ / "120" / "exe");
        std::ofstream(root_ / "7" / "stat") << "garbage\n";
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path root_;
};

TEST_F(PreparedProcTree, ListsOnlyNumericEntriesAndReadsEachField) {
    LinuxProcessTable table(root_.string());
    auto pids = table.allPids();
    std::sort(pids.begin(), pids.end());
    EXPECT_EQ(pids, (std::vector<Pid>{7, 120}));

    const std::uint64_t nsPerTick = 1'000'000'000 / static_cast<std::uint64_t>(::sysconf(_SC_CLK_TCK));
    EXPECT_EQ(table.cpuTimes(120), (CPUTimes{250 * nsPerTick, 50 * nsPerTick}));
    EXPECT_EQ(table.executablePath(120), "/opt/editor/bin/Editor Helper");
    EXPECT_EQ(table.shortName(120), "Editor Helper");

    EXPECT_EQ(table.cpuTimes(7), std::nullopt) << "malformed stat";
    EXPECT_EQ(table.executablePath(7), std::nullopt) << "no exe link";
    EXPECT_EQ(table.shortName(7), std::nullopt) << "no comm";
    EXPECT_EQ(table.cpuTimes(99), std::nullopt) << "gone process";
}

TEST(LinuxProcessTableTest, MissingProcRootListsNothing) {
    LinuxProcessTable table("/nonexistent/proc");
    EXPECT_TRUE(table.allPids().empty());
}

TEST(LinuxProcessTableTest, ReadsThisProcess) {
    LinuxProcessTable table;
    const Pid self = ::getpid();
    const auto pids = table.allPids();
    EXPECT_NE(std::find(pids.begin(), pids.end(), self), pids.end());
    EXPECT_TRUE(table.cpuTimes(self).has_value());
    EXPECT_EQ(table.executablePath(self), fs::read_symlink("/proc/self/exe").string());
    EXPECT_EQ(table.shortName(self), fs::path(*table.executablePath(self)).filename().string().substr(0, 15));
}

}  // namespace
}  // namespace zephrane::proc
