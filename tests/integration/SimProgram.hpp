// The real zephrane-sim program as a child process for end-to-end tests: it
// gets a fresh socket directory, its log goes to a file there, and the test
// talks to it through the IOKit stand-in (after pointPlatformAtIt()) and
// through control.sock. A child still running when the object goes is
// killed, which also ends any call still waiting on it.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/iokit/SimulatorProtocol.hpp"
#include "shared/JsonCoding.hpp"
#include "tests/sim/SimFixtures.hpp"
#include "tests/sim/SimTestClient.hpp"

extern char** environ;

namespace zephrane::integration {

class SimProgram {
public:
    // `args` come after --dir; the load is held at 0 by a scenario unless
    // `args` name one, so readings stay at the profile's idle values. This
    // process may use control.sock whoever runs it.
    explicit SimProgram(std::vector<std::string> args) : dir_(makeTempDir()) {
        const std::filesystem::path idle = dir_ / "idle-load.json";
        std::ofstream(idle) << R"({"steps": [{"atSeconds": 0, "load": 0}]})";
        std::vector<std::string> argv{ZEPHRANE_SIM_PROGRAM, "--dir", dir_.string(), "--load", idle.string(),
                                      "--allow-control", std::to_string(::getuid())};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> pointers;
        for (auto& arg : argv) pointers.push_back(arg.data());
        pointers.push_back(nullptr);

        const std::string log = (dir_ / "sim.log").string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        const int failed = ::posix_spawn(&pid_, ZEPHRANE_SIM_PROGRAM, &actions, nullptr, pointers.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (failed != 0) throw std::runtime_error("cannot start " + std::string(ZEPHRANE_SIM_PROGRAM));
    }

    ~SimProgram() {
        if (!status_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    SimProgram(const SimProgram&) = delete;
    SimProgram& operator=(const SimProgram&) = delete;

    // True once all four sockets answer, within a generous deadline; false
    // at once when the program has exited.
    bool waitUntilServing() {
        return sim::testing::eventually([&] {
            if (hasExited()) return true;
            for (auto name : {iokit::wire::kSMCSocketName, iokit::wire::kHIDSocketName,
                              iokit::wire::kRegistrySocketName, iokit::wire::kControlSocketName})
                if (!std::filesystem::exists(dir_ / name)) return false;
            try {
                control_ = std::make_unique<sim::testing::SimTestClient>(dir_ / iokit::wire::kControlSocketName);
                return true;
            } catch (const std::runtime_error&) {
                return false;
            }
        }) && !status_;
    }

    // Points this process's IOKit stand-in at the program: the directory, and
    // the socket variables that would otherwise override it.
    void pointPlatformAtIt() const {
        ::setenv(std::string(iokit::wire::kDirectoryVariable).c_str(), dir_.c_str(), 1);
        ::setenv(std::string(iokit::wire::kSMCSocketVariable).c_str(),
                 (dir_ / iokit::wire::kSMCSocketName).c_str(), 1);
        ::setenv(std::string(iokit::wire::kHIDSocketVariable).c_str(),
                 (dir_ / iokit::wire::kHIDSocketName).c_str(), 1);
        ::setenv(std::string(iokit::wire::kRegistrySocketVariable).c_str(),
                 (dir_ / iokit::wire::kRegistrySocketName).c_str(), 1);
    }

    // One control.sock command and its answer (waitUntilServing() first).
    Json control(const Json& command) {
        control_->send(command.dump());
        const auto answer = control_->receive();
        if (!answer) throw std::runtime_error("no answer from control.sock");
        return Json::parse(*answer);
    }

    void terminate() const { ::kill(pid_, SIGTERM); }
    void signal(int number) const { ::kill(pid_, number); }

    // The wait status once the program has exited, within a generous deadline.
    std::optional<int> exitStatus() {
        sim::testing::eventually([&] { return hasExited(); });
        return status_;
    }

    const std::filesystem::path& dir() const { return dir_; }

    std::string log() const {
        std::ifstream in(dir_ / "sim.log");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    static std::filesystem::path makeTempDir() {
        char pattern[] = "/tmp/zsim-integration-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
        return pattern;
    }

    bool hasExited() {
        int status = 0;
        if (!status_ && ::waitpid(pid_, &status, WNOHANG) == pid_) status_ = status;
        return status_.has_value();
    }

    std::filesystem::path dir_;
    pid_t pid_ = 0;
    std::optional<int> status_;
    std::unique_ptr<sim::testing::SimTestClient> control_;
};

// Exited by itself with status 0.
inline bool exitedCleanly(const std::optional<int>& status) {
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

}  // namespace zephrane::integration
