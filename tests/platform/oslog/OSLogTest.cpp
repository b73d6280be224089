#include "platform/oslog/OSLog.hpp"

#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace zephrane::oslog {
namespace {

TEST(OSLog, OneLoggerPerSubsystemAndCategory) {
    const Logger& a = logger("com.zephrane.smc", "discovery");
    EXPECT_EQ(&a, &logger("com.zephrane.smc", "discovery"));
    EXPECT_NE(&a, &logger("com.zephrane.smc", "other"));
    EXPECT_EQ(a.subsystem(), "com.zephrane.smc");
    EXPECT_EQ(a.category(), "discovery");
}

TEST(OSLog, CaptureSinkSeesExactTextsAndLevelsWhileItLives) {
    setOutput(Output::none);
    logger("s", "c").info("before");
    std::vector<LogRecord> seen;
    {
        CaptureSink capture;
        logger("s", "c").info("plain — with a dash");
        logger("s", "c").error("bad");
        logger("s", "other").fault("worse");
        EXPECT_TRUE(capture.contains(Level::info, "plain — with a dash"));
        EXPECT_FALSE(capture.contains(Level::error, "plain — with a dash"));
        EXPECT_EQ(capture.records("s", "c").size(), 2u);
        seen = capture.records();
    }
    logger("s", "c").info("after");  // no sink left: must not touch the dead one
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2], (LogRecord{"s", "other", Level::fault, "worse"}));
    setOutput(Output::standardError);
}

TEST(OSLog, ConcurrentLoggingLosesNothing) {
    setOutput(Output::none);
    CaptureSink capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 250; ++i) logger("s", "cat" + std::to_string(t)).info("x");
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(capture.records().size(), 1000u);
    setOutput(Output::standardError);
}

}  // namespace
}  // namespace zephrane::oslog
