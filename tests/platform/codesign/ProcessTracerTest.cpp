#include "platform/codesign/ProcessTracer.hpp"

#include <signal.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace zephrane::codesign {
namespace {

// The lines around the two this reads, as Linux 6 prints them for a process
// traced by process 4242.
constexpr std::string_view kTracedStatus =
    "Name:\tBrumalune\n"
    "Umask:\t0022\n"
    "State:\tS (sleeping)\n"
    "Tgid:\t5000\n"
    "Ngid:\t0\n"
    "Pid:\t5000\n"
    "PPid:\t4242\n"
    "TracerPid:\t4242\n"
    "Uid:\t1000\t1000\t1000\t1000\n"
    "Gid:\t1000\t1000\t1000\t1000\n";

TEST(ProcessTracer, ReadsTheTracerAndTheUidsFromAStatusText) {
    EXPECT_EQ(statusNumber(kTracedStatus, "TracerPid"), 4242);
    EXPECT_EQ(statusNumber(kTracedStatus, "PPid"), 4242);
    EXPECT_EQ(statusUids(kTracedStatus), (std::vector<uid_t>{1000, 1000, 1000, 1000}));
    EXPECT_EQ(statusUids("Uid:\t0\t1000\t0\t1000\n"), (std::vector<uid_t>{0, 1000, 0, 1000}));
}

TEST(ProcessTracer, WhatIsNoSuchLineReadsAsNothing) {
    const struct {
        const char* edge;
        std::string_view status;
    } cases[] = {
        {"no such line", "Name:\tx\nPid:\t1\n"},
        {"the name only as a prefix of another", "TracerPidX:\t7\n"},
        {"no number", "TracerPid:\t\n"},
        {"more after the number", "TracerPid:\t7 8\n"},
        {"the name inside another line", "Name:\tTracerPid:\t7\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(statusNumber(c.status, "TracerPid"), std::nullopt) << c.edge;
    EXPECT_EQ(statusUids("Uid:\t1000\t1000\t1000\n"), std::nullopt) << "three ids";
    EXPECT_EQ(statusUids("Uid:\t1000\t1000\t1000\t1000\t7\n"), std::nullopt) << "five ids";
    EXPECT_EQ(statusUids("Uid:\t-1\t0\t0\t0\n"), std::nullopt) << "a negative id";
    EXPECT_EQ(statusUids("Uid:\t99999999999\t0\t0\t0\n"), std::nullopt) << "beyond a uid";
}

TEST(ProcessTracer, ALiveChildTracedByThisProcessNamesItWithItsUids) {
    EXPECT_EQ(tracerOf(::getpid()), std::nullopt) << "nothing traces the test";

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        ::raise(SIGSTOP);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSTOPPED(status));
    const std::optional<Tracer> tracer = tracerOf(child);
    ::ptrace(PTRACE_DETACH, child, nullptr, nullptr);
    ::kill(child, SIGCONT);
    ::waitpid(child, &status, 0);

    uid_t real = 0, effective = 0, saved = 0;
    ASSERT_EQ(::getresuid(&real, &effective, &saved), 0);
    EXPECT_EQ(tracer, (Tracer{::getpid(), {real, effective, saved, effective}}));
    EXPECT_EQ(tracerOf(child), Tracer{}) << "a process that is gone cannot be read";
}

}  // namespace
}  // namespace zephrane::codesign
