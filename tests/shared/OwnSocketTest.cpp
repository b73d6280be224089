#include "shared/OwnSocket.hpp"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/zown-socket-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// The error listenAtOwnPath() threw for `path`, 0 when it served.
int listenError(const fs::path& path, mode_t mode = 0666) {
    try {
        ::close(listenAtOwnPath(path.string(), mode).fd);
        return 0;
    } catch (const std::system_error& e) {
        return e.code().value();
    }
}

int listeningSocketAt(const fs::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.string().size());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 4) != 0)
        throw std::runtime_error("cannot listen at " + path.string());
    return fd;
}

// Whoever else may write in the directory could swap what is at the socket's
// path between two steps of ours; such a directory is not served in.
TEST(OwnSocket, OnlyInADirectoryNobodyElseMayChange) {
    const TempDir dir;
    const bool root = ::geteuid() == 0;
    const struct {
        const char* edge;
        mode_t mode;
        uid_t owner;
        int error;
    } cases[] = {
        {"ours, 0755", 0755, ::geteuid(), 0},
        {"ours, 0700", 0700, ::geteuid(), 0},
        {"group-writable", 0775, ::geteuid(), EPERM},
        {"world-writable and sticky, as /tmp", 01777, ::geteuid(), EPERM},
        {"another user's, as another's /tmp/zephrane", 0755, 4242, EPERM},
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
        EXPECT_EQ(listenError(sub / "s"), c.error) << c.edge;
        EXPECT_EQ(fs::exists(sub / "s"), c.error == 0) << c.edge;
    }
}

// The attack on a bind followed by a chmod of the path: something put at the
// path beforehand, a symlink to a file the service may change among them.
// Only a dead server's socket is replaced; nothing is ever followed.
TEST(OwnSocket, NeverFollowsOrReplacesWhatIsAtThePathButADeadServersSocket) {
    const TempDir dir;
    const fs::path path = dir.path() / "s";
    const fs::path precious = dir.path() / "precious";
    std::ofstream(precious) << "root's";
    ASSERT_EQ(::chmod(precious.c_str(), 0600), 0);
    const fs::path deadSocket = dir.path() / "dead.sock";
    ::close(listeningSocketAt(deadSocket));
    int live = -1;

    const struct {
        const char* edge;
        std::function<void()> make;
        int error;
    } cases[] = {
        {"a symlink to a file of root's", [&] { fs::create_symlink(precious, path); }, EEXIST},
        {"a symlink to a dead server's socket", [&] { fs::create_symlink(deadSocket, path); }, EEXIST},
        {"a symlink to nothing", [&] { fs::create_symlink(dir.path() / "nothing", path); }, EEXIST},
        {"a regular file", [&] { std::ofstream(path) << "a file"; }, EEXIST},
        {"a directory", [&] { fs::create_directory(path); }, EEXIST},
        {"a live server's socket", [&] { live = listeningSocketAt(path); }, EADDRINUSE},
        {"a dead server's socket", [&] { ::close(listeningSocketAt(path)); }, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        ASSERT_NO_FATAL_FAILURE(c.make());
        struct stat before {};
        ASSERT_EQ(::lstat(path.c_str(), &before), 0);
        EXPECT_EQ(listenError(path), c.error);
        struct stat after {};
        ASSERT_EQ(::lstat(path.c_str(), &after), 0);
        if (c.error != 0) {
            EXPECT_EQ(after.st_ino, before.st_ino) << "replaced";
            EXPECT_EQ(after.st_mode, before.st_mode) << "changed";
        } else {
            EXPECT_TRUE(S_ISSOCK(after.st_mode));
        }
        fs::remove(path);
        if (live >= 0) ::close(std::exchange(live, -1));
    }
    struct stat status {};
    ASSERT_EQ(::stat(precious.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
}

// The mode is the socket's own from the moment the file exists, whatever the
// process's umask; and what is returned names that file.
TEST(OwnSocket, HasItsModeFromItsCreationWhateverTheUmask) {
    const TempDir dir;
    const struct {
        mode_t umask;
        mode_t mode;
    } cases[] = {{077, 0666}, {0, 0600}, {022, 0660}};
    int n = 0;
    for (const auto& c : cases) {
        const fs::path path = dir.path() / ("s" + std::to_string(n++));
        const mode_t saved = ::umask(c.umask);
        const OwnSocket made = listenAtOwnPath(path.string(), c.mode);
        ::umask(saved);
        struct stat status {};
        ASSERT_EQ(::lstat(path.c_str(), &status), 0);
        EXPECT_TRUE(S_ISSOCK(status.st_mode));
        EXPECT_EQ(status.st_mode & 07777, c.mode) << "umask " << c.umask;
        EXPECT_EQ(made.device, status.st_dev);
        EXPECT_EQ(made.inode, status.st_ino);
        ::close(made.fd);
    }
}

// A missing directory is made, the service's own and open to be searched.
TEST(OwnSocket, MakesAMissingDirectoryItsOwn) {
    const TempDir dir;
    const fs::path path = dir.path() / "made" / "s";
    const mode_t saved = ::umask(022);
    EXPECT_EQ(listenError(path), 0);
    ::umask(saved);
    struct stat status {};
    ASSERT_EQ(::stat(path.parent_path().c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, ::geteuid());
    EXPECT_EQ(status.st_mode & 07777, 0755u);
}

}  // namespace
}  // namespace zephrane
