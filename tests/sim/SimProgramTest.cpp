// The real zephrane-sim program: started as a child process, talked to over
// its socket, stopped with SIGTERM.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "SimFixtures.hpp"
#include "SimTestClient.hpp"

extern char** environ;

namespace zephrane::sim {
namespace {

using namespace std::chrono_literals;
using testing::SimTestClient;

class Child {
public:
    explicit Child(std::vector<std::string> args) {
        args.insert(args.begin(), ZEPHRANE_SIM_PROGRAM);
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        const int failed = ::posix_spawn(&pid_, ZEPHRANE_SIM_PROGRAM, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (failed != 0) throw std::runtime_error("cannot start " + std::string(ZEPHRANE_SIM_PROGRAM));
    }
    ~Child() {
        if (pid_ > 0 && !status_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    void signal(int number) { ::kill(pid_, number); }

    // The wait status once the child has exited, within a generous deadline.
    std::optional<int> exitStatus() {
        testing::eventually([&] {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) status_ = status;
            return status_.has_value();
        });
        return status_;
    }

private:
    pid_t pid_ = 0;
    std::optional<int> status_;
};

std::filesystem::path makeTempDir() {
    char pattern[] = "/tmp/zsim-program-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

TEST(SimProgramTest, ServesUntilSigtermThenExitsCleanly) {
    const std::filesystem::path dir = makeTempDir();
    const std::filesystem::path socket = dir / iokit::wire::kSMCSocketName;
    Child child({"--dir", dir.string(), "--machine", "two-fan-laptop", "--tick", "50"});

    std::unique_ptr<SimTestClient> client;
    ASSERT_TRUE(testing::eventually([&] {
        try {
            client = std::make_unique<SimTestClient>(socket);
            return true;
        } catch (const std::runtime_error&) {
            return false;
        }
    })) << "the socket never appeared";

    ASSERT_EQ(client->open(), iokit::kIOReturnSuccess);
    const auto fans = client->call(testing::readRequest("FNum", 1));
    ASSERT_TRUE(fans.has_value());
    EXPECT_EQ(fans->code, iokit::kIOReturnSuccess);
    EXPECT_EQ(fans->record[40], 0);
    EXPECT_EQ(fans->record[48], 2) << "the two-fan laptop";

    child.signal(SIGTERM);
    const std::optional<int> status = child.exitStatus();
    ASSERT_TRUE(status.has_value()) << "still running after SIGTERM";
    ASSERT_TRUE(WIFEXITED(*status));
    EXPECT_EQ(WEXITSTATUS(*status), 0);
    EXPECT_TRUE(client->closedByPeer());
    EXPECT_FALSE(std::filesystem::exists(socket));
    EXPECT_FALSE(std::filesystem::exists(dir / iokit::wire::kControlSocketName));
    std::filesystem::remove_all(dir);
}

TEST(SimProgramTest, RefusesWhatItCannotServe) {
    struct Row {
        const char* edge;
        std::vector<std::string> args;
        int exitCode;
    } rows[] = {
        {"an unknown option", {"--fans", "3"}, 2},
        {"an unknown machine", {"--machine", "toaster"}, 2},
        {"a profile that does not exist", {"--machine", "/nonexistent/machine.json", "--dir", "/tmp"}, 1},
        {"a scenario that does not exist", {"--load", "/nonexistent/load.json", "--dir", "/tmp"}, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.edge);
        Child child(row.args);
        const std::optional<int> status = child.exitStatus();
        ASSERT_TRUE(status.has_value());
        ASSERT_TRUE(WIFEXITED(*status));
        EXPECT_EQ(WEXITSTATUS(*status), row.exitCode);
    }
}

}  // namespace
}  // namespace zephrane::sim
