// A descriptor that refers to one process, not to its number (a pidfd): it
// becomes readable when that very process exits, and cannot be mistaken for
// a later process that reuses the number. For those who start programs and
// wait for them (the profiler runs, the administrator scripts, the launchd
// stand-in's daemons).
#pragma once

#include <sys/types.h>

namespace zephrane::proc {

// A close-on-exec descriptor of the process `pid`, or -1 with errno set
// (a kernel without pidfds, or no such process). The caller closes it.
int openProcessDescriptor(pid_t pid);

// Sends `signal` to the very process `pidfd` refers to; false with errno
// set (ESRCH once that process has exited, whoever has its number now).
bool signalProcessDescriptor(int pidfd, int signal);

// Whether the process `pidfd` refers to has exited (its descriptor is
// readable); false while it runs, and for a descriptor that cannot be polled.
bool processDescriptorExited(int pidfd);

}  // namespace zephrane::proc
