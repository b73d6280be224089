// One running application by its process identifier, as the heat sources
// card asks for it: whether it exists, its names, whether it is one the user
// sees and may quit, and the polite request to quit it.
//
// On Linux a process has no activation policy of its own. A process of the
// user's that has a terminal or was started into a graphical session (its
// environment names a display) is one the user works with: regular. The
// app itself lives in the tray: accessory. Everything else (the user's
// session daemons, other users' processes) is background-only.
//
// Quitting is guarded against a process identifier that was reused: the
// process is pinned by a descriptor of its own (a pidfd) before its names are
// read, the names are checked against the one the caller knows, and the
// signal goes through that descriptor, so it can only ever reach the process
// whose names were checked.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zephrane::workspace {

enum class ActivationPolicy : std::uint8_t { regular, accessory, prohibited };

struct ApplicationProcess {
    std::int32_t pid = 0;
    // The kernel's short name (comm): what the desktop's process lists show.
    std::string localizedName;
    // "Name" for an executable inside "Name.app/Contents/MacOS/"; none otherwise.
    std::optional<std::string> bundleName;
    // The last component of the executable's path.
    std::string executableName;
    ActivationPolicy activationPolicy = ActivationPolicy::prohibited;

    friend bool operator==(const ApplicationProcess&, const ApplicationProcess&) = default;
};

struct ApplicationProcessOptions {
    // Only the real /proc pins a process; another root is for lookups in tests.
    std::string procRoot = "/proc";
    // Whose processes may be regular and quit; none: this process's effective user.
    std::optional<std::uint32_t> user;
    // The app's own process, which is an accessory; none: this process.
    std::optional<std::int32_t> selfPid;
};

// None for an identifier below 1, a process that does not exist, and one
// without a readable executable (a kernel thread, a zombie, another user's
// process that hides it).
std::optional<ApplicationProcess> runningApplication(std::int32_t pid, const ApplicationProcessOptions& options = {});

// Whether `name` is one of the process's names, ignoring case.
bool isNamed(const ApplicationProcess& application, std::string_view name);

enum class QuitOutcome : std::uint8_t {
    requested,         // SIGTERM went to the pinned process
    noSuchProcess,     // gone, or gone while its names were read
    notNamed,          // the process is another program now
    notPermitted,      // another user's process
    failed,            // the system refused (no pidfds, the signal refused)
};

// Asks the application `pid` to quit (SIGTERM) when it is still the one
// called `name` and belongs to the user. `pinned`, for tests, runs once the
// process is pinned and before its names are read.
QuitOutcome quitApplication(std::int32_t pid, std::string_view name, const ApplicationProcessOptions& options = {},
                            const std::function<void()>& pinned = {});

}  // namespace zephrane::workspace
