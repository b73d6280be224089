#include "platform/oslog/OSLog.hpp"

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
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

TEST(OSLog, LevelNamesAreTheVariablesSpelling) {
    EXPECT_EQ(levelNamed("debug"), Level::debug);
    EXPECT_EQ(levelNamed("info"), Level::info);
    EXPECT_EQ(levelNamed("error"), Level::error);
    EXPECT_EQ(levelNamed("fault"), Level::fault);
    EXPECT_EQ(levelNamed(""), std::nullopt);
    EXPECT_EQ(levelNamed("Debug"), std::nullopt) << "lower case only";
    EXPECT_EQ(levelNamed("warning"), std::nullopt) << "not one of ours";
}

TEST(OSLog, StderrTakesOnlyLinesAtTheOutputLevelCaptureSinksTakeAll) {
    const Level before = outputLevel();
    CaptureSink capture;
    setOutputLevel(Level::error);
    ::testing::internal::CaptureStderr();
    logger("s", "c").debug("quiet debug");
    logger("s", "c").info("quiet info");
    logger("s", "c").error("loud error");
    const std::string written = ::testing::internal::GetCapturedStderr();
    setOutputLevel(before);
    EXPECT_THAT(written, ::testing::HasSubstr("loud error"));
    EXPECT_THAT(written, ::testing::Not(::testing::HasSubstr("quiet")));
    EXPECT_EQ(capture.records("s", "c").size(), 3u) << "a capture sink sees below the threshold too";
}

// The variable is read when a process first logs: each case runs in a
// fresh process of its own.
class OSLogVariable : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
    void TearDown() override { ::unsetenv("ZEPHRANE_LOG_LEVEL"); }

    static void logBothAndExit() {
        logger("com.zephrane.test", "variable").debug("a client connected");
        logger("com.zephrane.test", "variable").info("the link is up");
        std::exit(0);
    }
};

TEST_F(OSLogVariable, UnsetOrEmptyWritesInfoAndAboveOnly) {
    const auto infoOnly = ::testing::AllOf(::testing::HasSubstr("the link is up"),
                                           ::testing::Not(::testing::HasSubstr("a client connected")),
                                           ::testing::Not(::testing::HasSubstr("is none of")));
    ::unsetenv("ZEPHRANE_LOG_LEVEL");
    EXPECT_EXIT(logBothAndExit(), ::testing::ExitedWithCode(0), infoOnly);
    // What systemd-socket-activate -E hands on from an environment without it.
    ::setenv("ZEPHRANE_LOG_LEVEL", "", 1);
    EXPECT_EXIT(logBothAndExit(), ::testing::ExitedWithCode(0), infoOnly);
}

TEST_F(OSLogVariable, DebugWritesDebugLinesToo) {
    ::setenv("ZEPHRANE_LOG_LEVEL", "debug", 1);
    EXPECT_EXIT(logBothAndExit(), ::testing::ExitedWithCode(0),
                ::testing::AllOf(::testing::HasSubstr("a client connected"), ::testing::HasSubstr("the link is up")));
}

TEST_F(OSLogVariable, AnUnknownValueIsNamedAndInfoIsKept) {
    ::setenv("ZEPHRANE_LOG_LEVEL", "verbose", 1);
    EXPECT_EXIT(logBothAndExit(), ::testing::ExitedWithCode(0),
                ::testing::AllOf(::testing::HasSubstr("ZEPHRANE_LOG_LEVEL \"verbose\" is none of"),
                                 ::testing::HasSubstr("the link is up"),
                                 ::testing::Not(::testing::HasSubstr("a client connected"))));
}

}  // namespace
}  // namespace zephrane::oslog
