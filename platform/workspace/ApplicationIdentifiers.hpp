// Application identifiers by executable name. Linux executables carry no
// identifier of their own, so the app ships a small JSON object that names
// one for each executable it knows, for example
//     {"blender": "org.blenderfoundation.blender"}
// An executable not in the file has no identifier. The file is data that
// anyone may edit, so a broken one must cost identifiers, never the app.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace zephrane::workspace {

class ApplicationIdentifiers {
public:
    // The file is read whole; nothing this table needs comes near this size.
    static constexpr std::size_t kMaximumFileSize = 1024 * 1024;

    // The file installed beside the app: Contents/Resources, next to the
    // Contents/MacOS folder that holds the running program.
    static std::string bundledPath();
    // The file the app reads: the one $ZEPHRANE_APPLICATION_IDENTIFIERS
    // names when set (a test or a demonstration gives a program of its own
    // an identifier so), else the bundled one.
    static std::string defaultPath();

    // A file that is missing, unreadable, too large, not JSON or not a JSON
    // object gives an empty table. Within an object, an entry whose value is
    // not a non-empty string is skipped and the others are kept.
    static ApplicationIdentifiers load(const std::string& path);
    static ApplicationIdentifiers parse(std::string_view json);

    // By the executable's file name, exactly as written (case-sensitive, as
    // Linux file names are).
    std::optional<std::string> identifier(std::string_view executableName) const;
    std::size_t size() const { return byName_.size(); }

private:
    std::map<std::string, std::string, std::less<>> byName_;
};

}  // namespace zephrane::workspace
