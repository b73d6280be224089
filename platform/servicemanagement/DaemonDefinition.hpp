// A daemon as its launchd property list in an app bundle describes it: the
// label, the program (the "BundleProgram" key, relative to the bundle, or an
// absolute "Program") and the Mach services it offers ("MachServices", a
// dictionary keyed by service name). Only what the service manager needs is
// read; the rest of the property list is ignored.
//
// Bundle layout: <bundle>/Contents/Library/LaunchDaemons/<plist name>.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zephrane::servicemanagement {

struct DaemonDefinition {
    std::string label;
    std::filesystem::path plist;             // absolute
    std::filesystem::path program;           // canonical: no links, no "..", absolute
    std::vector<std::string> machServices;  // sorted, each a valid service name

    friend bool operator==(const DaemonDefinition&, const DaemonDefinition&) = default;
};

class DefinitionError : public std::runtime_error {
public:
    enum class Kind {
        plistMissing,    // no such file in the bundle
        plistInvalid,    // unreadable, malformed, or without a usable label, program or service
        programMissing,  // the program it names is not there
    };
    DefinitionError(Kind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// A label or plist name is a single path component: not empty, no "/", no
// NUL, not "." or "..", no leading dot (our own temporary files start with one).
bool isPlainName(std::string_view name);

// <bundle>/Contents/Library/LaunchDaemons/<plistName>; throws DefinitionError
// (plistMissing) for a name that is not a plain file name.
std::filesystem::path daemonPlistPath(const std::filesystem::path& bundle, std::string_view plistName);

// The bundle a daemon property list sits in (three directories up).
std::filesystem::path bundleOfPlist(const std::filesystem::path& plist);

// Reads and checks the property list at `plist` inside `bundle`. Throws DefinitionError.
DaemonDefinition readDaemonDefinition(const std::filesystem::path& bundle, const std::filesystem::path& plist);

}  // namespace zephrane::servicemanagement
