#include "ZephraneApp/Services/Monitors/ProgramOutput.hpp"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <stop_token>
#include <thread>

#include <gtest/gtest.h>

#include "tests/ZephraneApp/Services/Monitors/ScriptDirectory.hpp"

namespace zephrane {
namespace {

using namespace std::chrono_literals;
using Outcome = ProgramOutput::Outcome;
using testing::eventually;
using testing::ScriptDirectory;

// Limits no run here should reach: a program that ends by itself, or that
// the test stops, must never be ended by the deadline instead, however
// loaded the machine.
constexpr ProgramLimits kGenerous{1h, 1024 * 1024};

TEST(ProgramOutputTest, ProgramsThatEndByThemselves) {
    const ScriptDirectory dir;
    struct Row {
        const char* edge;
        const char* body;
        std::string output;
        int exitCode;
    } rows[] = {
        {"prints and succeeds", "printf 'one\\ntwo'", "one\ntwo", 0},
        {"fails after printing", "echo partial; exit 3", "partial\n", 3},
        {"the arguments, and nothing else, follow the program", "echo \"$#:$1|$2|$3\"", "3:a b|-c|\n", 0},
        {"stderr goes nowhere", "echo noise >&2; echo clean", "clean\n", 0},
        {"stdin is empty, not ours", "cat; echo done", "done\n", 0},
        {"output larger than one pipe buffer", "head -c 200000 /dev/zero | tr '\\0' x", std::string(200000, 'x'), 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.edge);
        const ProgramOutput run = runProgram(dir.script("program", row.body), {"a b", "-c", ""}, kGenerous);
        ASSERT_EQ(run.outcome, Outcome::exited);
        ASSERT_TRUE(WIFEXITED(run.waitStatus));
        EXPECT_EQ(WEXITSTATUS(run.waitStatus), row.exitCode);
        EXPECT_EQ(run.succeeded(), row.exitCode == 0);
        EXPECT_EQ(run.output, row.output);
    }
}

TEST(ProgramOutputTest, AProgramThatCannotRunFailsToLaunch) {
    const ScriptDirectory dir;
    const std::string notExecutable = dir.file("plain");
    std::ofstream(notExecutable) << "echo hi\n";
    for (const std::string& path : {dir.file("missing"), notExecutable, std::string()}) {
        SCOPED_TRACE(path);
        const ProgramOutput run = runProgram(path, {}, kGenerous);
        EXPECT_EQ(run.outcome, Outcome::launchFailed);
        EXPECT_FALSE(run.succeeded());
    }
}

// Each row leaves something running when the run is ended (the owner
// stopping it, here once the script has got going): the program itself, or
// a child of it that holds the output open. All of it must be killed, the
// program reaped, and every descriptor closed. The deadline ends a run the
// same way.
TEST(ProgramOutputTest, AStoppedRunKillsTheWholeGroupAndReapsIt) {
    const ScriptDirectory dir;
    struct Row {
        const char* edge;
        const char* body;
    } rows[] = {
        {"hangs", "echo $$ > pid; sleep 1000 & echo $! > child; wait"},
        {"closes its output and lingers", "echo $$ > pid; exec >&-; sleep 1000 & echo $! > child; wait"},
        {"exits, leaving a child on the output", "echo $$ > pid; sleep 1000 & echo $! > child; echo started"},
    };
    const std::size_t descriptors = testing::openDescriptorCount();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.edge);
        std::filesystem::remove(dir.file("pid"));
        std::filesystem::remove(dir.file("child"));
        std::stop_source stop;
        std::atomic<bool> ended{false};
        std::thread stopper([&] {
            eventually([&] { return ended || (dir.pidIn("pid") && dir.pidIn("child")); }, 10min);
            stop.request_stop();
        });
        const ProgramOutput run = runProgram(dir.script("program", row.body), {}, kGenerous, stop.get_token());
        ended = true;
        stopper.join();
        EXPECT_EQ(run.outcome, Outcome::cancelled);
        EXPECT_FALSE(run.succeeded());

        const auto pid = dir.pidIn("pid");
        const auto child = dir.pidIn("child");
        ASSERT_TRUE(pid && child) << "the script never got going";
        EXPECT_TRUE(testing::processIsReaped(*pid)) << "no zombie of ours";
        EXPECT_TRUE(eventually([&] { return testing::processIsDead(*child); })) << "the child was left running";
        EXPECT_EQ(testing::openDescriptorCount(), descriptors);
    }
}

// Past the deadline the run ends as timed out, however far the program got
// (on a loaded machine it may not have started yet), and leaves nothing open.
TEST(ProgramOutputTest, PastTheDeadlineTheRunTimesOut) {
    const ScriptDirectory dir;
    const std::size_t descriptors = testing::openDescriptorCount();
    const ProgramOutput run = runProgram(dir.script("program", "sleep 1000 & wait"), {}, {300ms, 1024});
    EXPECT_EQ(run.outcome, Outcome::timedOut);
    EXPECT_FALSE(run.succeeded());
    EXPECT_EQ(testing::openDescriptorCount(), descriptors);
}

// A stop requested before the run starts nothing.
TEST(ProgramOutputTest, AStopAlreadyRequestedRunsNothing) {
    const ScriptDirectory dir;
    std::stop_source stop;
    stop.request_stop();
    const ProgramOutput run = runProgram(dir.script("program", "touch ran"), {}, kGenerous, stop.get_token());
    EXPECT_EQ(run.outcome, Outcome::cancelled);
    EXPECT_FALSE(dir.read("ran").has_value());
}

TEST(ProgramOutputTest, TooMuchOutputIsCutOffAndTheProgramKilled) {
    const ScriptDirectory dir;
    const ProgramOutput run = runProgram(dir.script("program", "echo $$ > pid; exec yes"), {}, {kGenerous.timeout, 4096});
    EXPECT_EQ(run.outcome, Outcome::outputTooLarge);
    EXPECT_GT(run.output.size(), 4096u);
    const auto pid = dir.pidIn("pid");
    ASSERT_TRUE(pid);
    EXPECT_TRUE(testing::processIsReaped(*pid));
}

TEST(ProgramOutputTest, TheProgramInheritsNoDescriptorOfOurs) {
    const ScriptDirectory dir;
    // Opened without close-on-exec, as a careless library might.
    const int opened = ::open("/dev/null", O_RDONLY);
    const int careless = ::fcntl(opened, F_DUPFD, 100);
    ::close(opened);
    ASSERT_GE(careless, 100);
    const ProgramOutput run =
        runProgram(dir.script("program", "for fd in /proc/$$/fd/*; do echo \"${fd##*/}\"; done"), {}, kGenerous);
    ASSERT_TRUE(run.succeeded());
    EXPECT_EQ(run.output.find(std::to_string(careless) + "\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("1\n"), std::string::npos) << "stdout is there";
    ::close(careless);
}

}  // namespace
}  // namespace zephrane
