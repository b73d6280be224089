// The whole removal of an older install, for real: the cleanup script runs
// through the pkexec stand-in (a fake pkexec that either runs the shell as
// it is, as root, or refuses), the launchctl stand-in, the host's pgrep and
// rm, all under a temporary system root.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "ZephraneApp/Services/Install/LegacyHelperInstall.hpp"
#include "platform/adminscript/PkexecAppleScript.hpp"

namespace zephrane::LegacyHelperInstall {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr auto kGenerousDeadline = 20s;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeProgram(const fs::path& path, const std::string& body) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "#!/bin/sh\n" << body;
    fs::permissions(path, fs::perms::owner_all);
}

// A process whose whole command line is exactly `path`, as the older daemon
// ran: a copy of cat at that path, reading a pipe nobody writes to. Killed
// and reaped when the test ends, and killed with the test if that dies.
class ProcessRunning {
public:
    explicit ProcessRunning(const fs::path& path) {
        fs::copy_file("/bin/cat", path, fs::copy_options::overwrite_existing);
        fs::permissions(path, fs::perms::owner_all);
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) return;
        writeEnd_ = ends[1];
        const std::string program = path.string();
        char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
        const pid_t parent = ::getpid();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent) ::_exit(126);
            ::dup2(ends[0], STDIN_FILENO);
            ::execv(argv[0], argv);
            ::_exit(127);
        }
        ::close(ends[0]);
        expected_ = program + '\0';
    }
    ~ProcessRunning() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (writeEnd_ >= 0) ::close(writeEnd_);
    }
    ProcessRunning(const ProcessRunning&) = delete;
    ProcessRunning& operator=(const ProcessRunning&) = delete;

    // Until exec has happened the command line is still ours.
    bool started() const {
        const auto deadline = std::chrono::steady_clock::now() + kGenerousDeadline;
        while (pid_ > 0 && std::chrono::steady_clock::now() < deadline) {
            if (readFile("/proc/" + std::to_string(pid_) + "/cmdline") == expected_) return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

private:
    pid_t pid_ = -1;
    int writeEnd_ = -1;
    std::string expected_;
};

class LegacyRemovalEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zephrane-legacy-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        useRoot(dir_ / "root");
        writeProgram(dir_ / "tools" / "pkexec-approve", "exec \"$@\"\n");
        writeProgram(dir_ / "tools" / "pkexec-dismiss", "exit 126\n");
    }
    void TearDown() override { fs::remove_all(dir_); }

    void useRoot(const fs::path& root) {
        root_ = root;
        layout_ = Layout::underRoot(root.string());
        fs::create_directories(root_ / "bin");
        fs::copy_file(ZEPHRANE_LAUNCHCTL_STAND_IN, root_ / "bin" / "launchctl", fs::copy_options::overwrite_existing);
        fs::permissions(root_ / "bin" / "launchctl", fs::perms::owner_all);
    }

    fs::path executable() const { return layout_.rooted(legacyExecutablePath); }
    fs::path propertyList() const { return layout_.rooted(legacyPropertyListPath); }
    fs::path loadedRecord() const { return root_ / "run" / "launchd" / "system" / "com.zephrane.Fanwarden"; }

    void installLegacy(bool loaded) const {
        for (const fs::path& file : {executable(), propertyList()}) {
            fs::create_directories(file.parent_path());
            std::ofstream(file) << "older\n";
        }
        if (loaded) {
            fs::create_directories(loadedRecord().parent_path());
            std::ofstream(loadedRecord()) << "";
        }
    }

    std::optional<CleanupError> remove(const std::string& pkexec = "pkexec-approve") const {
        adminscript::PkexecAppleScriptFactory scripts((dir_ / "tools" / pkexec).string());
        try {
            removeLegacyHelper(scripts, layout_);
        } catch (const CleanupError& error) {
            return error;
        }
        return std::nullopt;
    }

    fs::path dir_;
    fs::path root_;
    Layout layout_;
};

