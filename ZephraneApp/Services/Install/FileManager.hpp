// The few file-system questions the install checks ask, in the shape of
// Foundation's file manager and a file URL's resource values, behind an
// interface so tests can answer what a real disk cannot easily show (a
// resource value that cannot be read).
#pragma once

#include <filesystem>
#include <optional>

namespace zephrane {

class FileManager {
public:
    virtual ~FileManager() = default;

    // Something exists at the path; symbolic links are followed, so a
    // dangling link does not count. A folder counts.
    virtual bool fileExists(const std::filesystem::path& path) const = 0;
    // The calling process may execute the item (for a folder: enter it).
    virtual bool isExecutableFile(const std::filesystem::path& path) const = 0;
    // The item itself is a regular file: a symbolic link describes itself
    // and is not one. None when the item cannot be examined.
    virtual std::optional<bool> isRegularFile(const std::filesystem::path& path) const = 0;
};

// The real file system of this process.
class LocalFileManager final : public FileManager {
public:
    bool fileExists(const std::filesystem::path& path) const override;
    bool isExecutableFile(const std::filesystem::path& path) const override;
    std::optional<bool> isRegularFile(const std::filesystem::path& path) const override;
};

}  // namespace zephrane
