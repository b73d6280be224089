// The launchctl stand-in, copied into a temporary system root as
// <root>/bin/launchctl: it finds its records from where it lies, and it runs
// as root, so requests that could reach outside its record folder must fail.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace zephrane::launchd {
namespace {

namespace fs = std::filesystem;

class LaunchctlTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zephrane-launchctl-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        root_ = dir_ / "it's a root";
        fs::create_directories(root_ / "bin");
        fs::copy_file(ZEPHRANE_LAUNCHCTL_STAND_IN, root_ / "bin" / "launchctl");
        fs::permissions(root_ / "bin" / "launchctl", fs::perms::owner_all);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path record(const std::string& label) const { return root_ / "run" / "launchd" / "system" / label; }
    void load(const std::string& label) const {
        fs::create_directories(record(label).parent_path());
        std::ofstream(record(label)) << "";
    }

    // Exit status of launchctl with these arguments; -1 when it did not exit.
    int launchctl(const std::vector<std::string>& arguments) const {
        const std::string program = (root_ / "bin" / "launchctl").string();
        std::vector<std::string> texts{program};
        texts.insert(texts.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& text : texts) argv.push_back(text.data());
        argv.push_back(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            const int quiet = ::open("/dev/null", O_WRONLY);
            ::dup2(quiet, STDOUT_FILENO);
            ::dup2(quiet, STDERR_FILENO);
            ::execv(argv[0], argv.data());
            ::_exit(126);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path dir_;
    fs::path root_;
};

TEST_F(LaunchctlTest, PrintAndBootoutFollowTheLoadedRecord) {
    const std::string target = "system/com.zephrane.Fanwarden";
    EXPECT_EQ(launchctl({"print", target}), 113);
    EXPECT_EQ(launchctl({"bootout", target}), 3);

    load("com.zephrane.Fanwarden");
    EXPECT_EQ(launchctl({"print", target}), 0);
    EXPECT_EQ(launchctl({"print", "system/com.zephrane.Other"}), 113);
    EXPECT_EQ(launchctl({"bootout", target}), 0);
    EXPECT_FALSE(fs::exists(record("com.zephrane.Fanwarden")));
    EXPECT_EQ(launchctl({"print", target}), 113);
    EXPECT_EQ(launchctl({"bootout", target}), 3);
}

TEST_F(LaunchctlTest, RefusesRequestsItDoesNotUnderstandAndLabelsThatLeaveTheRecordFolder) {
    // Files a hostile label would reach if it were used as a path.
    fs::create_directories(root_ / "run" / "launchd" / "system");
    std::ofstream(root_ / "run" / "victim") << "keep";
    std::ofstream(root_ / "run" / "launchd" / "system" / ".hidden") << "keep";
    struct Case {
        const char* edge;
        std::vector<std::string> arguments;
    };
    const Case cases[] = {
        {"no arguments", {}},
        {"verb only", {"bootout"}},
        {"extra argument", {"bootout", "system/com.zephrane.Fanwarden", "more"}},
        {"unknown verb", {"kickstart", "system/com.zephrane.Fanwarden"}},
        {"another domain", {"bootout", "gui/501/com.zephrane.Fanwarden"}},
        {"no label", {"bootout", "system/"}},
        {"parent folder", {"bootout", "system/../../victim"}},
        {"slash inside", {"bootout", "system/a/../../../victim"}},
        {"dot file", {"bootout", "system/.hidden"}},
        {"space", {"bootout", "system/a b"}},
        {"glob", {"bootout", "system/*"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        EXPECT_EQ(launchctl(c.arguments), 64);
    }
    EXPECT_TRUE(fs::exists(root_ / "run" / "victim"));
    EXPECT_TRUE(fs::exists(root_ / "run" / "launchd" / "system" / ".hidden"));
}

}  // namespace
}  // namespace zephrane::launchd
