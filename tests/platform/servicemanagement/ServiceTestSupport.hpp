// Reusable pieces for tests of the service manager and of anything started
// through it: a temporary system root, an app bundle laid out like
// Brumalune.app, and zephrane-launchd as a child process.
//
// A test that runs the real daemon through the manager:
//
//   TemporaryDirectory dir;
//   TestBundle bundle(dir.path());
//   bundle.installProgram(DAEMON_PROGRAM, "com.zephrane.Fanwarden");
//   bundle.writePlist("com.zephrane.Fanwarden.plist", "com.zephrane.Fanwarden",
//                     "Contents/MacOS/com.zephrane.Fanwarden", {"com.zephrane.Fanwarden.xpc"});
//   LaunchdProcess launchd({LAUNCHD_PROGRAM, dir.path() / "root", dir.path() / "xpc",
//                           {"ZEPHRANE_SIM_DIR=..."}});
//   SystemServiceManager manager(bundle.path(), dir.path() / "root");
//   manager.daemonService("com.zephrane.Fanwarden.plist")->registerService();
//   approveForTest(dir.path() / "root", "com.zephrane.Fanwarden");
//   launchd.waitForSocket("com.zephrane.Fanwarden.xpc");
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zephrane::servicemanagement::testing {

using namespace std::chrono_literals;

// Generous: twenty copies of a suite at once on a loaded machine are slow,
// and a deadline only costs time when something is already wrong.
inline constexpr std::chrono::milliseconds kGenerousDeadline = 20s;

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit = kGenerousDeadline);

// A fresh directory under /tmp (mode 0700), removed with everything in it.
class TemporaryDirectory {
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// <parent>/Brumalune.app with Contents/MacOS and Contents/Library/LaunchDaemons.
class TestBundle {
public:
    explicit TestBundle(const std::filesystem::path& parent, std::string_view name = "Brumalune.app");
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path plistPath(std::string_view plistName) const;

    // A copy of `source` as Contents/MacOS/<name>, mode 0755; returns its path.
    std::filesystem::path installProgram(const std::filesystem::path& source, std::string_view name) const;
    // A daemon property list with Label, BundleProgram and MachServices.
    void writePlist(std::string_view plistName, std::string_view label, std::string_view bundleProgram,
                    const std::vector<std::string>& machServices) const;
    void writeRawPlist(std::string_view plistName, std::string_view content) const;

private:
    std::filesystem::path path_;
};

// What `zephrane-servicectl approve` does, in process; throws
// std::runtime_error with its message when it refuses.
void approveForTest(const std::filesystem::path& systemRoot, const std::string& label);

struct LaunchdLaunch {
    std::filesystem::path program;          // zephrane-launchd
    std::filesystem::path systemRoot;       // made if missing
    std::filesystem::path socketDirectory;  // made if missing
    std::vector<std::string> environment;   // NAME=VALUE, for it and the daemons it starts
    std::vector<std::string> arguments;     // more options, e.g. {"--stop-grace", "500"}
    std::filesystem::path log;              // its stderr and stdout; default <systemRoot>/../launchd.log
};

// zephrane-launchd in a child process. The destructor stops it (SIGTERM,
// then SIGKILL) and reaps it; it also dies if the test process does.
class LaunchdProcess {
public:
    explicit LaunchdProcess(const LaunchdLaunch& launch);
    ~LaunchdProcess();
    LaunchdProcess(const LaunchdProcess&) = delete;
    LaunchdProcess& operator=(const LaunchdProcess&) = delete;

    pid_t pid() const { return pid_; }
    std::filesystem::path socketPath(std::string_view service) const;

    // Once it has logged its start.
    bool waitUntilStarted();
    // Once the socket of `service` exists and takes connections. The probe
    // is a connection: on demand, it starts the daemon.
    bool waitForSocket(std::string_view service);
    // Once launchd says it listens on the socket of `service`, without
    // connecting, so nothing is started.
    bool waitForListening(std::string_view service);
    bool waitForLog(std::string_view fragment, std::chrono::milliseconds limit = kGenerousDeadline) const;
    std::size_t countLog(std::string_view fragment) const;
    std::string logText() const;

    // SIGTERM and wait; the wait status, or none if it did not exit in time.
    std::optional<int> stop(std::chrono::milliseconds limit = kGenerousDeadline);
    bool hasExited();

private:
    LaunchdLaunch launch_;
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// A Unix stream connection to `path`, or -1.
int connectTo(const std::filesystem::path& path);
// Sends `line` and a newline, reads one line back (without the newline);
// none on failure or after `limit`.
std::optional<std::string> exchangeLine(int fd, std::string_view line, std::chrono::milliseconds limit = kGenerousDeadline);

bool processExists(pid_t pid);

}  // namespace zephrane::servicemanagement::testing
