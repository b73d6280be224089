#include "platform/servicemanagement/launchd/DaemonLauncher.hpp"

#include <fcntl.h>
#include <linux/close_range.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <system_error>

#include "platform/proc/ProcessDescriptor.hpp"
#include "shared/DebugText.hpp"

extern char** environ;

namespace zephrane::servicemanagement {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Only async-signal-safe work between fork and exec: the child of a process
// may not allocate.
void writeDecimal(char* out, long value) {
    char digits[24];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0 && count < 23);
    while (count > 0) *out++ = digits[--count];
    *out = '\0';
}

}  // namespace

// Debian 12's C library declares the pidfd calls without C linkage for C++;
// the system call itself is all that is needed.
bool signalDaemon(int pidfd, int signal) {
    return ::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0U) == 0;
}

std::vector<std::string> daemonEnvironment(const std::vector<std::string>& overrides) {
    std::map<std::string, std::string> entries;
    auto add = [&](const std::string& entry) {
        const std::string name = entry.substr(0, entry.find('='));
        if (!name.starts_with("LISTEN_")) entries[name] = entry;
    };
    for (char** entry = environ; entry && *entry; ++entry) add(*entry);
    for (const auto& entry : overrides) add(entry);
    std::vector<std::string> out;
    for (auto& [name, entry] : entries) out.push_back(entry);
    return out;
}

LaunchedDaemon launchDaemon(const LaunchRequest& request, const TrustPolicy& policy) {
    const std::string program = request.program.string();
    const Descriptor executable(::open(program.c_str(), O_PATH | O_CLOEXEC | O_NOFOLLOW));
    if (executable.get() < 0)
        throw LaunchRefused("cannot open " + quotedDebugText(program) + ": " + std::strerror(errno));
    if (auto reason = untrustedProgramReason(request.program, policy)) throw LaunchRefused(*reason);
    // The file opened is the file checked: nobody but a trusted owner could
    // have replaced it in between, but a check that costs two stat calls is
    // cheaper than an argument about it.
    struct stat opened{};
    struct stat named{};
    if (::fstat(executable.get(), &opened) != 0 || ::lstat(program.c_str(), &named) != 0 ||
        opened.st_dev != named.st_dev || opened.st_ino != named.st_ino)
        throw LaunchRefused(quotedDebugText(program) + " changed while it was being started");

    // Everything the child needs is made before fork.
    const int count = static_cast<int>(request.sockets.size());
    std::vector<std::string> environment = request.environment;
    environment.push_back("LISTEN_FDS=" + std::to_string(count));
    std::string names;
    for (const auto& name : request.socketNames) names += (names.empty() ? "" : ":") + name;
    environment.push_back("LISTEN_FDNAMES=" + names);
    std::vector<char*> envp;
    for (auto& entry : environment) envp.push_back(entry.data());
    char listenPid[40] = "LISTEN_PID=";
    envp.push_back(listenPid);
    envp.push_back(nullptr);
    std::string argument0 = program;
    char* argv[] = {argument0.data(), nullptr};
    const std::vector<int> sockets = request.sockets;
    const pid_t parent = ::getpid();

    const pid_t pid = ::fork();
    if (pid < 0) throw std::system_error(errno, std::generic_category(), "fork");
    if (pid == 0) {
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        for (int number = 1; number < NSIG; ++number) ::signal(number, SIG_DFL);
        ::setsid();
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(126);
        // Move the sockets above the range they go to, then into place, so
        // that one landing on another's target number cannot clobber it.
        int moved[64];
        if (count > 64) ::_exit(126);
        for (int i = 0; i < count; ++i) {
            moved[i] = ::fcntl(sockets[static_cast<std::size_t>(i)], F_DUPFD, 3 + count);
            if (moved[i] < 0) ::_exit(126);
        }
        for (int i = 0; i < count; ++i) {
            if (::dup2(moved[i], 3 + i) < 0) ::_exit(126);  // dup2 clears close-on-exec
            // Our reactor made the socket non-blocking while it watched;
            // a daemon is handed a socket as it was made, blocking.
            const int flags = ::fcntl(3 + i, F_GETFL);
            if (flags < 0 || ::fcntl(3 + i, F_SETFL, flags & ~O_NONBLOCK) < 0) ::_exit(126);
        }
        const int in = ::open("/dev/null", O_RDONLY);
        if (in < 0 || ::dup2(in, STDIN_FILENO) < 0) ::_exit(126);
        // Everything else closes at exec; the program's own descriptor is
        // already close-on-exec and stays open until then.
        ::close_range(static_cast<unsigned>(3 + count), ~0U, CLOSE_RANGE_CLOEXEC);
        writeDecimal(listenPid + 11, static_cast<long>(::getpid()));
        ::fexecve(executable.get(), argv, envp.data());
        ::_exit(127);
    }
    const int pidfd = proc::openProcessDescriptor(pid);
    if (pidfd < 0) {
        const int error = errno;
        ::kill(pid, SIGKILL);
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        throw std::system_error(error, std::generic_category(), "pidfd_open");
    }
    return {pid, pidfd};
}

}  // namespace zephrane::servicemanagement
