#include "platform/servicemanagement/ProgramTrust.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "shared/DebugText.hpp"

namespace zephrane::servicemanagement {

namespace {

std::string octal(mode_t mode) {
    char text[8];
    const int length = std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return std::string(text, static_cast<std::size_t>(std::max(length, 0)));
}

std::optional<std::string> entryReason(const std::filesystem::path& path, const struct stat& status,
                                       const TrustPolicy& policy) {
    if (!policy.trusts(status.st_uid))
        return quotedDebugText(path.string()) + " is owned by uid " + std::to_string(status.st_uid) +
               ", not by a trusted owner";
    const bool othersMayWrite = (status.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    if (othersMayWrite && !(S_ISDIR(status.st_mode) && (status.st_mode & S_ISVTX) != 0))
        return quotedDebugText(path.string()) + " is writable by others than its owner (mode " +
               octal(status.st_mode) + ")";
    return std::nullopt;
}

}  // namespace

bool TrustPolicy::trusts(uid_t owner) const {
    return std::find(trustedOwners.begin(), trustedOwners.end(), owner) != trustedOwners.end();
}

TrustPolicy TrustPolicy::forSystemRoot(const std::filesystem::path& systemRoot) {
    TrustPolicy policy;
    const uid_t self = ::geteuid();
    struct stat status{};
    if (self != 0 && systemRoot != "/" && ::stat(systemRoot.c_str(), &status) == 0 && status.st_uid == self)
        policy.trustedOwners.push_back(self);
    return policy;
}

std::optional<std::string> untrustedPathReason(const std::filesystem::path& path, const TrustPolicy& policy,
                                               bool directory) {
    if (!path.is_absolute()) return quotedDebugText(path.string()) + " is not an absolute path";
    if (path.lexically_normal() != path) return quotedDebugText(path.string()) + " is not a plain path";
    // From "/" down, so the first directory anyone else could change is named.
    std::filesystem::path walked = "/";
    auto next = path.begin();
    for (++next; next != path.end(); ++next) {
        struct stat status{};
        if (::lstat(walked.c_str(), &status) != 0)
            return quotedDebugText(walked.string()) + ": " + std::strerror(errno);
        if (S_ISLNK(status.st_mode)) return quotedDebugText(walked.string()) + " is a symbolic link";
        if (!S_ISDIR(status.st_mode)) return quotedDebugText(walked.string()) + " is not a directory";
        if (auto reason = entryReason(walked, status, policy)) return reason;
        walked /= *next;
    }
    struct stat status{};
    if (::lstat(path.c_str(), &status) != 0) return quotedDebugText(path.string()) + ": " + std::strerror(errno);
    if (S_ISLNK(status.st_mode)) return quotedDebugText(path.string()) + " is a symbolic link";
    if (directory ? !S_ISDIR(status.st_mode) : !S_ISREG(status.st_mode))
        return quotedDebugText(path.string()) + (directory ? " is not a directory" : " is not a regular file");
    return entryReason(path, status, policy);
}

std::optional<std::string> untrustedProgramReason(const std::filesystem::path& program, const TrustPolicy& policy) {
    if (auto reason = untrustedPathReason(program, policy)) return reason;
    struct stat status{};
    if (::stat(program.c_str(), &status) != 0 || (status.st_mode & S_IXUSR) == 0)
        return quotedDebugText(program.string()) + " is not executable";
    return std::nullopt;
}

}  // namespace zephrane::servicemanagement
