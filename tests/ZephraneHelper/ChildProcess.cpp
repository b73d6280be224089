#include "ChildProcess.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <system_error>
#include <thread>

extern char** environ;

namespace zephrane::helper::testing {
namespace {

std::vector<std::string> mergedEnvironment(const std::vector<std::string>& overrides) {
    std::map<std::string, std::string> entries;
    auto add = [&](const std::string& entry) {
        const auto equals = entry.find('=');
        entries[entry.substr(0, equals)] = entry;
    };
    for (char** e = environ; *e != nullptr; ++e) add(*e);
    for (const auto& entry : overrides) add(entry);
    std::vector<std::string> out;
    for (auto& [name, entry] : entries) out.push_back(entry);
    return out;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> out;
    for (auto& text : texts) out.push_back(text.data());
    out.push_back(nullptr);
    return out;
}

}  // namespace

ChildProcess::ChildProcess(const ProcessSpec& spec) {
    // Everything the child needs is built before fork(): after it, in a
    // process with threads, the child may only make system calls.
    std::vector<std::string> argumentTexts{spec.program};
    argumentTexts.insert(argumentTexts.end(), spec.arguments.begin(), spec.arguments.end());
    std::vector<std::string> environmentTexts = mergedEnvironment(spec.environment);
    std::vector<char*> argv = pointers(argumentTexts);
    std::vector<char*> envp = pointers(environmentTexts);
    const std::string output = spec.output.string();
    const pid_t parent = ::getpid();
    const int descriptor3 = spec.descriptor3;

    pid_ = ::fork();
    if (pid_ < 0) throw std::system_error(errno, std::generic_category(), "fork");
    if (pid_ == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(126);  // the parent died before the line above
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (in < 0 || out < 0) ::_exit(126);
        ::dup2(in, STDIN_FILENO);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(out, STDERR_FILENO);
        unsigned firstToClose = 3;
        if (descriptor3 >= 0) {
            if (descriptor3 != 3) ::dup2(descriptor3, 3);
            ::fcntl(3, F_SETFD, 0);  // dup2 onto itself would keep close-on-exec
            firstToClose = 4;
        }
        ::close_range(firstToClose, ~0U, 0);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
}

ChildProcess::~ChildProcess() { kill(); }

void ChildProcess::signal(int number) const {
    if (!status_) ::kill(pid_, number);
}

bool ChildProcess::hasExited() {
    if (status_) return true;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) status_ = status;
    return status_.has_value();
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!hasExited()) {
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return status_;
}

void ChildProcess::kill() {
    if (status_ || pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    status_ = status;
}

std::optional<int> exitCode(int waitStatus) {
    if (!WIFEXITED(waitStatus)) return std::nullopt;
    return WEXITSTATUS(waitStatus);
}

}  // namespace zephrane::helper::testing
