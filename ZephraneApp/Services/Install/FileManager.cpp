#include "ZephraneApp/Services/Install/FileManager.hpp"

#include <sys/stat.h>
#include <unistd.h>

namespace zephrane {

bool LocalFileManager::fileExists(const std::filesystem::path& path) const {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

bool LocalFileManager::isExecutableFile(const std::filesystem::path& path) const {
    // access() asks with the real user's rights, as the file manager does;
    // for root it still needs at least one execute bit on a file.
    return ::access(path.c_str(), X_OK) == 0;
}

std::optional<bool> LocalFileManager::isRegularFile(const std::filesystem::path& path) const {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return std::nullopt;
    return S_ISREG(info.st_mode);
}

}  // namespace zephrane
