// Whom the service manager believes. The app that registers a daemon is
// unprivileged; what gets started runs as root. So every file that decides
// what root runs (the daemon's executable, the approval records) must be one
// that only a trusted owner can have written: owned by a trusted owner, not
// writable by group or others, and reached through directories that nobody
// else can change either (a directory writable by others is accepted only
// with the sticky bit, where others cannot rename or remove what a trusted
// owner put there). Symbolic links are refused: the path checked is the path
// that runs.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zephrane::servicemanagement {

struct TrustPolicy {
    std::vector<uid_t> trustedOwners{0};

    bool trusts(uid_t owner) const;

    // Root, and the owner of a system root other than "/" when this process
    // runs as that owner: tests and demos keep a whole system root of their
    // own and run everything as themselves, which gives them no more than
    // they had. A service manager running as root on a root that someone
    // else owns still trusts root alone.
    static TrustPolicy forSystemRoot(const std::filesystem::path& systemRoot);
};

// No value when `path` is an absolute path without symbolic links naming a
// file (or, with `directory`, a directory) that only trusted owners can have
// written; otherwise why not, in words.
std::optional<std::string> untrustedPathReason(const std::filesystem::path& path, const TrustPolicy& policy,
                                               bool directory = false);

// The same for a program that root may run: also a regular file that its
// owner may execute.
std::optional<std::string> untrustedProgramReason(const std::filesystem::path& program, const TrustPolicy& policy);

}  // namespace zephrane::servicemanagement
