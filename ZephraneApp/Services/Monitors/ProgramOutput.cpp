#include "ZephraneApp/Services/Monitors/ProgramOutput.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>

#include "platform/proc/ProcessDescriptor.hpp"

extern char** environ;

namespace zephrane {
namespace {

using Clock = std::chrono::steady_clock;

// The exit poll's pace when the kernel offers no process descriptor.
constexpr std::chrono::milliseconds kExitPollInterval{10};

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

class SpawnSettings {
public:
    SpawnSettings() {
        fileActionsReady_ = ::posix_spawn_file_actions_init(&fileActions_) == 0;
        attributesReady_ = ::posix_spawnattr_init(&attributes_) == 0;
    }
    ~SpawnSettings() {
        if (fileActionsReady_) ::posix_spawn_file_actions_destroy(&fileActions_);
        if (attributesReady_) ::posix_spawnattr_destroy(&attributes_);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    // False when any setting could not be made; the program is then not run.
    bool prepare(int stdoutFd) {
        if (!fileActionsReady_ || !attributesReady_) return false;
        sigset_t nothing;
        sigset_t everything;
        ::sigemptyset(&nothing);
        ::sigfillset(&everything);
        const short flags = POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
        // closefrom: a descriptor another thread opened without close-on-exec
        // must not keep our pipe, or anything else, alive in the child.
        return ::posix_spawn_file_actions_addopen(&fileActions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0 &&
               ::posix_spawn_file_actions_adddup2(&fileActions_, stdoutFd, STDOUT_FILENO) == 0 &&
               ::posix_spawn_file_actions_addopen(&fileActions_, STDERR_FILENO, "/dev/null", O_WRONLY, 0) == 0 &&
               ::posix_spawn_file_actions_addclosefrom_np(&fileActions_, STDERR_FILENO + 1) == 0 &&
               ::posix_spawnattr_setflags(&attributes_, flags) == 0 &&
               ::posix_spawnattr_setpgroup(&attributes_, 0) == 0 &&
               ::posix_spawnattr_setsigmask(&attributes_, &nothing) == 0 &&
               ::posix_spawnattr_setsigdefault(&attributes_, &everything) == 0;
    }

    const posix_spawn_file_actions_t* fileActions() const { return &fileActions_; }
    const posix_spawnattr_t* attributes() const { return &attributes_; }

private:
    posix_spawn_file_actions_t fileActions_{};
    posix_spawnattr_t attributes_{};
    bool fileActionsReady_ = false;
    bool attributesReady_ = false;
};

enum class Reaped { no, yes, byOther };

Reaped reap(pid_t pid, int& status, bool block) {
    for (;;) {
        const pid_t result = ::waitpid(pid, &status, block ? 0 : WNOHANG);
        if (result == pid) return Reaped::yes;
        if (result == 0) return Reaped::no;
        if (errno == EINTR) continue;
        // ECHILD: someone else collected it, so its status is lost.
        return Reaped::byOther;
    }
}

int pollMilliseconds(Clock::duration left) {
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::clamp<decltype(ms)>(ms, 0, INT_MAX));
}

}  // namespace

bool ProgramOutput::succeeded() const {
    return outcome == Outcome::exited && WIFEXITED(waitStatus) && WEXITSTATUS(waitStatus) == 0;
}

ProgramOutput runProgram(const std::string& path, const std::vector<std::string>& arguments, ProgramLimits limits,
                         std::stop_token stop) {
    ProgramOutput result;
    if (stop.stop_requested()) {
        result.outcome = ProgramOutput::Outcome::cancelled;
        return result;
    }
    // Readable once a stop is requested, so the wait below wakes for it.
    const Descriptor stopped(stop.stop_possible() ? ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK) : -1);
    const std::stop_callback wake(stop, [fd = stopped.get()] {
        if (fd >= 0) {
            const std::uint64_t one = 1;
            (void)!::write(fd, &one, sizeof one);
        }
    });
    int ends[2];
    // Close-on-exec, so that a program another thread starts meanwhile never
    // holds our write end and keeps the pipe from ending.
    if (::pipe2(ends, O_CLOEXEC) != 0) return result;
    Descriptor readEnd(ends[0]);
    Descriptor writeEnd(ends[1]);

    SpawnSettings settings;
    if (!settings.prepare(writeEnd.get())) return result;
    std::vector<std::string> argvText{path};
    argvText.insert(argvText.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : argvText) argv.push_back(text.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    if (::posix_spawn(&pid, path.c_str(), settings.fileActions(), settings.attributes(), argv.data(), environ) != 0)
        return result;
    writeEnd.reset();

    const auto deadline = Clock::now() + limits.timeout;
    const Descriptor exitWatch(proc::openProcessDescriptor(pid));
    bool endOfOutput = false;
    Reaped reaped = Reaped::no;
    int status = 0;
    ProgramOutput::Outcome failure = ProgramOutput::Outcome::exited;
    char buffer[16 * 1024];

    while (!endOfOutput || reaped == Reaped::no) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) {
            failure = ProgramOutput::Outcome::timedOut;
            break;
        }
        if (stop.stop_requested()) {
            failure = ProgramOutput::Outcome::cancelled;
            break;
        }
        pollfd watched[3];
        nfds_t count = 0;
        if (!endOfOutput) watched[count++] = {readEnd.get(), POLLIN, 0};
        if (reaped == Reaped::no && exitWatch.valid()) watched[count++] = {exitWatch.get(), POLLIN, 0};
        if (stopped.valid()) watched[count++] = {stopped.get(), POLLIN, 0};
        int wait = pollMilliseconds(left);
        if ((reaped == Reaped::no && !exitWatch.valid()) || (stop.stop_possible() && !stopped.valid()))
            wait = std::min(wait, static_cast<int>(kExitPollInterval.count()));
        if (::poll(watched, count, wait) < 0 && errno != EINTR) {
            failure = ProgramOutput::Outcome::timedOut;  // cannot wait any more: give up as at the deadline
            break;
        }
        if (!endOfOutput && (watched[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            const ssize_t got = ::read(readEnd.get(), buffer, sizeof buffer);
            if (got > 0) {
                result.output.append(buffer, static_cast<std::size_t>(got));
                if (result.output.size() > limits.maxOutput) {
                    failure = ProgramOutput::Outcome::outputTooLarge;
                    break;
                }
            } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
                endOfOutput = true;
            }
        }
        if (reaped == Reaped::no) reaped = reap(pid, status, false);
    }

    if (failure != ProgramOutput::Outcome::exited) {
        // The whole group: a shell script's own children die with it. While
        // the leader is unreaped (or a member still holds the pipe) the group
        // id cannot belong to anyone else.
        ::kill(-pid, SIGKILL);
        if (reaped == Reaped::no) {
            ::kill(pid, SIGKILL);
            reap(pid, status, true);
        }
        result.outcome = failure;
        return result;
    }
    result.outcome = ProgramOutput::Outcome::exited;
    result.waitStatus = reaped == Reaped::yes ? status : -1;
    return result;
}

}  // namespace zephrane
