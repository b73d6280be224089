// The command line of zephrane-sim:
//   --machine NAME|PATH   a built-in machine (two-fan-laptop, one-fan-desktop,
//                         fanless-laptop) or a profile file; default
//                         two-fan-laptop
//   --dir PATH            where the sockets go; default $ZEPHRANE_SIM_DIR,
//                         else /run/zephrane
//   --load host|FILE      the host's CPU load (default) or a load scenario
//   --allow-writers any|UID[,UID...]   who may write keys; default root only
//   --allow-control any|UID[,UID...]   who besides root may use control.sock;
//                         default nobody
//   --tick MS             how often the machine's time advances while a client
//                         holds a fan (1 to 10000, default 100); at most once
//                         a second otherwise, and before every request
//   --help
// Each option also takes the form --name=value.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "sim/PeerPolicy.hpp"

namespace zephrane::sim {

class OptionsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct SimOptions {
    bool help = false;
    std::string machine = "two-fan-laptop";
    std::filesystem::path directory;
    std::optional<std::filesystem::path> loadScenario;  // absent: the host's load
    PeerPolicy writers;
    PeerPolicy controllers;  // root always may
    std::chrono::milliseconds tick{100};

    // `args` without the program name; `simDirVariable` is $ZEPHRANE_SIM_DIR.
    static SimOptions parse(const std::vector<std::string_view>& args, std::optional<std::string> simDirVariable);
};

std::string usage();

// "any" or a list of uids, the value of `option`; throws OptionsError.
PeerPolicy parsePeers(std::string_view text, std::string_view option);

// The profile a --machine value names: a path when it holds a '/' or ends in
// ".json", else NAME.json in the first of `builtInDirs` that has it.
std::filesystem::path resolveMachine(std::string_view machine, const std::vector<std::filesystem::path>& builtInDirs);

// Where built-in machines are: the folder installed beside this program
// (PREFIX/share/zephrane/sim/machines), then the source tree.
std::vector<std::filesystem::path> builtInMachineDirs();

}  // namespace zephrane::sim
