#include "platform/servicemanagement/launchd/DaemonJob.hpp"

#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <system_error>

#include <asio/post.hpp>

#include "platform/servicemanagement/launchd/DaemonLauncher.hpp"
#include "platform/xpc/ServiceAddress.hpp"
#include "shared/DebugText.hpp"

namespace zephrane::servicemanagement {

namespace {

sockaddr_un addressOf(const std::filesystem::path& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string text = path.string();
    std::memcpy(address.sun_path, text.data(), std::min(text.size(), sizeof address.sun_path - 1));
    return address;
}

// A socket file left by a manager that died may be replaced; one that
// someone still listens on (a systemd socket unit, a daemon started by hand)
// may not, and a file that is no socket is never touched.
void clearSocketPath(const std::filesystem::path& path) {
    struct stat status{};
    if (::lstat(path.c_str(), &status) != 0) return;
    if (!S_ISSOCK(status.st_mode))
        throw std::system_error(EEXIST, std::generic_category(), quotedDebugText(path.string()) + " is not a socket");
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0) throw std::system_error(errno, std::generic_category(), "socket");
    const sockaddr_un address = addressOf(path);
    const bool listening = ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(probe);
    if (listening)
        throw std::system_error(EADDRINUSE, std::generic_category(),
                                quotedDebugText(path.string()) + " is served by another program");
    ::unlink(path.c_str());
}

std::string describeExit(int status) {
    if (WIFEXITED(status)) return "exited with status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "was killed by signal " + std::to_string(WTERMSIG(status));
    return "ended (wait status " + std::to_string(status) + ")";
}

}  // namespace

DaemonJob::DaemonJob(asio::any_io_executor executor, JobDefinition definition, JobSettings settings,
                     const oslog::Logger& log)
    : executor_(executor),
      definition_(std::move(definition)),
      settings_(std::move(settings)),
      log_(log),
      timer_(executor) {}

DaemonJob::~DaemonJob() {
    // Only a job that never opened, or one already retired, is destroyed;
    // retire() is what stops a daemon. This is the last line of defence.
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    closeSockets();
}

std::optional<pid_t> DaemonJob::daemonPid() const {
    if (pid_ > 0) return pid_;
    return std::nullopt;
}

