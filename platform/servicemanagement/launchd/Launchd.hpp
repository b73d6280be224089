// zephrane-launchd: the launchd stand-in that the app's registrations drive.
// Every poll interval it reads the registrations and approvals under the
// system root (ServiceStore.hpp); each daemon that is registered, approved
// for exactly the registered program and Mach services, and whose program
// passes the trust check, gets a DaemonJob: its sockets, and the daemon
// started on the first connection. A job whose registration goes, changes
// (a new registration, even of the same program, restarts it) or loses its
// approval is retired: the daemon stopped, the sockets removed.
//
// SIGTERM or SIGINT retires every job and then ends run() with 0.
//
// It runs as root on a real system; tests run it on a temporary system root
// and socket directory. At start it makes the registrations directory
// world-writable with the sticky bit (so unprivileged apps can register and
// none can touch another's record) when it creates it.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>
#include <asio/steady_timer.hpp>

#include "platform/oslog/OSLog.hpp"
#include "platform/servicemanagement/ServiceStore.hpp"
#include "platform/servicemanagement/launchd/DaemonJob.hpp"
#include "platform/servicemanagement/launchd/LaunchdOptions.hpp"

namespace zephrane::servicemanagement {

class Launchd {
public:
    Launchd(asio::io_context& io, LaunchdOptions options);
    Launchd(const Launchd&) = delete;
    Launchd& operator=(const Launchd&) = delete;

    // Sets up and runs until a termination signal has been handled; returns
    // the exit status.
    int run();

private:
    void prepareDirectories();
    void schedulePoll();
    void reconcile();
    std::map<std::string, JobDefinition> desiredJobs();
    void complain(const std::string& label, const std::string& complaint,
                  oslog::Level level = oslog::Level::error);
    void retire(const std::string& label);
    void shutDown(int signal);

    asio::io_context& io_;
    LaunchdOptions options_;
    ServiceStore store_;
    TrustPolicy policy_;
    const oslog::Logger& log_;
    asio::signal_set signals_;
    asio::steady_timer pollTimer_;
    std::map<std::string, std::shared_ptr<DaemonJob>> jobs_;
    std::vector<std::shared_ptr<DaemonJob>> retiring_;
    // The last complaint logged per label, so a bad record is reported once,
    // not on every poll.
    std::map<std::string, std::string> complaints_;
    bool shuttingDown_ = false;
};

}  // namespace zephrane::servicemanagement
