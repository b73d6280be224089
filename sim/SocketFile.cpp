#include "sim/SocketFile.hpp"

#include <sched.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace zephrane::sim {

namespace {

std::string quoted(const std::filesystem::path& path) { return "\"" + path.string() + "\""; }

void requireSafeDirectory(const std::filesystem::path& directory) {
    struct stat status {};
    if (::stat(directory.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        throw std::runtime_error(quoted(directory) + " is not a directory");
    if (status.st_uid != 0 && status.st_uid != ::geteuid())
        throw std::runtime_error(quoted(directory) + " belongs to uid " + std::to_string(status.st_uid) +
                                 ", neither root nor this simulator");
    if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        throw std::runtime_error(quoted(directory) + " may be written by others than its owner");
}

}  // namespace

int bindSocketFile(const std::filesystem::path& path, mode_t mode) {
    requireSafeDirectory(path.parent_path());
    sockaddr_un address{};
    const std::string text = path.string();
    if (text.size() >= sizeof address.sun_path) throw std::runtime_error(quoted(path) + " is too long for a socket");
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, text.data(), text.size());

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::system_error(errno, std::generic_category(), "socket");
    // The file takes the socket's mode less the umask; the umask is the
    // whole process's, so the bind runs on a thread with one of its own.
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
    if (error != 0) {
        ::close(fd);
        throw std::system_error(error, std::generic_category(), "cannot bind " + quoted(path));
    }
    return fd;
}

}  // namespace zephrane::sim
