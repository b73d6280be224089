// Small shell scripts that tests run as stand-ins for outside programs, in a
// temporary directory of their own, plus the checks that a program is gone.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>

namespace zephrane::testing {

class ScriptDirectory {
public:
    ScriptDirectory() {
        char pattern[] = "/tmp/zapp-scripts-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~ScriptDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScriptDirectory(const ScriptDirectory&) = delete;
    ScriptDirectory& operator=(const ScriptDirectory&) = delete;

    // An executable /bin/sh script with `body`, run in this directory. It is
    // written through a close-on-exec descriptor: a program started by
    // another thread meanwhile must not hold it open for writing, or running
    // it would fail with "text file busy".
    std::string script(const std::string& name, const std::string& body) const {
        const std::string path = file(name);
        const std::string text = "#!/bin/sh\ncd '" + path_.string() + "' || exit 99\n" + body + "\n";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0755);
        if (fd < 0) throw std::runtime_error("cannot write " + path);
        const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::close(fd);
        if (!written) throw std::runtime_error("cannot write " + path);
        return path;
    }

    std::string file(const std::string& name) const { return (path_ / name).string(); }

    std::optional<std::string> read(const std::string& name) const {
        std::ifstream in(file(name));
        if (!in) return std::nullopt;
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // The pid a script wrote into `name`, once it is there.
    std::optional<pid_t> pidIn(const std::string& name) const {
        const auto text = read(name);
        if (!text || text->empty() || text->back() != '\n') return std::nullopt;
        return static_cast<pid_t>(std::stol(*text));
    }

private:
    std::filesystem::path path_;
};

// Polls `condition` until it holds or a generous deadline passes.
inline bool eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds deadline = std::chrono::seconds(20)) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return condition();
}

// No process with this pid at all: not running, and not a zombie either.
inline bool processIsReaped(pid_t pid) { return !std::filesystem::exists("/proc/" + std::to_string(pid)); }

// Not running: gone, or a zombie its new parent has yet to collect.
inline bool processIsDead(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    if (!stat) return true;
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() || line[close + 2] == 'Z' || line[close + 2] == 'X';
}

inline std::size_t openDescriptorCount() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

}  // namespace zephrane::testing
