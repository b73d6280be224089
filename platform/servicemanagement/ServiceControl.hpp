// zephrane-servicectl: the administrator's side of the service manager,
// where a Mac asks the user in the Login Items settings.
//
//   zephrane-servicectl [--root PATH] approve LABEL   allow the registered daemon to run
//   zephrane-servicectl [--root PATH] revoke LABEL    withdraw the approval
//   zephrane-servicectl [--root PATH] status [LABEL]  what is registered and approved
//
// The system root is --root, else $ZEPHRANE_SYSTEM_ROOT, else "/".
// approve and revoke change what root runs, so they need root, except on a
// system root other than "/" that the caller owns (tests and demos, where
// the service manager runs as the same user and gains nothing).
//
// approve re-reads the property list the registration names and approves
// only when it agrees with the registration and its program passes the
// trust check (ProgramTrust.hpp); what it approves is that canonical path
// and those Mach services, nothing else.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace zephrane::servicemanagement {

// None when `caller` may approve and revoke under `systemRoot`; else why not.
std::optional<std::string> administrationRefusal(const std::filesystem::path& systemRoot, uid_t caller);

// Runs one command; `arguments` without the program name. Returns the exit
// status: 0 done, 1 refused or failed, 2 usage.
int runServiceControl(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace zephrane::servicemanagement
