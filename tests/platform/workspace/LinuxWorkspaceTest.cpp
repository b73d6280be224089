#include "platform/workspace/LinuxWorkspace.hpp"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/platform/workspace/EventLoopWait.hpp"
#include "tests/platform/workspace/ProcFixture.hpp"

namespace zephrane::workspace {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using zephrane::testing::drain;
using zephrane::testing::processEventsUntil;
using testing::ProcFixture;

QObject* mainQueue() { return WorkspaceNotificationCenter::mainQueue(); }

// Every notification a workspace delivered, as "+path" for a launch and
// "-path" for a termination, with the identifier when there is one.
struct Journal {
    std::mutex mutex;
    std::vector<std::string> entries;
    std::vector<ObserverToken> tokens;

    void observe(Workspace& workspace, QObject* queue) {
        for (const auto name : {NotificationName::didLaunchApplication, NotificationName::didTerminateApplication})
            tokens.push_back(workspace.notificationCenter().addObserver(name, queue, [this](const Notification& n) {
                const std::scoped_lock lock(mutex);
                std::string entry = n.name == NotificationName::didLaunchApplication ? "+" : "-";
                entry += n.application ? n.application->executablePath : "<none>";
                if (n.application && n.application->bundleIdentifier) entry += " " + *n.application->bundleIdentifier;
                entries.push_back(entry);
            }));
    }
    void stop(Workspace& workspace) {
        for (const auto token : tokens) workspace.notificationCenter().removeObserver(token);
    }
    std::vector<std::string> seen() {
        const std::scoped_lock lock(mutex);
        return entries;
    }
    bool has(const std::string& entry) {
        const auto all = seen();
        return std::find(all.begin(), all.end(), entry) != all.end();
    }
    long count(const std::string& entry) {
        const auto all = seen();
        return std::count(all.begin(), all.end(), entry);
    }
};

class FixtureWorkspace : public ::testing::Test {
protected:
    FixtureWorkspace() : proc_(::testing::UnitTest::GetInstance()->current_test_info()->name()) {
        identifiersFile_ = (proc_.root() / "identifiers.json").string();
        std::ofstream(identifiersFile_) << R"({"blender": "org.blenderfoundation.blender"})";
    }

    LinuxWorkspaceOptions options(std::chrono::milliseconds interval = 5ms) const {
        return {proc_.rootText(), identifiersFile_, interval, std::nullopt};
    }

