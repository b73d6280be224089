#include "sim/SocketFile.hpp"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "SimFixtures.hpp"
#include "platform/oslog/OSLog.hpp"
#include "sim/SimServer.hpp"

namespace zephrane::sim {
namespace {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/zsim-socket-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// Whether a socket could be bound at `directory`/s.
bool binds(const fs::path& directory) {
    try {
        ::close(bindSocketFile(directory / "s", 0666));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// Whoever else may write in the directory could swap the socket's path
// between two steps of ours; such a directory is not served in.
TEST(SocketFile, OnlyInADirectoryNobodyElseMayChange) {
    const TempDir dir;
    const bool root = ::geteuid() == 0;
    const struct {
        const char* edge;
        mode_t mode;
        uid_t owner;
        bool served;
    } cases[] = {
        {"ours, 0755", 0755, ::geteuid(), true},
        {"ours, 0700", 0700, ::geteuid(), true},
        {"group-writable", 0775, ::geteuid(), false},
        {"world-writable and sticky, as /tmp", 01777, ::geteuid(), false},
        {"another user's", 0755, 4242, false},
    };
    int n = 0;
    for (const auto& c : cases) {
        if (c.owner != ::geteuid() && !root) continue;
        const fs::path sub = dir.path() / ("d" + std::to_string(n++));
        ASSERT_EQ(::mkdir(sub.c_str(), 0700), 0);
        ASSERT_EQ(::chmod(sub.c_str(), c.mode), 0);
        if (c.owner != ::geteuid()) {
            ASSERT_EQ(::chown(sub.c_str(), c.owner, c.owner), 0);
        }
        EXPECT_EQ(binds(sub), c.served) << c.edge;
        EXPECT_EQ(fs::exists(sub / "s"), c.served) << c.edge;
    }
}

// The simulator binds every socket of its own this way: in an unsafe directory
// it does not start, and leaves nothing behind.
TEST(SocketFile, TheSimulatorServesInNoOtherDirectory) {
    oslog::setOutput(oslog::Output::none);
    const TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    asio::io_context io;
    SimulatedSMC smc(testing::fixtureProfile());
    EXPECT_THROW(SimServer(io, smc, {dir.path(), WriterPolicy{}, std::chrono::milliseconds(100)}),
                 std::runtime_error);
    EXPECT_TRUE(fs::is_empty(dir.path()));
    oslog::setOutput(oslog::Output::standardError);
}

TEST(SocketFile, HasItsModeFromItsCreationWhateverTheUmask) {
    const TempDir dir;
    const mode_t saved = ::umask(077);
    const int fd = bindSocketFile(dir.path() / "s", 0666);
    ::umask(saved);
    struct stat status {};
    ASSERT_EQ(::lstat((dir.path() / "s").c_str(), &status), 0);
    EXPECT_TRUE(S_ISSOCK(status.st_mode));
    EXPECT_EQ(status.st_mode & 07777, 0666u);
    ::close(fd);
}

// A symlink at the path to a file the simulator may change is never followed.
TEST(SocketFile, NeverFollowsASymlinkAtItsPath) {
    const TempDir dir;
    const fs::path precious = dir.path() / "precious";
    std::ofstream(precious) << "root's";
    ASSERT_EQ(::chmod(precious.c_str(), 0600), 0);
    fs::create_symlink(precious, dir.path() / "s");
    EXPECT_FALSE(binds(dir.path()));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "s"));
    struct stat status {};
    ASSERT_EQ(::stat(precious.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
}

}  // namespace
}  // namespace zephrane::sim
