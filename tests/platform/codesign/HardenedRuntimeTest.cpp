#include <signal.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/codesign/CodeSigning.hpp"

namespace zephrane::codesign {
namespace {

constexpr uid_t kNobody = 65534;

// Runs as nobody when started as root, so that root's privilege to trace
// anyone plays no part; as another user, as that user. Changing user makes
// a process non-dumpable; one started as that user is dumpable, so it is
// made so again.
bool becomeTheUser() {
    if (::getuid() != 0) return true;
    return ::setresgid(kNobody, kNobody, kNobody) == 0 && ::setresuid(kNobody, kNobody, kNobody) == 0 &&
           ::prctl(PR_SET_DUMPABLE, 1, 0, 0, 0) == 0;
}

// The errno of a PTRACE_ATTACH from a second process of the same user to a
// first that did (or did not) deny debuggers; 0 when it attached.
int attachError(bool deny) {
    int ready[2];
    int release[2];
    int verdict[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0 || ::pipe(verdict) != 0) return -1;
    const pid_t target = ::fork();
    if (target == 0) {
        if (!becomeTheUser() || (deny && denyDebuggerAttachment())) ::_exit(1);
        char byte = 1;
        (void)!::write(ready[1], &byte, 1);
        (void)!::read(release[0], &byte, 1);
        ::_exit(0);
    }
    char byte = 0;
    if (::read(ready[0], &byte, 1) != 1) return -2;
    const pid_t attacker = ::fork();
    if (attacker == 0) {
        if (!becomeTheUser()) ::_exit(1);
        int error = 0;
        if (::ptrace(PTRACE_ATTACH, target, nullptr, nullptr) != 0) {
            error = errno;
        } else {
            int status = 0;
            ::waitpid(target, &status, 0);
            ::ptrace(PTRACE_DETACH, target, nullptr, nullptr);
        }
        (void)!::write(verdict[1], &error, sizeof error);
        ::_exit(0);
    }
    int error = -3;
    if (::read(verdict[0], &error, sizeof error) != sizeof error) error = -3;
    ::waitpid(attacker, nullptr, 0);
    (void)!::write(release[1], &byte, 1);
    ::waitpid(target, nullptr, 0);
    for (int fd : {ready[0], ready[1], release[0], release[1], verdict[0], verdict[1]}) ::close(fd);
    return error;
}

TEST(HardenedRuntime, OnceDebuggersAreDeniedNoProcessOfTheSameUserCanAttach) {
    int scope = 0;
    if (std::ifstream yama("/proc/sys/kernel/yama/ptrace_scope"); yama >> scope && scope != 0)
        GTEST_SKIP() << "Yama lets no process attach to a sibling here (ptrace_scope " << scope << ")";
    EXPECT_EQ(attachError(false), 0) << "the same user may attach to a process that did not deny it";
    EXPECT_EQ(attachError(true), EPERM);
}

}  // namespace
}  // namespace zephrane::codesign
