// A program started under a tracer from its first instruction, the way an
// unprivileged program would start the genuine app to steer it: a tracer
// process (giving up root for `tracerUser` first, when one is named) forks
// the program with PTRACE_TRACEME, lets it run on from its exec stop,
// passes every signal on, and stays attached until the program exits, then
// exits with the program's status. The program runs as the tracer's user.
// For comparison, the same start may leave the program untraced.
//
// Both processes die with the thread that made them (PR_SET_PDEATHSIG), and
// the destructor kills and reaps them, so a failed assertion leaves nothing
// behind.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace zephrane::test {

class TracedStart {
public:
    enum class Trace { yes, no };

    // `output`, when given, becomes the program's stdout and stderr.
    TracedStart(const std::vector<std::string>& command, std::optional<uid_t> tracerUser, int output = -1,
                Trace trace = Trace::yes) {
        std::vector<std::string> words = command;
        std::vector<char*> argv;
        for (auto& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        int pids[2];
        if (::pipe2(pids, O_CLOEXEC) != 0) throw std::runtime_error("no pipe");
        tracer_ = ::fork();
        if (tracer_ < 0) throw std::runtime_error("cannot fork");
        if (tracer_ == 0) {
            ::close(pids[0]);
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (tracerUser && (::setgroups(0, nullptr) != 0 || ::setresgid(*tracerUser, *tracerUser, *tracerUser) != 0 ||
                               ::setresuid(*tracerUser, *tracerUser, *tracerUser) != 0))
                ::_exit(120);
            runTracer(argv.data(), output, pids[1], trace);
        }
        ::close(pids[1]);
        pid_t traced = -1;
        if (::read(pids[0], &traced, sizeof traced) == sizeof traced) traced_ = traced;
        ::close(pids[0]);
    }

    ~TracedStart() {
        if (traced_ > 0) ::kill(traced_, SIGKILL);
        if (tracer_ > 0 && !status_) {
            ::kill(tracer_, SIGKILL);
            ::waitpid(tracer_, nullptr, 0);
        }
    }

    TracedStart(const TracedStart&) = delete;
    TracedStart& operator=(const TracedStart&) = delete;

    pid_t tracer() const { return tracer_; }
    // The traced program; -1 when it could not be started.
    pid_t traced() const { return traced_; }

    // The program's exit code once it has ended (128 + the signal that
    // ended it), or none while it still runs after `limit`.
    std::optional<int> waitForExit(std::chrono::milliseconds limit) {
        const auto giveUpAt = std::chrono::steady_clock::now() + limit;
        while (!status_) {
            int status = 0;
            const pid_t done = ::waitpid(tracer_, &status, WNOHANG);
            if (done == tracer_) {
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                traced_ = -1;
                break;
            }
            if (std::chrono::steady_clock::now() >= giveUpAt) return std::nullopt;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return status_;
    }

private:
    [[noreturn]] static void runTracer(char* const* argv, int output, int report, Trace trace) {
        const pid_t program = ::fork();
        if (program < 0) ::_exit(121);
        if (program == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (output >= 0) {
                ::dup2(output, STDOUT_FILENO);
                ::dup2(output, STDERR_FILENO);
            }
            if (trace == Trace::yes && ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) ::_exit(122);
            ::execv(argv[0], argv);
            ::_exit(123);
        }
        (void)!::write(report, &program, sizeof program);
        ::close(report);
        for (;;) {
            int status = 0;
            if (::waitpid(program, &status, 0) != program) ::_exit(124);
            if (WIFEXITED(status)) ::_exit(WEXITSTATUS(status));
            if (WIFSIGNALED(status)) ::_exit(128 + WTERMSIG(status));
            if (!WIFSTOPPED(status)) continue;
            // The exec stop is ours; any other stop is a signal for it.
            const int signal = WSTOPSIG(status) == SIGTRAP ? 0 : WSTOPSIG(status);
            ::ptrace(PTRACE_CONT, program, nullptr, reinterpret_cast<void*>(static_cast<long>(signal)));
        }
    }

    pid_t tracer_ = -1;
    pid_t traced_ = -1;
    std::optional<int> status_;
};

}  // namespace zephrane::test
