// The service manager's state on disk, under a system root ("/" normally;
// $ZEPHRANE_SYSTEM_ROOT or a constructor argument moves it, for tests):
//
//   <root>/var/lib/zephrane/servicemanagement/registrations/<label>.json
//       written by the registering app, which is not privileged: the
//       directory is world-writable with the sticky bit (zephrane-launchd
//       makes it so), and every record in it is treated as hostile input.
//   <root>/var/lib/zephrane/servicemanagement/approvals/<label>.json
//       written by an administrator through zephrane-servicectl; believed
//       only when it and every directory above it pass the trust check of
//       ProgramTrust.hpp, so nobody but root can approve anything.
//
// A registration says what the app asks to run; an approval says what an
// administrator allowed. A daemon runs only when both name the same program
// and Mach services.
//
// Records are small JSON objects, replaced atomically (a temporary file
// renamed over the old one), so a reader never sees half a record.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/servicemanagement/ProgramTrust.hpp"

namespace zephrane::servicemanagement {

inline constexpr std::string_view kSystemRootVariable = "ZEPHRANE_SYSTEM_ROOT";

struct RegistrationRecord {
    std::string label;
    std::string plist;    // the property list in the registering app's bundle
    std::string program;  // canonical path of the program it names
    std::vector<std::string> machServices;  // sorted
    // New for every registration, so that an unregister followed at once by
    // a register (to pick up a new executable) still restarts the daemon,
    // however briefly the record was gone.
    std::string registrationID;

    friend bool operator==(const RegistrationRecord&, const RegistrationRecord&) = default;
};

struct ApprovalRecord {
    std::string label;
    std::string program;  // the canonical path approved
    std::vector<std::string> machServices;

    friend bool operator==(const ApprovalRecord&, const ApprovalRecord&) = default;
};

// The approval covers exactly what the registration asks for.
bool approves(const ApprovalRecord& approval, const RegistrationRecord& registration);

// $ZEPHRANE_SYSTEM_ROOT when set and not empty, else "/".
std::filesystem::path defaultSystemRoot();

// A fresh random registration identifier (32 hex digits).
std::string newRegistrationID();

class ServiceStore {
public:
    explicit ServiceStore(std::filesystem::path systemRoot);

    const std::filesystem::path& systemRoot() const { return root_; }
    std::filesystem::path stateDirectory() const;
    std::filesystem::path registrationsDirectory() const;
    std::filesystem::path approvalsDirectory() const;

    // None when absent, unreadable, not a regular file, too large or not a
    // well-formed record for this label: a damaged record counts as no
    // registration at all.
    std::optional<RegistrationRecord> registration(std::string_view label) const;
    // Every well-formed registration; damaged ones are skipped.
    std::vector<RegistrationRecord> registrations() const;
    // Creates the directories as needed. Throws std::system_error.
    void writeRegistration(const RegistrationRecord& record) const;
    // False when there was none. Throws std::system_error.
    bool removeRegistration(std::string_view label) const;

    // Only approvals that pass the trust check under `policy`.
    std::optional<ApprovalRecord> approval(std::string_view label, const TrustPolicy& policy) const;
    std::vector<ApprovalRecord> approvals(const TrustPolicy& policy) const;
    // Why the approvals directory cannot be believed, if it cannot.
    std::optional<std::string> untrustedApprovalsReason(const TrustPolicy& policy) const;
    // Creates the directory (mode 0755) as needed. Throws std::system_error.
    void writeApproval(const ApprovalRecord& record) const;
    bool removeApproval(std::string_view label) const;

    // Labels with a file in either directory, sorted, damaged records included.
    std::vector<std::string> labels() const;

private:
    std::filesystem::path root_;
};

}  // namespace zephrane::servicemanagement
