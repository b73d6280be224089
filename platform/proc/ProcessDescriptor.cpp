#include "platform/proc/ProcessDescriptor.hpp"

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

}  // namespace zephrane::proc
