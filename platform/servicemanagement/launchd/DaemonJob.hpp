// One registered and approved daemon, as zephrane-launchd keeps it: its
// listening sockets, and the daemon process while it runs.
//
//   waiting  --connection-->  (throttled)  -->  running
//   running  --daemon exits-->  waiting       (started again on the next connection)
//   any      --retire()-->  stopping (SIGTERM; SIGKILL after the grace)  -->  retired
//
// A retired job has reaped its daemon and removed its socket files; nothing
// it started is left behind. All of it runs on one executor (the manager's
// serial queue); handlers keep the job alive through shared_from_this.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <asio/any_io_executor.hpp>
#include <asio/posix/stream_descriptor.hpp>
#include <asio/steady_timer.hpp>

#include "platform/oslog/OSLog.hpp"
#include "platform/servicemanagement/ProgramTrust.hpp"

namespace zephrane::servicemanagement {

struct JobDefinition {
    std::string label;
    std::filesystem::path program;
    std::vector<std::string> machServices;
    std::string registrationID;

    friend bool operator==(const JobDefinition&, const JobDefinition&) = default;
};

struct JobSettings {
    std::string socketDirectory;
    TrustPolicy policy;
    std::chrono::milliseconds stopGrace{10000};
    std::chrono::milliseconds throttle{1000};
    std::vector<std::string> environment;  // for the daemon, without the LISTEN_ variables
};

class DaemonJob : public std::enable_shared_from_this<DaemonJob> {
public:
    DaemonJob(asio::any_io_executor executor, JobDefinition definition, JobSettings settings,
              const oslog::Logger& log);
    ~DaemonJob();
    DaemonJob(const DaemonJob&) = delete;
    DaemonJob& operator=(const DaemonJob&) = delete;

    // Makes the sockets and starts waiting for a connection. Throws
    // std::system_error or std::invalid_argument (a socket path in use by
    // someone else, a name too long, a directory we cannot write); nothing
    // is left behind then.
    void open();
    // Stops the daemon if it runs, removes the sockets, then calls `done` on
    // the executor. Once only.
    void retire(std::function<void()> done);

    const JobDefinition& definition() const { return definition_; }
    bool failed() const { return state_ == State::failed; }
    std::optional<pid_t> daemonPid() const;

private:
    enum class State { closed, waiting, throttled, running, failed, stopping, retired };
    struct Socket {
        std::string name;
        std::filesystem::path path;
        int fd = -1;
        ino_t inode = 0;
    };

    void waitForConnection();
    void onConnection(const std::error_code& error);
    void start();
    void onExit(const std::error_code& error);
    void stopWatching();
    void finishRetiring();
    void closeSockets();
    std::string prefix() const { return definition_.label + ": "; }

    asio::any_io_executor executor_;
    JobDefinition definition_;
    JobSettings settings_;
    const oslog::Logger& log_;
    State state_ = State::closed;
    std::vector<Socket> sockets_;
    // Fresh duplicates of the sockets per wait: a new registration with the
    // reactor reports a connection already queued, where a long-lived one
    // (edge-triggered) would wait for the next.
    std::vector<std::shared_ptr<asio::posix::stream_descriptor>> watchers_;
    std::shared_ptr<asio::posix::stream_descriptor> exitWatcher_;
    pid_t pid_ = -1;
    std::optional<std::chrono::steady_clock::time_point> lastStart_;
    asio::steady_timer timer_;  // the throttle, or the grace while stopping
    std::function<void()> retired_;
};

}  // namespace zephrane::servicemanagement
