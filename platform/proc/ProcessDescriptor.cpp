#include "platform/proc/ProcessDescriptor.hpp"

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace zephrane::proc {

// Debian 12's C library declares the pidfd calls without C linkage for C++;
// the system call itself is all that is needed. A pidfd is close-on-exec
// from the start.
int openProcessDescriptor(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0U));
#else
    (void)pid;
    errno = ENOSYS;
    return -1;
#endif
}

bool signalProcessDescriptor(int pidfd, int signal) {
#ifdef SYS_pidfd_send_signal
    return ::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0U) == 0;
#else
    (void)pidfd;
    (void)signal;
    errno = ENOSYS;
    return false;
#endif
}

bool processDescriptorExited(int pidfd) {
    pollfd watched{pidfd, POLLIN, 0};
    return ::poll(&watched, 1, 0) == 1 && (watched.revents & POLLIN) != 0;
}

}  // namespace zephrane::proc
