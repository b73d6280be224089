// The workspace on Linux: a thread of its own scans /proc periodically (see
// ApplicationScan for what counts as an application), compares each scan
// with the previous one and posts one notification per application that
// launched or terminated, terminations first. Launches and terminations
// shorter than the scan interval can go unseen; for the applications the
// workload boost cares about (minutes of rendering or compiling) that costs
// nothing.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/workspace/ApplicationIdentifiers.hpp"
#include "platform/workspace/Workspace.hpp"
#include "platform/workspace/WorkspaceNotificationCenter.hpp"

namespace zephrane::workspace {

struct LinuxWorkspaceOptions {
    std::string procRoot = "/proc";
    std::string identifiersFile = ApplicationIdentifiers::defaultPath();
    // A scan reads every process's /proc entry, the dearest thing the app
    // does at rest; what it serves (the workload boost) waits for minutes
    // of rendering or compiling, so a few seconds late costs nothing.
    std::chrono::milliseconds scanInterval = std::chrono::seconds(5);
    // Whose processes are applications; none: this process's effective user.
    std::optional<std::uint32_t> user;
};

class LinuxWorkspace final : public Workspace {
public:
    // Reads the identifiers file and takes the first scan here, on the
    // calling thread (a few milliseconds on a desktop; see the benchmark),
    // so runningApplications() has an answer from the start. Then the
    // scanner thread starts.
    explicit LinuxWorkspace(LinuxWorkspaceOptions options);
    // Stops and joins the scanner; a scan in progress finishes first.
    ~LinuxWorkspace() override;
    LinuxWorkspace(const LinuxWorkspace&) = delete;
    LinuxWorkspace& operator=(const LinuxWorkspace&) = delete;

    std::vector<RunningApplication> runningApplications() const override;
    WorkspaceNotificationCenter& notificationCenter() override { return center_; }

private:
    void scanLoop();
    std::vector<RunningApplication> scan() const;

    const LinuxWorkspaceOptions options_;
    const std::uint32_t user_;
    const ApplicationIdentifiers identifiers_;
    WorkspaceNotificationCenter center_;  // outlives the scanner thread, which posts to it

    mutable std::mutex snapshotMutex_;
    std::vector<RunningApplication> snapshot_;  // the latest scan; only the scanner replaces it

    std::mutex wakeMutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread scanner_;  // last: starts once everything above exists
};

}  // namespace zephrane::workspace
