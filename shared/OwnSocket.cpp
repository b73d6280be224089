#include "shared/OwnSocket.hpp"

#include <fcntl.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>
#include <utility>

namespace zephrane {

namespace {

[[noreturn]] void fail(int error, const std::string& what) {
    throw std::system_error(error, std::generic_category(), what);
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::string octal(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor& operator=(Descriptor&&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// The directory, open: every later step goes through this descriptor, so the
// directory checked is the one served in, whatever its path names meanwhile.
Descriptor openSafeDirectory(const std::filesystem::path& directory) {
    std::error_code ignored;
    std::filesystem::create_directories(directory.parent_path(), ignored);
    // Ours to make: 0755 less the umask, which can only take bits away.
    if (::mkdir(directory.c_str(), 0755) != 0 && errno != EEXIST)
        fail(errno, "cannot create the directory " + quoted(directory));
    Descriptor fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0) fail(errno, "cannot open the directory " + quoted(directory));
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0) fail(errno, "cannot look at the directory " + quoted(directory));
    // Anyone else who may write there could put something at the socket's
    // path, or take it away, between our steps.
    if (status.st_uid != 0 && status.st_uid != ::geteuid())
        fail(EPERM, "the directory " + quoted(directory) + " belongs to uid " + std::to_string(status.st_uid) +
                        ", neither root nor this service");
    if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        fail(EPERM, "the directory " + quoted(directory) + " may be written by others (mode " +
                        octal(status.st_mode) + ")");
    return fd;
}

// `name` in the open directory, as an address bind() and connect() take.
sockaddr_un addressIn(const Descriptor& directory, const std::string& name) {
    const std::string path = "/proc/self/fd/" + std::to_string(directory.get()) + "/" + name;
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) fail(ENAMETOOLONG, "socket name " + quoted(name) + " is too long");
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    return address;
}

// A live server answers at once; a file left by a dead one refuses.
bool someoneListensAt(const sockaddr_un& address) {
    const Descriptor fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (fd.get() < 0) return false;
    return ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 || errno == EAGAIN;
}

// Binds with the socket file made at `mode` exactly: it takes the socket's
// own mode, less the umask, as bind() creates it. The umask is the whole
// process's, so the bind runs on a thread with a file-system context (and so
// a umask) of its own.
int bindWithMode(int fd, const sockaddr_un& address, mode_t mode) {
    int error = 0;
    std::thread([&] {
        if (::unshare(CLONE_FS) != 0) {
            error = errno;
            return;
        }
        ::umask(0);
        if (::fchmod(fd, mode) != 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
            error = errno;
    }).join();
    return error;
}

}  // namespace

OwnSocket listenAtOwnPath(const std::string& path, mode_t mode) {
    const std::filesystem::path file(path);
    const Descriptor directory = openSafeDirectory(file.parent_path());
    const std::string name = file.filename().string();
    const sockaddr_un address = addressIn(directory, name);

    struct stat status {};
    if (::fstatat(directory.get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
        if (!S_ISSOCK(status.st_mode)) fail(EEXIST, quoted(path) + " exists and is not a socket");
        if (someoneListensAt(address)) fail(EADDRINUSE, "another process serves " + quoted(path));
        ::unlinkat(directory.get(), name.c_str(), 0);  // left behind by a server that died
    }

    Descriptor fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.get() < 0) fail(errno, "socket");
    if (const int error = bindWithMode(fd.get(), address, mode)) fail(error, "cannot bind " + quoted(path));
    OwnSocket made;
    if (::fstatat(directory.get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 || ::listen(fd.get(), SOMAXCONN) != 0) {
        const int error = errno;
        ::unlinkat(directory.get(), name.c_str(), 0);
        fail(error, "cannot listen at " + quoted(path));
    }
    made.device = status.st_dev;
    made.inode = status.st_ino;
    made.fd = fd.release();
    return made;
}

}  // namespace zephrane
