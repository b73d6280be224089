// A file system held in memory for tests: each path answers the three
// questions as set; a path never set does not exist.
#pragma once

#include <map>

#include "ZephraneApp/Services/Install/FileManager.hpp"

namespace zephrane {

class FakeFileManager final : public FileManager {
public:
    struct Entry {
        bool exists = true;
        std::optional<bool> regularFile = true;  // none: the value cannot be read
        bool executable = false;
    };

    void set(const std::filesystem::path& path, Entry entry) { entries_[path] = entry; }

    bool fileExists(const std::filesystem::path& path) const override { return find(path).exists; }
    bool isExecutableFile(const std::filesystem::path& path) const override { return find(path).executable; }
    std::optional<bool> isRegularFile(const std::filesystem::path& path) const override {
        return find(path).regularFile;
    }

private:
    Entry find(const std::filesystem::path& path) const {
        const auto found = entries_.find(path);
        return found != entries_.end() ? found->second : Entry{false, std::nullopt, false};
    }

    std::map<std::filesystem::path, Entry> entries_;
};

}  // namespace zephrane
