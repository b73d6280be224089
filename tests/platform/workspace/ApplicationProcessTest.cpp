#include "platform/workspace/ApplicationProcess.hpp"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "ProcFixture.hpp"

extern char** environ;

namespace zephrane::workspace {
namespace {

using testing::ProcFixture;

constexpr std::int32_t kSelf = 900;

// A process entry of the fixture with the stat line and environment a
// policy is read from.
void addProcess(ProcFixture& proc, int pid, const std::string& executable, const std::string& comm, int terminal,
                const std::string& environment) {
    proc.addProcess(pid, executable, comm);
    const auto dir = proc.root() / std::to_string(pid);
    std::ofstream(dir / "stat") << pid << " (" << comm << ") S 1 " << pid << " " << pid << " " << terminal
                                << " -1 4194304 0 0\n";
    std::ofstream(dir / "environ", std::ios::binary) << environment;
}

TEST(ApplicationProcessTest, LooksAnApplicationUpByItsProcessIdentifier) {
    ProcFixture proc("lookup");
    const std::string display("HOME=/home/u\0DISPLAY=:0\0", 24);
    addProcess(proc, 100, "/usr/bin/gedit", "gedit", 0, display);
    addProcess(proc, 101, "/usr/bin/yes", "yes", 34817, "HOME=/home/u");
    addProcess(proc, 102, "/usr/lib/pipewire", "pipewire", 0, std::string("HOME=/home/u\0XDISPLAY=1\0", 24));
    addProcess(proc, 103, "/usr/bin/foot", "foot", 0, std::string("WAYLAND_DISPLAY=wayland-0\0", 26));
    addProcess(proc, kSelf, "/opt/Brumalune.app/Contents/MacOS/Brumalune", "Brumalune", 0, display);
    addProcess(proc, 104, "/opt/Tools/Contents/MacOS/tool", "tool (x) y", 34817, "");
    addProcess(proc, 105, "/usr/bin/odd", "odd", 0, "DISPLAY=:0");  // no final NUL
    proc.addProcessWithoutExecutable(106, "kworker/0:1");
    const ApplicationProcessOptions mine{.procRoot = proc.rootText(), .user = std::nullopt, .selfPid = kSelf};
    const ApplicationProcessOptions someoneElse{.procRoot = proc.rootText(),
                                                .user = static_cast<std::uint32_t>(::geteuid()) + 1,
                                                .selfPid = kSelf};
    using enum ActivationPolicy;
    const struct {
        const char* edge;
        std::int32_t pid;
        ApplicationProcessOptions options;
        std::optional<ApplicationProcess> expected;
    } cases[] = {
        {"started into the display", 100, mine, ApplicationProcess{100, "gedit", std::nullopt, "gedit", regular}},
        {"a terminal's program", 101, mine, ApplicationProcess{101, "yes", std::nullopt, "yes", regular}},
        {"a session daemon: DISPLAY only inside another name", 102, mine,
         ApplicationProcess{102, "pipewire", std::nullopt, "pipewire", prohibited}},
        {"started into a Wayland session", 103, mine, ApplicationProcess{103, "foot", std::nullopt, "foot", regular}},
        {"the app itself lives in the tray", kSelf, mine,
         ApplicationProcess{kSelf, "Brumalune", "Brumalune", "Brumalune", accessory}},
        {"parentheses in the name; not a bundle without .app", 104, mine,
         ApplicationProcess{104, "tool (x) y", std::nullopt, "tool", regular}},
        {"an environment without a final NUL", 105, mine, ApplicationProcess{105, "odd", std::nullopt, "odd", regular}},
        {"another user's process", 100, someoneElse,
         ApplicationProcess{100, "gedit", std::nullopt, "gedit", prohibited}},
        {"no executable: a kernel thread", 106, mine, std::nullopt},
        {"no such process", 107, mine, std::nullopt},
        {"identifier 0", 0, mine, std::nullopt},
        {"a negative identifier", -1, mine, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        EXPECT_EQ(runningApplication(c.pid, c.options), c.expected);
    }
}

TEST(ApplicationProcessTest, AnyOfTheNamesCountsIgnoringCase) {
    const ApplicationProcess app{7, "Web Content", "Éclair", "eclair-bin", ActivationPolicy::regular};
    const ApplicationProcess bare{8, "", std::nullopt, "tool", ActivationPolicy::regular};
    const struct {
        const ApplicationProcess* application;
        const char* name;
        bool expected;
    } cases[] = {
        {&app, "web content", true},  {&app, "ÉCLAIR", true},  {&app, "éclair", true},
        {&app, "ECLAIR-BIN", true},   {&app, "Eclair", false}, {&app, "Web", false},
        {&bare, "", false},           {&bare, "TOOL", true},
    };
    for (const auto& c : cases) EXPECT_EQ(isNamed(*c.application, c.name), c.expected) << c.name;
}

// A real child process (sleep), reaped by the test.
class Child {
public:
    Child() {
        char program[] = "/bin/sleep";
        char seconds[] = "60";
        char* argv[] = {program, seconds, nullptr};
        if (::posix_spawn(&pid_, program, nullptr, nullptr, argv, environ) != 0) pid_ = 0;
    }
    ~Child() {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return pid_; }
    // The signal that ended it, once it has ended within a few seconds; 0
    // while it still runs.
    int endingSignal() {
        int status = 0;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < end) {
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));  // polling a child's end
        }
        return 0;
    }
    bool running() { return ::waitpid(pid_, nullptr, WNOHANG) == 0; }
    void killAndReap() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        reaped_ = true;
    }

