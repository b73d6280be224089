// The code behind a process or a socket peer: the executable the kernel
// runs for it, opened through /proc/<pid>/exe. That link opens the very
// file the process was started from, even when another file has since been
// renamed over its path, so a peer cannot pass for another program by
// swapping files after it started.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <system_error>

#include "platform/codesign/CodeSigning.hpp"
#include "platform/codesign/ElfIdentity.hpp"
#include "platform/codesign/LoadedCode.hpp"
#include "platform/codesign/ProcessTracer.hpp"

// Linux 6.5 and later hand out a pidfd of a socket's peer; older headers
// lack the name.
#ifndef SO_PEERPIDFD
#define SO_PEERPIDFD 77
#endif

namespace zephrane::codesign {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

private:
    int fd_;
};

std::string errorText(int error) { return std::generic_category().message(error); }

std::string exeLink(pid_t pid) { return "/proc/" + std::to_string(pid) + "/exe"; }

// Non-blocking, so a FIFO put in the place of a file cannot hang us.
constexpr int kOpenFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

// CodeInfo of `pid`, or in `why` the reason there is none, worded to follow
// "process <pid>".
std::optional<CodeInfo> inspectProcess(pid_t pid, std::string& why, int* openError = nullptr) {
    const std::string link = exeLink(pid);
    const FileDescriptor exe(::open(link.c_str(), kOpenFlags));
    if (!exe.valid()) {
        const int error = errno;
        if (openError) *openError = error;
        why = error == ENOENT || error == ESRCH ? "is gone" : "has an unreadable executable: " + errorText(error);
        return std::nullopt;
    }
    struct stat status {};
    if (::fstat(exe.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        why = "runs an executable that is not a regular file";
        return std::nullopt;
    }

    CodeInfo info;
    char path[PATH_MAX];
    const ssize_t length = ::readlink(link.c_str(), path, sizeof path);
    // The path only names the program in messages; the checks use the file.
    info.executablePath = length > 0 ? std::string(path, static_cast<std::size_t>(length)) : link;
    info.owner = status.st_uid;
    info.mode = status.st_mode & 07777;
    info.identity = identityFromElfFile(exe.get());
    info.loaded = loadedCodeOf(pid);
    info.tracer = tracerOf(pid);
    return info;
}

// The peer's pidfd, which tells whether the very process that connected
// still exists, whatever its pid now names. Invalid when the kernel is too
// old to give one; `gone` when the kernel refuses because the peer has
// already been reaped (newer kernels give the pidfd anyway).
FileDescriptor peerPidFd(int socketFd, bool& gone) {
    int pidfd = -1;
    socklen_t length = sizeof pidfd;
    if (::getsockopt(socketFd, SOL_SOCKET, SO_PEERPIDFD, &pidfd, &length) == 0) return FileDescriptor(pidfd);
    gone = errno != ENOPROTOOPT && errno != ENODATA;
    return FileDescriptor();
}

// Signal 0 only asks whether the process exists; EPERM still says it does.
// (A raw system call: the C library's wrapper lacks C linkage in C++ here.)
bool stillExists(const FileDescriptor& pidfd) {
    return ::syscall(SYS_pidfd_send_signal, pidfd.get(), 0, nullptr, 0U) == 0 || errno == EPERM;
}

// The program a process was started as: the first word of its command
// line, which anyone may read. Only an absolute path counts.
std::optional<std::string> startedAs(pid_t pid) {
    const FileDescriptor file(::open(("/proc/" + std::to_string(pid) + "/cmdline").c_str(), kOpenFlags));
    if (!file.valid()) return std::nullopt;
    char buffer[PATH_MAX + 1];
    const ssize_t length = ::read(file.get(), buffer, sizeof buffer - 1);
    if (length <= 0) return std::nullopt;
    buffer[length] = '\0';
    const std::string first(buffer);  // up to the first NUL
    if (first.empty() || first.front() != '/') return std::nullopt;
    return first;
}

// CodeInfo of a process of the trusted owner whose running executable we
// may not open (an unprivileged app looking at the root daemon): the file
// it was started as stands in for it. That owner can change the system at
// will, so the name it gives is as good as its word; anyone else is never
// looked at this way.
std::optional<CodeInfo> inspectByStartingPath(pid_t pid, std::string& why) {
    const auto path = startedAs(pid);
    if (!path) {
        why = "has an unreadable executable and was not started by an absolute path";
        return std::nullopt;
    }
    const FileDescriptor file(::open(path->c_str(), kOpenFlags));
    struct stat status {};
    if (!file.valid() || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        why = "was started as " + *path + ", which is not a readable regular file";
        return std::nullopt;
    }
    CodeInfo info;
    info.executablePath = *path;
    info.owner = status.st_uid;
    info.mode = status.st_mode & 07777;
    info.identity = identityFromElfFile(file.get());
    info.tracer = tracerOf(pid);
    return info;
}

}  // namespace

std::optional<Identity> readEmbeddedIdentity(const std::string& path) {
    const FileDescriptor file(::open(path.c_str(), kOpenFlags));
    if (!file.valid()) return std::nullopt;
    return identityFromElfFile(file.get());
}

std::optional<CodeInfo> codeInfoForProcess(pid_t pid) {
    if (pid <= 0) return std::nullopt;
    std::string why;
    return inspectProcess(pid, why);
}

std::optional<std::string> checkPeer(int socketFd, const Requirement& requirement, const TrustPolicy& policy) {
    struct ucred credentials {};
    socklen_t length = sizeof credentials;
    if (::getsockopt(socketFd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
        return "cannot identify the peer: " + errorText(errno);
    // Zero: the peer lives in a pid namespace we cannot see into.
    if (credentials.pid <= 0) return "the peer's process is not visible from here";
    const std::string peer = "peer process " + std::to_string(credentials.pid);

    bool gone = false;
    const FileDescriptor pidfd = peerPidFd(socketFd, gone);
    if (gone) return peer + " is gone";

    std::string why;
    int openError = 0;
    auto code = inspectProcess(credentials.pid, why, &openError);
    if (!code && (openError == EACCES || openError == EPERM) && credentials.uid == policy.trustedOwner &&
        ::geteuid() != policy.trustedOwner)
        code = inspectByStartingPath(credentials.pid, why);
    if (!code) return peer + " " + why;
    // The pid might have been recycled between the connect and our look at
    // /proc; the pidfd tells whether the process we looked at is the peer.
    if (pidfd.valid() && !stillExists(pidfd)) return peer + " is gone";

    if (auto failure = requirement.check(*code, policy))
        return peer + " (" + code->executablePath + "): " + *failure;
    return std::nullopt;
}

}  // namespace zephrane::codesign
