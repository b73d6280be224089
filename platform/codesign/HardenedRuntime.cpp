// The debugging half of the hardened runtime: a process that is not
// "dumpable" may be attached to (ptrace) and have its memory read through
// /proc only by a process with CAP_SYS_PTRACE, whatever user runs it.
#include <sys/prctl.h>

#include <cerrno>
#include <system_error>

#include "platform/codesign/CodeSigning.hpp"

namespace zephrane::codesign {

std::optional<std::string> denyDebuggerAttachment() {
    if (::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) != 0)
        return "cannot make the process non-dumpable: " + std::generic_category().message(errno);
    return std::nullopt;
}

}  // namespace zephrane::codesign
