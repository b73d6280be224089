// The heat sampler on this machine's real process table: a child that burns
// CPU shows up in the live ranking.
#include <chrono>
#include <filesystem>
#include <thread>

#include <QTemporaryDir>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "ZephraneApp/Services/Records/HeatAttributionSampler.hpp"
#include "platform/proc/LinuxProcessTable.hpp"

namespace zephrane {
namespace {

using namespace std::chrono_literals;

std::uint64_t cpuNanoseconds(proc::ProcessTable& table, proc::Pid pid) {
    const auto times = table.cpuTimes(pid);
    return times ? times->userNanoseconds + times->systemNanoseconds : 0;
}

TEST(HeatAttributionLiveTest, BusyChildShowsUpInTheLiveRanking) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        volatile std::uint64_t spin = 0;
        for (;;) spin = spin + 1;  // until killed
    }
    struct Reaper {
        pid_t pid;
        ~Reaper() {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    } reaper{child};

    QTemporaryDir dir;
    proc::LinuxProcessTable table;
    QDateTime now = QDateTime::currentDateTime();
    HeatAttributionSampler::Core sampler(dir.filePath("Zephrane"), now, table);
    sampler.sample(now);
    const std::uint64_t before = cpuNanoseconds(table, child);

    // About a second of the child's CPU time, however loaded the machine is.
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (cpuNanoseconds(table, child) < before + 1'000'000'000) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the child never got a second of CPU";
        std::this_thread::sleep_for(20ms);
    }
    const auto live = sampler.sample(now.addSecs(8)).live;

    const std::string self = std::filesystem::read_symlink("/proc/self/exe").filename().string();
    const auto entry =
        std::find_if(live.begin(), live.end(), [&](const HeatSource& source) { return source.name == self; });
    ASSERT_NE(entry, live.end()) << "not among the " << live.size() << " hottest";
    EXPECT_GE(entry->cpuSeconds, 0.99);  // the counters tick in 10 ms steps
    EXPECT_TRUE(entry->pid == child || entry->pid == ::getpid()) << entry->pid;
    EXPECT_GT(entry->cpuShare, 0);
    EXPECT_LE(entry->cpuShare, 1);
}

}  // namespace
}  // namespace zephrane