void DaemonJob::open() {
    try {
        for (const auto& name : definition_.machServices) {
            Socket socket{name, xpc::socketPathForService(name, settings_.socketDirectory)};
            clearSocketPath(socket.path);
            socket.fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (socket.fd < 0) throw std::system_error(errno, std::generic_category(), "socket");
            sockets_.push_back(socket);
            const sockaddr_un address = addressOf(socket.path);
            if (::bind(socket.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
                throw std::system_error(errno, std::generic_category(), "bind " + quotedDebugText(socket.path.string()));
            struct stat status{};
            if (::lstat(socket.path.c_str(), &status) != 0)
                throw std::system_error(errno, std::generic_category(), "stat " + quotedDebugText(socket.path.string()));
            sockets_.back().inode = status.st_ino;
            // Anyone may connect, as to a Mach service: the daemon decides
            // whom it answers by the peer's code identity.
            if (::chmod(socket.path.c_str(), 0666) != 0 || ::listen(socket.fd, SOMAXCONN) != 0)
                throw std::system_error(errno, std::generic_category(), quotedDebugText(socket.path.string()));
        }
    } catch (...) {
        closeSockets();
        throw;
    }
    for (const auto& socket : sockets_) log_.info(prefix() + "listening on " + quotedDebugText(socket.path.string()));
    waitForConnection();
}

void DaemonJob::waitForConnection() {
    state_ = State::waiting;
    watchers_.clear();
    for (const auto& socket : sockets_) {
        const int duplicate = ::fcntl(socket.fd, F_DUPFD_CLOEXEC, 3);
        if (duplicate < 0) {
            log_.error(prefix() + "cannot watch " + quotedDebugText(socket.path.string()) + ": " +
                       std::strerror(errno));
            state_ = State::failed;
            return;
        }
        auto watcher = std::make_shared<asio::posix::stream_descriptor>(executor_, duplicate);
        watcher->async_wait(asio::posix::stream_descriptor::wait_read,
                            [self = shared_from_this()](const std::error_code& error) { self->onConnection(error); });
        watchers_.push_back(std::move(watcher));
    }
}

void DaemonJob::stopWatching() {
    for (auto& watcher : watchers_) {
        std::error_code ignored;
        watcher->cancel(ignored);
    }
    watchers_.clear();
}

void DaemonJob::onConnection(const std::error_code& error) {
    if (error || state_ != State::waiting) return;
    stopWatching();
    const auto now = std::chrono::steady_clock::now();
    if (lastStart_ && now - *lastStart_ < settings_.throttle) {
        state_ = State::throttled;
        timer_.expires_at(*lastStart_ + settings_.throttle);
        timer_.async_wait([self = shared_from_this()](const std::error_code& timerError) {
            if (!timerError && self->state_ == State::throttled) self->start();
        });
        return;
    }
    start();
}

void DaemonJob::start() {
    lastStart_ = std::chrono::steady_clock::now();
    LaunchRequest request{definition_.program, {}, {}, settings_.environment};
    for (const auto& socket : sockets_) {
        request.sockets.push_back(socket.fd);
        request.socketNames.push_back(socket.name);
    }
    log_.info(prefix() + "connection waiting \u2014 starting " + quotedDebugText(definition_.program.string()));
    LaunchedDaemon daemon;
    try {
        daemon = launchDaemon(request, settings_.policy);
    } catch (const LaunchRefused& e) {
        // The program changed since it was approved; the manager retires
        // this job at its next look and sets up a fresh one if an
        // administrator puts things right.
        log_.error(prefix() + "refusing to start " + quotedDebugText(definition_.program.string()) + ": " + e.what());
        state_ = State::failed;
        return;
    } catch (const std::exception& e) {
        log_.error(prefix() + "cannot start " + quotedDebugText(definition_.program.string()) + ": " + e.what());
        state_ = State::failed;
        return;
    }
    pid_ = daemon.pid;
    state_ = State::running;
    log_.info(prefix() + "started, pid " + std::to_string(pid_));
    exitWatcher_ = std::make_shared<asio::posix::stream_descriptor>(executor_, daemon.pidfd);
    exitWatcher_->async_wait(asio::posix::stream_descriptor::wait_read,
                             [self = shared_from_this()](const std::error_code& error) { self->onExit(error); });
}

void DaemonJob::onExit(const std::error_code& error) {
    if (error || pid_ <= 0) return;
    int status = 0;
    pid_t reaped = 0;
    do {
        reaped = ::waitpid(pid_, &status, WNOHANG);
    } while (reaped < 0 && errno == EINTR);
    if (reaped == 0) {  // readable yet not exited: cannot happen for a pidfd, but never spin
        exitWatcher_->async_wait(asio::posix::stream_descriptor::wait_read,
                                 [self = shared_from_this()](const std::error_code& e) { self->onExit(e); });
        return;
    }
    log_.info(prefix() + "pid " + std::to_string(pid_) + " " + describeExit(status));
    pid_ = -1;
    exitWatcher_.reset();
    if (state_ == State::stopping) {
        timer_.cancel();
        finishRetiring();
    } else {
        waitForConnection();
    }
}

void DaemonJob::retire(std::function<void()> done) {
    if (state_ == State::stopping || state_ == State::retired) return;
    retired_ = std::move(done);
    stopWatching();
    timer_.cancel();
    if (pid_ <= 0) {
        state_ = State::stopping;
        asio::post(executor_, [self = shared_from_this()] { self->finishRetiring(); });
        return;
    }
    state_ = State::stopping;
    log_.info(prefix() + "stopping pid " + std::to_string(pid_));
    signalDaemon(exitWatcher_->native_handle(), SIGTERM);
    timer_.expires_after(settings_.stopGrace);
    timer_.async_wait([self = shared_from_this()](const std::error_code& error) {
        if (error || self->state_ != State::stopping || self->pid_ <= 0) return;
        self->log_.error(self->prefix() + "pid " + std::to_string(self->pid_) + " did not stop within " +
                         std::to_string(self->settings_.stopGrace.count()) + " ms \u2014 killing it");
        signalDaemon(self->exitWatcher_->native_handle(), SIGKILL);
    });
}

void DaemonJob::finishRetiring() {
    if (state_ == State::retired) return;
    closeSockets();
    state_ = State::retired;
    if (auto done = std::move(retired_)) done();
}

void DaemonJob::closeSockets() {
    for (const auto& socket : sockets_) {
        // Remove the file only if it is still ours: a successor may already
        // have bound the same path.
        struct stat status{};
        if (socket.inode != 0 && ::lstat(socket.path.c_str(), &status) == 0 && status.st_ino == socket.inode)
            ::unlink(socket.path.c_str());
        if (socket.fd >= 0) ::close(socket.fd);
    }
    sockets_.clear();
}

}  // namespace zephrane::servicemanagement
