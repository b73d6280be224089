#include "sim/HostCpuLoad.hpp"

#include <fstream>

#include <gtest/gtest.h>

namespace zephrane::sim {
namespace {

class HostCpuLoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zephrane-cpuload-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::filesystem::path stat(const std::string& firstLine) {
        std::ofstream(dir_ / "stat") << firstLine << "\ncpu0 1 2 3 4\nintr 12345\n";
        return dir_ / "stat";
    }

    std::filesystem::path dir_;
};

TEST_F(HostCpuLoadTest, BusyShareBetweenSamples) {
    // user nice system idle iowait irq softirq steal guest guest_nice
    HostCpuLoad load(stat("cpu  100 0 100 700 100 0 0 0 50 0"));
    stat("cpu  160 0 140 760 140 0 0 0 90 0");  // +100 busy, +100 idle/iowait
    EXPECT_DOUBLE_EQ(load.sample(), 0.5) << "guest time is inside user time and not counted twice";
    stat("cpu  160 0 140 860 140 0 0 0 90 0");
    EXPECT_DOUBLE_EQ(load.sample(), 0.0);
    stat("cpu  200 0 140 860 140 0 0 0 90 0");
    EXPECT_DOUBLE_EQ(load.sample(), 1.0);
}

TEST_F(HostCpuLoadTest, UnreadableOrStillFilesRepeatTheLastValue) {
    HostCpuLoad load(stat("cpu  100 0 0 100"));  // a kernel with only four counters
    stat("cpu  130 0 0 110");
    EXPECT_DOUBLE_EQ(load.sample(), 0.75);
    stat("cpu  130 0 0 110");
    EXPECT_DOUBLE_EQ(load.sample(), 0.75) << "no time passed";
    stat("garbage");
    EXPECT_DOUBLE_EQ(load.sample(), 0.75);
    std::filesystem::remove(dir_ / "stat");
    EXPECT_DOUBLE_EQ(load.sample(), 0.75);

    HostCpuLoad missing(dir_ / "absent");
    EXPECT_DOUBLE_EQ(missing.sample(), 0.0);
}

TEST_F(HostCpuLoadTest, TheRealHostGivesAShare) {
    const LoadSource source = HostCpuLoad::source();
    const double load = source(SimDuration::zero());
    EXPECT_GE(load, 0.0);
    EXPECT_LE(load, 1.0);
}

}  // namespace
}  // namespace zephrane::sim
