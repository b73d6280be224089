#include "platform/xpc/SocketActivation.hpp"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <system_error>

namespace zephrane::xpc {

namespace {

std::optional<long> numberFromEnvironment(const char* name) {
    const char* text = std::getenv(name);
    if (!text) return std::nullopt;
    std::string_view view(text);
    long value = 0;
    auto [end, ec] = std::from_chars(view.data(), view.data() + view.size(), value);
    if (ec != std::errc() || end != view.data() + view.size()) return std::nullopt;
    return value;
}

int socketOption(int fd, int option) {
    int value = 0;
    socklen_t length = sizeof(value);
    if (::getsockopt(fd, SOL_SOCKET, option, &value, &length) != 0) {
        throw std::system_error(errno, std::generic_category(), "inherited descriptor " + std::to_string(fd));
    }
    return value;
}

}  // namespace

void requireListeningUnixSocket(int fd) {
    if (socketOption(fd, SO_DOMAIN) != AF_UNIX || socketOption(fd, SO_TYPE) != SOCK_STREAM ||
        socketOption(fd, SO_ACCEPTCONN) != 1) {
        throw std::system_error(ENOTSOCK, std::generic_category(),
                                "descriptor " + std::to_string(fd) + " is not a listening Unix stream socket");
    }
}

std::optional<int> takeActivatedSocket() {
    auto pid = numberFromEnvironment("LISTEN_PID");
    if (!pid || *pid != static_cast<long>(::getpid())) return std::nullopt;
    auto count = numberFromEnvironment("LISTEN_FDS");
    ::unsetenv("LISTEN_PID");
    ::unsetenv("LISTEN_FDS");
    ::unsetenv("LISTEN_FDNAMES");
    if (!count || *count < 1) return std::nullopt;
    requireListeningUnixSocket(kFirstActivatedDescriptor);
    ::fcntl(kFirstActivatedDescriptor, F_SETFD, FD_CLOEXEC);
    return kFirstActivatedDescriptor;
}

}  // namespace zephrane::xpc
