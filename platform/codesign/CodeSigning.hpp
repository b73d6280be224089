// Stand-in for code-signing requirements between the app and the daemon.
//
// Each of our programs embeds its identity (identifier and team identifier)
// in an ELF note of its executable (ZEPHRANE_EMBED_IDENTITY below). A peer on
// a Unix socket is identified by the kernel (SO_PEERCRED gives its pid), its
// executable is /proc/<pid>/exe, and a requirement text such as
//   anchor apple generic and identifier "com.zephrane.app" and
//   certificate leaf[subject.OU] = "ZPHRN4B7Q2"
// is parsed and checked clause by clause:
//   anchor apple generic          the executable is owned by the trusted owner
//                                 (root unless a TrustPolicy names another)
//                                 and writable by nobody else; so is every
//                                 other file the process has mapped
//                                 executable (root may own those too), and
//                                 its environment names no library for the
//                                 loader to add (LD_PRELOAD, LD_AUDIT): the
//                                 stand-in for the hardened runtime's library
//                                 validation; and no process traces it but
//                                 root or the trusted owner (its debugging
//                                 protection: a tracer steers the process)
//   identifier "X"                the embedded identifier is X
//   certificate leaf[subject.OU] = "T"   the embedded team identifier is T
#pragma once

#include <sys/types.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zephrane::codesign {

struct Identity {
    std::string identifier;
    std::string teamIdentifier;
    friend bool operator==(const Identity&, const Identity&) = default;
};

// A file a process has mapped executable, as its memory map names it.
struct LoadedFile {
    std::string path;
    uid_t owner = 0;
    mode_t mode = 0;       // permission bits
    bool current = true;   // false: the mapped file could not be found to look at
    friend bool operator==(const LoadedFile&, const LoadedFile&) = default;
};

// Everything a process runs besides its executable's own code.
struct LoadedCode {
    std::vector<LoadedFile> files;                // each file mapped executable, once
    std::vector<std::string> injectionVariables;  // LD_PRELOAD, LD_AUDIT, when set in its environment
    std::optional<std::string> unreadable;        // why it could not all be read
    friend bool operator==(const LoadedCode&, const LoadedCode&) = default;
};

// A process that traces another (ptrace), as /proc names it.
struct Tracer {
    pid_t pid = 0;            // 0: the traced process's status could not be read
    std::vector<uid_t> uids;  // real, effective, saved, file system; empty when they could not be read
    friend bool operator==(const Tracer&, const Tracer&) = default;
};

// What we know of a running program's code.
struct CodeInfo {
    std::string executablePath;
    uid_t owner = 0;
    mode_t mode = 0;                   // permission bits of the executable
    std::optional<Identity> identity;  // none when the executable embeds none
    // None when not looked into: a process of the trusted owner that we, not
    // being that owner, may not look into (see checkPeer).
    std::optional<LoadedCode> loaded;
    std::optional<Tracer> tracer;  // none: nothing traces it
};

struct TrustPolicy {
    uid_t trustedOwner = 0;  // owner that "anchor apple generic" accepts
};

class RequirementError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A parsed requirement: clauses joined by "and", all of which must hold.
// Understood: `anchor apple generic`, `identifier "X"` (or a bare X made of
// letters, digits, '.', '-' and '_') and `certificate leaf[subject.OU] = "T"`;
// quoted texts take backslash escapes. Anything else ("or", "not",
// parentheses, other clauses) is refused rather than half-understood.
class Requirement {
public:
    struct Clause {
        enum class Kind { anchorAppleGeneric, identifier, leafOrganisationalUnit };
        Kind kind = Kind::anchorAppleGeneric;
        std::string value;  // the identifier or team identifier demanded; empty for the anchor
        friend bool operator==(const Clause&, const Clause&) = default;
    };

    // Throws RequirementError for text it cannot parse.
    static Requirement parse(std::string_view text);

    // No value when `code` satisfies every clause; otherwise the first
    // failing clause, in words, for the log.
    std::optional<std::string> check(const CodeInfo& code, const TrustPolicy& policy) const;

    const std::string& text() const { return text_; }
    const std::vector<Clause>& clauses() const { return clauses_; }

private:
    // Only parse() makes one: a requirement without clauses would pass anyone.
    Requirement() = default;

    std::string text_;
    std::vector<Clause> clauses_;
};

// The identity embedded in the executable at `path` (its first identity
// note); none when it has none, when its notes are malformed or beyond the
// reader's caps (ElfIdentity.hpp), or when the file is not a readable
// little-endian ELF64 file.
std::optional<Identity> readEmbeddedIdentity(const std::string& path);

// Code info of a live process, read through the executable it runs (not the
// file now at its path), with the code it has loaded; none when it is gone
// or its executable is unreadable.
std::optional<CodeInfo> codeInfoForProcess(pid_t pid);

// The peer of a connected Unix socket checked against a requirement: no value
// when it passes, else why it fails. The peer is the process that called
// connect() (or, seen from the connecting side, listen()); both ends of a
// socketpair() name the process that created it. A peer running as the
// trusted owner whose executable we may not open (we are not that owner) is
// judged by the file it was started as, when that is an absolute path, and
// its loaded code is not looked at: that owner can change the system at will.
// What the peer loads after the check, and a connection an admitted process
// hands to another, are not seen: as on the platform, the check is of the
// process that connected, when it connected.
std::optional<std::string> checkPeer(int socketFd, const Requirement& requirement, const TrustPolicy& policy);

// The app's first act: from here on no process of its user may attach to
// it (ptrace) or read its memory, so nothing but root can steer it once it
// runs, as the hardened runtime keeps debuggers away from a signed app. A
// process traced from its start (PTRACE_TRACEME) stays traced, and the peer
// check refuses it. Returns why when the kernel refuses.
std::optional<std::string> denyDebuggerAttachment();

}  // namespace zephrane::codesign

// Place once, at file scope, in one source file of a program:
//   ZEPHRANE_EMBED_IDENTITY("com.zephrane.app", "ZPHRN4B7Q2");
// (defined in platform/codesign/EmbeddedIdentity.hpp)
