// The service manager on Linux: SMAppService's register / unregister /
// status for the daemons an app bundle carries, kept as registration records
// under a system root (ServiceStore.hpp).
//
// How it fits together:
//   1. The app registers its daemon: a record naming the label, the property
//      list and the program goes into the registrations directory. Status:
//      requiresApproval (2).
//   2. An administrator approves it: `zephrane-servicectl approve <label>`
//      checks that the program is one only root can have written and records
//      its canonical path. Status: enabled (1).
//   3. zephrane-launchd, the launchd stand-in running as root, sees a
//      registration with a matching approval, listens on the daemon's Mach
//      service socket and starts the daemon on the first connection, handing
//      the socket over (LISTEN_FDS), as launchd does on a Mac.
//   4. Unregistering removes the record; zephrane-launchd then stops the
//      daemon (SIGTERM) and removes the socket. The approval stays: the same
//      program registered again needs no second approval, a different one does.
//
// Real installs may instead use the systemd units in ZephraneHelper/systemd,
// which start the daemon for its socket without any registration; the two
// are alternatives and must not both serve the same socket path.
//
// Status: notFound (3) when the bundle lacks the property list or it cannot
// be read as a daemon description; notRegistered (0) without a record of
// this bundle's property list (a record left by another copy of the app
// counts as none); requiresApproval (2) while no trusted approval covers the
// registered program and services, or the program no longer passes the trust
// check; enabled (1) otherwise.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/servicemanagement/ServiceManagement.hpp"

namespace zephrane::servicemanagement {

// Errors carry the ServiceManagement framework's domain and codes, so the
// app's log lines read as they would on a Mac.
inline constexpr std::string_view kErrorDomain = "SMAppServiceErrorDomain";
// The state directory cannot be written or read.
inline constexpr std::int64_t kSMErrorInternalFailure = 2;
// Unregistering a daemon that is not registered.
inline constexpr std::int64_t kSMErrorJobNotFound = 6;
// The bundle does not carry the property list.
inline constexpr std::int64_t kSMErrorJobPlistNotFound = 8;
// The property list is malformed, lacks a label, program or Mach service,
// or names a program that does not exist.
inline constexpr std::int64_t kSMErrorInvalidPlist = 10;

class CompletionQueue;

class SystemServiceManager final : public ServiceManager {
public:
    // `bundle`: the app bundle whose daemons this manager handles.
    // `systemRoot`: where the state lives; defaultSystemRoot() when not given.
    explicit SystemServiceManager(std::filesystem::path bundle = defaultBundlePath(),
                                  std::optional<std::filesystem::path> systemRoot = std::nullopt);
    ~SystemServiceManager() override;
    SystemServiceManager(const SystemServiceManager&) = delete;
    SystemServiceManager& operator=(const SystemServiceManager&) = delete;

    std::unique_ptr<Service> daemonService(const std::string& plistName) override;

    // The bundle holding the running executable when it sits in
    // <bundle>/Contents/MacOS; empty otherwise (then every daemon is notFound).
    static std::filesystem::path defaultBundlePath();

private:
    std::filesystem::path bundle_;
    std::filesystem::path systemRoot_;
    std::shared_ptr<CompletionQueue> completions_;
};

}  // namespace zephrane::servicemanagement
