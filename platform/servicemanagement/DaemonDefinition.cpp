#include "platform/servicemanagement/DaemonDefinition.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/servicemanagement/PropertyList.hpp"
#include "platform/xpc/ServiceAddress.hpp"
#include "shared/DebugText.hpp"

namespace zephrane::servicemanagement {

namespace {

using Kind = DefinitionError::Kind;

std::string readSmallFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        throw DefinitionError(error == ENOENT ? Kind::plistMissing : Kind::plistInvalid,
                              "cannot read " + quotedDebugText(path.string()) + ": " + std::strerror(error));
    }
    std::string content;
    struct stat status{};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        throw DefinitionError(Kind::plistInvalid, quotedDebugText(path.string()) + " is not a regular file");
    }
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            throw DefinitionError(Kind::plistInvalid,
                                  "cannot read " + quotedDebugText(path.string()) + ": " + std::strerror(error));
        }
        if (got == 0) break;
        content.append(buffer, static_cast<std::size_t>(got));
        if (content.size() > kMaxPropertyListBytes) {
            ::close(fd);
            throw DefinitionError(Kind::plistInvalid, quotedDebugText(path.string()) + " is too large");
        }
    }
    ::close(fd);
    return content;
}

std::string stringValue(const PlistValue& plist, std::string_view key, const std::filesystem::path& path) {
    const PlistValue* value = plist.find(key);
    if (!value) return {};
    if (value->kind != PlistValue::Kind::string)
        throw DefinitionError(Kind::plistInvalid,
                              quotedDebugText(path.string()) + ": \"" + std::string(key) + "\" is not a string");
    return value->text;
}

}  // namespace

bool isPlainName(std::string_view name) {
    return !name.empty() && name.front() != '.' && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

std::filesystem::path daemonPlistPath(const std::filesystem::path& bundle, std::string_view plistName) {
    if (!isPlainName(plistName))
        throw DefinitionError(Kind::plistMissing, quotedDebugText(plistName) + " is not a property list file name");
    return bundle / "Contents" / "Library" / "LaunchDaemons" / std::string(plistName);
}

std::filesystem::path bundleOfPlist(const std::filesystem::path& plist) {
    return plist.parent_path().parent_path().parent_path().parent_path();
}

DaemonDefinition readDaemonDefinition(const std::filesystem::path& bundle, const std::filesystem::path& plist) {
    const std::string content = readSmallFile(plist);
    PlistValue root;
    try {
        root = parsePropertyList(content);
    } catch (const PropertyListError& e) {
        throw DefinitionError(Kind::plistInvalid, quotedDebugText(plist.string()) + ": " + e.what());
    }
    if (root.kind != PlistValue::Kind::dictionary)
        throw DefinitionError(Kind::plistInvalid, quotedDebugText(plist.string()) + " does not hold a dictionary");

    DaemonDefinition definition;
    definition.plist = plist;
    definition.label = stringValue(root, "Label", plist);
    if (!isPlainName(definition.label))
        throw DefinitionError(Kind::plistInvalid, quotedDebugText(plist.string()) + " has no usable \"Label\"");

    // "BundleProgram" is relative to the bundle and must stay inside it;
    // "Program" is absolute. Either way the program must exist: it is what
    // an administrator will be asked to approve.
    std::filesystem::path program;
    if (const std::string relative = stringValue(root, "BundleProgram", plist); !relative.empty()) {
        const std::filesystem::path normal = std::filesystem::path(relative).lexically_normal();
        if (normal.is_absolute() || normal.empty() || *normal.begin() == "..")
            throw DefinitionError(Kind::plistInvalid, quotedDebugText(plist.string()) + ": \"BundleProgram\" " +
                                                          quotedDebugText(relative) + " leaves the bundle");
        program = bundle / normal;
    } else if (const std::string absolute = stringValue(root, "Program", plist); !absolute.empty()) {
        program = absolute;
        if (!program.is_absolute())
            throw DefinitionError(Kind::plistInvalid, quotedDebugText(plist.string()) + ": \"Program\" " +
                                                          quotedDebugText(absolute) + " is not an absolute path");
    } else {
        throw DefinitionError(Kind::plistInvalid,
                              quotedDebugText(plist.string()) + " names no program (\"BundleProgram\" or \"Program\")");
    }
    std::error_code error;
    definition.program = std::filesystem::canonical(program, error);
    if (error)
        throw DefinitionError(Kind::programMissing, "the program " + quotedDebugText(program.string()) + " named by " +
                                                        quotedDebugText(plist.string()) + ": " + error.message());

    const PlistValue* services = root.find("MachServices");
    if (!services || services->kind != PlistValue::Kind::dictionary || services->keys.empty())
        throw DefinitionError(Kind::plistInvalid, quotedDebugText(plist.string()) + " offers no \"MachServices\"");
    for (const auto& name : services->keys) {
        if (!xpc::isValidServiceName(name) || name.front() == '.')
            throw DefinitionError(Kind::plistInvalid,
                                  quotedDebugText(plist.string()) + ": invalid Mach service name " + quotedDebugText(name));
        definition.machServices.push_back(name);
    }
    std::sort(definition.machServices.begin(), definition.machServices.end());
    return definition;
}

}  // namespace zephrane::servicemanagement
