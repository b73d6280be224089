// The shared workspace as the app's workload observer sees it: the user's
// running applications, each with an optional application identifier, and
// notifications when one launches or terminates.
//
// On Linux an application is an executable: every process of the user's that
// runs the same executable file belongs to one application, and an
// application launches when the first such process appears and terminates
// when the last one is gone. The identifier comes from a mapping of
// executable names (see ApplicationIdentifiers); unknown executables have
// none. LinuxWorkspace finds all this by scanning /proc; tests use
// FakeWorkspace.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zephrane::workspace {

class WorkspaceNotificationCenter;

struct RunningApplication {
    // Absolute path of the executable: the application's identity.
    std::string executablePath;
    std::optional<std::string> bundleIdentifier;

    friend bool operator==(const RunningApplication&, const RunningApplication&) = default;
};

enum class NotificationName : std::uint8_t { didLaunchApplication, didTerminateApplication };

struct Notification {
    NotificationName name = NotificationName::didLaunchApplication;
    // The entry under the workspace's application key; a notification may
    // arrive without one.
    std::optional<RunningApplication> application;

    friend bool operator==(const Notification&, const Notification&) = default;
};

// What an observer registration returns and removal takes. Tokens are never
// reused within one notification centre.
struct ObserverToken {
    std::uint64_t id = 0;

    friend auto operator<=>(const ObserverToken&, const ObserverToken&) = default;
};

class Workspace {
public:
    virtual ~Workspace() = default;

    // The applications running now, in the order they were first seen. Does
    // not block: it answers from the workspace's latest scan, the same one
    // later notifications are the changes from.
    virtual std::vector<RunningApplication> runningApplications() const = 0;

    virtual WorkspaceNotificationCenter& notificationCenter() = 0;
};

}  // namespace zephrane::workspace
