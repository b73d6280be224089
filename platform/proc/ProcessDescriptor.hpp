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

}  // namespace zephrane::proc
