// A /proc tree made of plain files for the workspace tests: numbered entries
// whose exe links point wherever the test says, so scans see processes come
// and go without any real process.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace zephrane::workspace::testing {

class ProcFixture {
public:
    explicit ProcFixture(const std::string& tag)
        : root_(std::filesystem::temp_directory_path() /
                ("zephrane-proc-" + tag + "-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_ / "self");
        std::filesystem::create_directories(root_ / "sys");
    }
    ~ProcFixture() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    ProcFixture(const ProcFixture&) = delete;
    ProcFixture& operator=(const ProcFixture&) = delete;

    // A process running `executable`; the exe link is made last, so a scan
    // never sees a half-made process as one with an executable.
    void addProcess(int pid, const std::string& executable, const std::string& comm = "") {
        const auto dir = root_ / std::to_string(pid);
        std::filesystem::create_directories(dir);
        if (!comm.empty()) std::ofstream(dir / "comm") << comm << '\n';
        std::filesystem::create_symlink(executable, dir / "exe");
    }
    // An entry without an exe link: a kernel thread, a zombie, or a process
    // that exited between the listing and the read.
    void addProcessWithoutExecutable(int pid, const std::string& comm) {
        const auto dir = root_ / std::to_string(pid);
        std::filesystem::create_directories(dir);
        std::ofstream(dir / "comm") << comm;
    }
    void removeProcess(int pid) { std::filesystem::remove_all(root_ / std::to_string(pid)); }

    const std::filesystem::path& root() const { return root_; }
    std::string rootText() const { return root_.string(); }

private:
    std::filesystem::path root_;
};

}  // namespace zephrane::workspace::testing
