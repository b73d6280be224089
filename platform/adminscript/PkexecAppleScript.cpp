#include "platform/adminscript/PkexecAppleScript.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/adminscript/ShellScriptSource.hpp"
#include "platform/proc/ProcessDescriptor.hpp"

extern char** environ;

namespace zephrane::adminscript {
namespace {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

// Descriptors 0 to 2 are rewired in the child before anything else; a pipe
// end that happened to land there (a parent started without them) would be
// closed under us.
int aboveStandardStreams(int fd) {
    if (fd > STDERR_FILENO) return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    ::close(fd);
    return moved;
}

ErrorInfo failure(std::int64_t number, std::string message) {
    return {{std::string(errorNumberKey), ErrorValue::ofInteger(number)},
            {std::string(errorMessageKey), ErrorValue::ofText(std::move(message))}};
}

ErrorInfo launchFailure(const std::string& program, int error) {
    return failure(generalErrorNumber, "could not run " + program + ": " + std::generic_category().message(error));
}

struct SpawnSetup {
    posix_spawn_file_actions_t actions{};
    posix_spawnattr_t attributes{};

    explicit SpawnSetup(int stderrWriteEnd) {
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        // The script's output is its AppleScript result, which no caller
        // reads; only standard error becomes the error message.
        ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        ::posix_spawn_file_actions_adddup2(&actions, stderrWriteEnd, STDERR_FILENO);
        // Nothing else of ours reaches the root shell, whatever other parts
        // of the process opened without close-on-exec.
        ::posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);

        ::posix_spawnattr_init(&attributes);
        // The calling thread may block or ignore signals for its own reasons
        // (the daemon blocks SIGTERM everywhere); the child starts clean.
        sigset_t noneBlocked;
        ::sigemptyset(&noneBlocked);
        ::posix_spawnattr_setsigmask(&attributes, &noneBlocked);
        sigset_t defaults;
        ::sigemptyset(&defaults);
        for (const int number : {SIGPIPE, SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGCHLD, SIGALRM, SIGUSR1, SIGUSR2})
            ::sigaddset(&defaults, number);
        ::posix_spawnattr_setsigdefault(&attributes, &defaults);
        ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnSetup() {
        ::posix_spawn_file_actions_destroy(&actions);
        ::posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

// Reads what is available without blocking; false once the pipe reached its
// end.
bool drain(int fd, std::string& captured) {
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            const std::size_t room = PkexecAppleScriptFactory::maxMessageBytes - captured.size();
            captured.append(buffer, std::min(room, static_cast<std::size_t>(n)));
            continue;
        }
        if (n == 0) return false;
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;  // any other error ends the capture
    }
}

// Collects standard error until the child exits (or the pipe closes first),
// then reaps it. Returns the wait status, or none when the child could not
// be waited for.
std::optional<int> collect(pid_t pid, int readEnd, std::string& captured) {
    ::fcntl(readEnd, F_SETFL, ::fcntl(readEnd, F_GETFL) | O_NONBLOCK);
    // A pidfd tells when the shell itself exits, even while a background
    // process it started keeps the pipe open; without one (old kernels),
    // poll in short steps and ask waitpid.
    UniqueFd pidfd(proc::openProcessDescriptor(pid));
    bool pipeOpen = true;
    bool exited = false;
    int status = 0;
    bool reaped = false;
    while (pipeOpen && !exited) {
        pollfd watched[2] = {{readEnd, POLLIN, 0}, {pidfd.get(), POLLIN, 0}};
        const nfds_t count = pidfd.get() >= 0 ? 2 : 1;
        const int ready = ::poll(watched, count, pidfd.get() >= 0 ? -1 : 50);
        if (ready < 0) {
            if (errno == EINTR) continue;
            break;  // cannot watch any more: fall through to a blocking wait
        }
        if (watched[0].revents != 0) pipeOpen = drain(readEnd, captured);
        if (count == 2 && watched[1].revents != 0) exited = true;
        if (count == 1) {
            const pid_t done = ::waitpid(pid, &status, WNOHANG);
            if (done == pid) exited = reaped = true;
        }
    }
    if (pipeOpen) drain(readEnd, captured);  // what the shell wrote just before it exited
    while (!reaped) {
        const pid_t done = ::waitpid(pid, &status, 0);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) return std::nullopt;
    }
    return status;
}

class PkexecAppleScript final : public AppleScript {
public:
    PkexecAppleScript(std::string pkexecPath, std::string script)
        : pkexecPath_(std::move(pkexecPath)), script_(std::move(script)) {}

    std::optional<ErrorInfo> execute() override {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) return launchFailure(pkexecPath_, errno);
        UniqueFd readEnd(aboveStandardStreams(ends[0]));
        UniqueFd writeEnd(aboveStandardStreams(ends[1]));
        if (readEnd.get() < 0 || writeEnd.get() < 0) return launchFailure(pkexecPath_, EMFILE);

        std::string program = pkexecPath_;
        std::string shell = "/bin/sh";
        std::string option = "-c";
        std::vector<char*> argv{program.data(), shell.data(), option.data(), script_.data(), nullptr};
        pid_t pid = -1;
        int spawnError = 0;
        {
            SpawnSetup setup(writeEnd.get());
            spawnError = ::posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attributes, argv.data(), environ);
        }
        writeEnd.reset();  // the child holds the only write end now: its exit ends the pipe
        if (spawnError != 0) return launchFailure(pkexecPath_, spawnError);

        std::string captured;
        const std::optional<int> status = collect(pid, readEnd.get(), captured);
        if (!status) return failure(generalErrorNumber, "lost track of " + pkexecPath_);
        if (WIFEXITED(*status)) {
            const int code = WEXITSTATUS(*status);
            if (code == 0) return std::nullopt;
            if (code == 126 || code == 127) return failure(userCanceledErrorNumber, std::string(userCanceledMessage));
            return failure(code, std::move(captured));
        }
        const int signal = WIFSIGNALED(*status) ? WTERMSIG(*status) : 0;
        if (captured.empty()) captured = pkexecPath_ + " ended by signal " + std::to_string(signal);
        // Shells report a death by signal as 128 + the signal's number.
        return failure(128 + signal, std::move(captured));
    }

private:
    std::string pkexecPath_;
    std::string script_;
};

}  // namespace

std::unique_ptr<AppleScript> PkexecAppleScriptFactory::create(std::string_view source) {
    auto script = shellScriptFromSource(source);
    if (!script) return nullptr;
    return std::make_unique<PkexecAppleScript>(pkexecPath_, std::move(*script));
}

}  // namespace zephrane::adminscript