    ProcFixture proc_;
    std::string identifiersFile_;
};

TEST_F(FixtureWorkspace, AnswersTheFirstScanAtOnceAndStopsWithoutWaitingForTheNext) {
    proc_.addProcess(1, "/usr/lib/systemd/systemd");
    proc_.addProcess(40, "/opt/blender/blender");
    const auto started = std::chrono::steady_clock::now();
    {
        LinuxWorkspace workspace(options(1h));
        EXPECT_EQ(workspace.runningApplications(),
                  (std::vector<RunningApplication>{{"/usr/lib/systemd/systemd", std::nullopt},
                                                   {"/opt/blender/blender", "org.blenderfoundation.blender"}}));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, 30s) << "destruction waited for the next scan";
}

TEST_F(FixtureWorkspace, ReportsApplicationsComingAndGoingNotTheirProcesses) {
    proc_.addProcess(1, "/usr/lib/systemd/systemd");
    LinuxWorkspace workspace(options());
    Journal journal;
    journal.observe(workspace, mainQueue());

    proc_.addProcess(40, "/opt/blender/blender");
    ASSERT_TRUE(processEventsUntil([&] { return journal.has("+/opt/blender/blender org.blenderfoundation.blender"); }));
    EXPECT_EQ(workspace.runningApplications().back().executablePath, "/opt/blender/blender");

    // A second process of a running application, and its first process
    // ending while the second runs on, are not launches or terminations. A
    // marker application shows that scans went on past both.
    proc_.addProcess(41, "/opt/blender/blender");
    proc_.removeProcess(40);
    proc_.addProcess(50, "/usr/bin/marker");
    ASSERT_TRUE(processEventsUntil([&] { return journal.has("+/usr/bin/marker"); }));
    EXPECT_EQ(journal.count("+/opt/blender/blender org.blenderfoundation.blender"), 1);
    EXPECT_EQ(journal.count("-/opt/blender/blender org.blenderfoundation.blender"), 0);

    proc_.removeProcess(41);
    proc_.removeProcess(1);
    ASSERT_TRUE(processEventsUntil([&] { return journal.has("-/opt/blender/blender org.blenderfoundation.blender"); }));
    ASSERT_TRUE(processEventsUntil([&] { return journal.has("-/usr/lib/systemd/systemd"); }));
    EXPECT_EQ(workspace.runningApplications(), (std::vector<RunningApplication>{{"/usr/bin/marker", std::nullopt}}));
}

TEST_F(FixtureWorkspace, WithoutAUsableIdentifiersFileApplicationsHaveNoIdentifier) {
    for (const char* content : {"", "{not json", "[1, 2]"}) {
        SCOPED_TRACE(content);
        std::ofstream(identifiersFile_, std::ios::trunc) << content;
        proc_.addProcess(40, "/opt/blender/blender");
        LinuxWorkspace workspace(options());
        EXPECT_EQ(workspace.runningApplications(),
                  (std::vector<RunningApplication>{{"/opt/blender/blender", std::nullopt}}));
        proc_.removeProcess(40);
    }
}

// Scans post from the scanner thread at any moment; an observer removed in
// the middle of that hears nothing more, while another one goes on hearing.
TEST_F(FixtureWorkspace, RemovedObserversHearNothingMoreWhileScansGoOn) {
    LinuxWorkspace workspace(options(1ms));
    Journal removed, kept;
    removed.observe(workspace, mainQueue());
    kept.observe(workspace, mainQueue());

    int round = 0;
    const auto toggle = [&] {
        if (++round % 2) proc_.addProcess(60, "/usr/bin/flicker");
        else proc_.removeProcess(60);
    };
    ASSERT_TRUE(processEventsUntil([&] {
        toggle();
        return removed.seen().size() >= 4;
    }));
    removed.stop(workspace);
    const auto heardBeforeRemoval = removed.seen().size();
    const auto keptBefore = kept.seen().size();
    ASSERT_TRUE(processEventsUntil([&] {
        toggle();
        return kept.seen().size() >= keptBefore + 6;
    }));
    EXPECT_EQ(removed.seen().size(), heardBeforeRemoval);
}

// The workspace goes away with notifications still queued for the main
// thread: none of them reaches its handler.
TEST_F(FixtureWorkspace, NotificationsQueuedWhenTheWorkspaceIsDestroyedAreDropped) {
    auto workspace = std::make_unique<LinuxWorkspace>(options());
    Journal queued, direct;
    queued.observe(*workspace, mainQueue());
    direct.observe(*workspace, nullptr);  // hears it on the scanner thread, at once

    proc_.addProcess(40, "/opt/blender/blender");
    const auto deadline = std::chrono::steady_clock::now() + zephrane::testing::kGenerousDeadline;
    while (direct.seen().empty()) {  // no event processing here: the queued one stays queued
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        std::this_thread::sleep_for(2ms);
    }
    workspace.reset();
    ASSERT_TRUE(drain(mainQueue()));
    EXPECT_TRUE(queued.seen().empty());
}

// This machine's /proc: a child running an executable named in the
// identifiers file is seen launching and, once killed, terminating.
class ChildProgram {
public:
    explicit ChildProgram(const std::string& path) {
        char* const argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>("600"), nullptr};
        for (int attempt = 0; attempt < 50; ++attempt) {
            // A freshly written executable can be briefly busy (ETXTBSY).
            const int error = ::posix_spawn(&pid_, path.c_str(), nullptr, nullptr, argv, environ);
            if (error != ETXTBSY) {
                if (error != 0) pid_ = -1;
                return;
            }
            std::this_thread::sleep_for(10ms);
        }
        pid_ = -1;
    }
    ~ChildProgram() { kill(); }
    void kill() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    bool running() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

TEST(LinuxWorkspaceTest, SeesARealChildLaunchAndTerminate) {
    const fs::path dir = fs::temp_directory_path() / ("zephrane-live-app-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    struct Cleanup {
        fs::path dir;
        ~Cleanup() { fs::remove_all(dir); }
    } cleanup{dir};

    const std::string name = "heavy-render-" + std::to_string(::getpid());
    const fs::path program = dir / name;
    fs::copy_file(fs::canonical("/bin/sleep"), program);
    fs::permissions(program, fs::perms::owner_all);
    const std::string identifiers = (dir / "identifiers.json").string();
    std::ofstream(identifiers) << R"({")" << name << R"(": "org.blenderfoundation.blender.test"})";
    const std::string path = fs::canonical(program).string();

    LinuxWorkspace workspace({"/proc", identifiers, 50ms, std::nullopt});
    Journal journal;
    journal.observe(workspace, mainQueue());

    ChildProgram child(path);
    ASSERT_TRUE(child.running());
    ASSERT_TRUE(processEventsUntil([&] { return journal.has("+" + path + " org.blenderfoundation.blender.test"); }));
    child.kill();
    ASSERT_TRUE(processEventsUntil([&] { return journal.has("-" + path + " org.blenderfoundation.blender.test"); }));
    EXPECT_EQ(journal.count("+" + path + " org.blenderfoundation.blender.test"), 1);
}

}  // namespace
}  // namespace zephrane::workspace