private:
    pid_t pid_ = 0;
    bool reaped_ = false;
};

// The child has run its program (until then /proc shows the test's own).
void waitForExec(pid_t pid) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < end) {
        const auto app = runningApplication(pid);
        if (app && app->executableName == "sleep") return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));  // polling the exec
    }
}

TEST(ApplicationProcessTest, QuitsTheNamedProcessPolitely) {
    for (const char* name : {"sleep", "SLEEP"}) {
        Child child;
        ASSERT_GT(child.pid(), 0);
        waitForExec(child.pid());
        EXPECT_EQ(quitApplication(child.pid(), name), QuitOutcome::requested) << name;
        EXPECT_EQ(child.endingSignal(), SIGTERM) << name;
    }
}

TEST(ApplicationProcessTest, LeavesAProcessOfAnotherNameOrUserAlone) {
    Child child;
    ASSERT_GT(child.pid(), 0);
    waitForExec(child.pid());
    EXPECT_EQ(quitApplication(child.pid(), "firefox"), QuitOutcome::notNamed);
    ApplicationProcessOptions otherUser;
    otherUser.user = static_cast<std::uint32_t>(::geteuid()) + 1;
    EXPECT_EQ(quitApplication(child.pid(), "sleep", otherUser), QuitOutcome::notPermitted);
    EXPECT_TRUE(child.running());
}

TEST(ApplicationProcessTest, AProcessThatIsGoneIsNotQuit) {
    Child child;
    ASSERT_GT(child.pid(), 0);
    const pid_t pid = child.pid();
    child.killAndReap();
    EXPECT_EQ(quitApplication(pid, "sleep"), QuitOutcome::noSuchProcess);
    EXPECT_EQ(quitApplication(0, "sleep"), QuitOutcome::noSuchProcess);
    EXPECT_EQ(quitApplication(-5, "sleep"), QuitOutcome::noSuchProcess);
}

// The pinned process ends while its names are read and its number goes to
// another process called the same (the fixture's entry stands in for it):
// the newcomer is not signalled.
TEST(ApplicationProcessTest, AReusedNumberIsNotQuitUnderTheOldName) {
    ProcFixture proc("reused");
    Child child;
    ASSERT_GT(child.pid(), 0);
    waitForExec(child.pid());
    addProcess(proc, child.pid(), "/bin/sleep", "sleep", 34817, "");
    ApplicationProcessOptions newcomer;
    newcomer.procRoot = proc.rootText();
    ASSERT_TRUE(runningApplication(child.pid(), newcomer).has_value());
    EXPECT_EQ(quitApplication(child.pid(), "sleep", newcomer, [&child] { child.killAndReap(); }),
              QuitOutcome::noSuchProcess);
}

}  // namespace
}  // namespace zephrane::workspace