TEST_F(LegacyRemovalEndToEnd, LoadedOlderInstallIsBootedOutAndDeleted) {
    installLegacy(true);
    EXPECT_EQ(remove(), std::nullopt);
    EXPECT_FALSE(fs::exists(loadedRecord()));
    EXPECT_FALSE(fs::exists(executable()));
    EXPECT_FALSE(fs::exists(propertyList()));
}

TEST_F(LegacyRemovalEndToEnd, InstallThatIsNotLoadedIsStillDeleted) {
    installLegacy(false);  // bootout fails, but print finds nothing either
    EXPECT_EQ(remove(), std::nullopt);
    EXPECT_FALSE(fs::exists(executable()));
    EXPECT_FALSE(fs::exists(propertyList()));
}

TEST_F(LegacyRemovalEndToEnd, HostWithoutLaunchctlStillDeletesTheFiles) {
    installLegacy(false);
    fs::remove(root_ / "bin" / "launchctl");
    EXPECT_EQ(remove(), std::nullopt);
    EXPECT_FALSE(fs::exists(executable()));
    EXPECT_FALSE(fs::exists(propertyList()));
}

TEST_F(LegacyRemovalEndToEnd, OlderHelperStillRunningStopsTheRemoval) {
    installLegacy(true);
    ProcessRunning older(executable());
    ASSERT_TRUE(older.started());
    const auto error = remove();
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(*error, CleanupError::failed("The older helper is still running."));
    EXPECT_EQ(error->localizedDescription(),
              "The older fan-control helper could not be removed: The older helper is still running.");
    EXPECT_FALSE(fs::exists(loadedRecord())) << "the service was booted out before the check";
    EXPECT_TRUE(fs::exists(executable()));
    EXPECT_TRUE(fs::exists(propertyList()));
}

TEST_F(LegacyRemovalEndToEnd, LaunchdThatWillNotLetGoStopsTheRemoval) {
    struct Case {
        const char* edge;
        std::string launchctl;
        std::string message;
    };
    const Case cases[] = {
        {"bootout fails while the service stays loaded",
         "case $1 in bootout) exit 5 ;; print) exit 0 ;; esac\nexit 64\n", "The older helper could not be stopped."},
        {"bootout claims success but the service is still there",
         "case $1 in bootout) exit 0 ;; print) exit 0 ;; esac\nexit 64\n", "The older helper is still registered."},
    };
    installLegacy(true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        writeProgram(root_ / "bin" / "launchctl", c.launchctl);
        EXPECT_EQ(remove(), CleanupError::failed(c.message));
        EXPECT_TRUE(fs::exists(executable()));
        EXPECT_TRUE(fs::exists(propertyList()));
    }
}

TEST_F(LegacyRemovalEndToEnd, DismissedPromptLeavesEverythingUntouched) {
    installLegacy(true);
    EXPECT_EQ(remove("pkexec-dismiss"), CleanupError::cancelled());
    EXPECT_TRUE(fs::exists(loadedRecord()));
    EXPECT_TRUE(fs::exists(executable()));
    EXPECT_TRUE(fs::exists(propertyList()));
}

TEST_F(LegacyRemovalEndToEnd, RootWithQuotesBackslashesAndSpacesIsHandledLiterally) {
    // Every character the shell or the AppleScript escaping cares about; a
    // decoy beside it would be hit if any of them were split or expanded.
    useRoot(dir_ / "it's a \"root\" \\ $HOME `x`");
    std::ofstream(dir_ / "it") << "decoy\n";
    installLegacy(true);
    EXPECT_EQ(remove(), std::nullopt);
    EXPECT_FALSE(fs::exists(loadedRecord()));
    EXPECT_FALSE(fs::exists(executable()));
    EXPECT_FALSE(fs::exists(propertyList()));
    EXPECT_TRUE(fs::exists(dir_ / "it"));
}

}  // namespace
}  // namespace zephrane::LegacyHelperInstall
