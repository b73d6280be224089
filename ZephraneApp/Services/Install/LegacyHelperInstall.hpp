// Removing the daemon's older installation, from before the service manager
// was used: an executable under PrivilegedHelperTools and a property list
// under LaunchDaemons, loaded into launchd's system domain. One shell script,
// run once with administrator approval, stops the service, verifies that it
// is gone from launchd and that no process still runs it, and deletes both
// files; the first check that fails stops the script with a message that
// becomes the error's text.
//
// Everything the script touches sits under a movable system root,
// $ZEPHRANE_SYSTEM_ROOT (default "/"), the same root the service-manager
// stand-in uses: the two legacy files and the launchctl program, which on
// Linux is our own stand-in (platform/launchd/launchctl) found at
// <root>/bin/launchctl. With the default root every path is the real one.
// pgrep and rm are the host's own.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <QCoroTask>

#include "ZephraneApp/Concurrency/Actor.hpp"
#include "ZephraneApp/Services/Install/FileManager.hpp"
#include "platform/adminscript/AppleScript.hpp"

namespace zephrane::LegacyHelperInstall {

class CleanupError final : public std::exception {
public:
    enum class Kind { failed, cancelled };

    static CleanupError failed(std::string detail) { return {Kind::failed, std::move(detail)}; }
    static CleanupError cancelled() { return {Kind::cancelled, {}}; }

    Kind kind() const noexcept { return kind_; }
    // The failed case's text; empty when cancelled.
    const std::string& detail() const noexcept { return detail_; }
    // failed:    "The older fan-control helper could not be removed: " + detail
    // cancelled: "Administrator approval was cancelled. The older helper was not removed."
    const std::string& localizedDescription() const noexcept { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

    friend bool operator==(const CleanupError& a, const CleanupError& b) noexcept {
        return a.kind_ == b.kind_ && a.detail_ == b.detail_;
    }

private:
    CleanupError(Kind kind, std::string detail);

    Kind kind_;
    std::string detail_;
    std::string description_;
};

// The older layout's paths as seen from the real root.
inline constexpr std::string_view legacyExecutablePath = "/Library/PrivilegedHelperTools/com.zephrane.Fanwarden";
inline constexpr std::string_view legacyPropertyListPath = "/Library/LaunchDaemons/com.zephrane.Fanwarden.plist";

// Where the older install lives and which programs the script calls.
struct Layout {
    std::string systemRoot = "/";
    std::string launchctl = "/bin/launchctl";
    std::string pgrep = "/usr/bin/pgrep";
    std::string rm = "/bin/rm";

    // The root from $ZEPHRANE_SYSTEM_ROOT (unset or empty: "/"; a relative
    // one is made absolute, since the script does not run in our working
    // folder) and launchctl at <root>/bin/launchctl.
    static Layout fromEnvironment();
    static Layout underRoot(const std::string& systemRoot);

    // A path of the real root placed under systemRoot.
    std::string rooted(std::string_view absolutePath) const;
};

// An older installation is present when something exists at either path.
bool isLegacyInstallPresent(const FileManager& fileManager, const Layout& layout);

// Blocks until the user has answered the approval prompt and the script has
// run: call it off the GUI thread. Throws CleanupError.
void removeLegacyHelper();  // pkexec and Layout::fromEnvironment()
void removeLegacyHelper(adminscript::AppleScriptFactory& scripts, const Layout& layout);

// The same on `worker`, an actor the caller owns, resuming on the awaiting
// thread (which must run an event loop), so the GUI thread and the control
// loop keep running while the prompt is open. A caller that stops awaiting
// does not stop the removal: the worker keeps what it needs alive until it
// ends. A worker that has stopped throws ActorStopped; stopping one waits
// for an open prompt to be answered.
QCoro::Task<void> removeLegacyHelperInBackground(Actor& worker);
QCoro::Task<void> removeLegacyHelperInBackground(Actor& worker, std::shared_ptr<adminscript::AppleScriptFactory> scripts,
                                                 Layout layout);

// The pieces, exposed for tests.

// Single-quoted for the shell; each single quote inside becomes '"'"'.
std::string shellQuoted(std::string_view text);
// One line, no final line feed. systemRoot moves the two legacy paths.
std::string cleanupScript(std::string_view launchctl, std::string_view pgrep, std::string_view rm,
                          std::string_view systemRoot = "/");
// do shell script "<escaped>" with administrator privileges
std::string appleScriptSource(std::string_view shellScript);
// None means the user cancelled; otherwise the text for CleanupError::failed.
std::optional<std::string> cleanupFailureReason(std::optional<std::int64_t> errorNumber,
                                                std::optional<std::string> errorMessage);

}  // namespace zephrane::LegacyHelperInstall
