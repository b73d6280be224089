#include "sim/SimOptions.hpp"

#include <charconv>

#include "platform/iokit/SimulatorProtocol.hpp"

namespace zephrane::sim {
namespace {

template <class Integer>
Integer parseInteger(std::string_view text, std::string_view option) {
    Integer value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        throw OptionsError(std::string(option) + ": \"" + std::string(text) + "\" is not a number");
    return value;
}

}  // namespace

std::string usage() {
    return "usage: zephrane-sim [--machine NAME|PATH] [--dir PATH] [--load host|FILE]\n"
           "                    [--allow-writers any|UID[,UID...]] [--allow-control any|UID[,UID...]]\n"
           "                    [--tick MS]\n";
}

PeerPolicy parsePeers(std::string_view text, std::string_view option) {
    if (text == "any") return PeerPolicy::everyone();
    std::set<uid_t> uids;
    while (true) {
        const auto comma = text.find(',');
        uids.insert(parseInteger<uid_t>(text.substr(0, comma), option));
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return PeerPolicy::only(std::move(uids));
}

SimOptions SimOptions::parse(const std::vector<std::string_view>& args, std::optional<std::string> simDirVariable) {
    SimOptions options;
    options.directory = simDirVariable && !simDirVariable->empty() ? std::filesystem::path(*simDirVariable)
                                                                   : std::filesystem::path(iokit::wire::kDefaultDirectory);
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view name = args[i];
        std::optional<std::string_view> value;
        if (const auto equals = name.find('='); equals != std::string_view::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (!value) {
            if (i + 1 >= args.size()) throw OptionsError(std::string(name) + " needs a value");
            value = args[++i];
        }
        if (name == "--machine") {
            options.machine = std::string(*value);
        } else if (name == "--dir") {
            options.directory = std::string(*value);
        } else if (name == "--load") {
            if (*value == "host")
                options.loadScenario.reset();
            else
                options.loadScenario = std::string(*value);
        } else if (name == "--allow-writers") {
            options.writers = parsePeers(*value, name);
        } else if (name == "--allow-control") {
            options.controllers = parsePeers(*value, name);
        } else if (name == "--tick") {
            const int ms = parseInteger<int>(*value, "--tick");
            if (ms < 1 || ms > 10000) throw OptionsError("--tick: must lie in 1 to 10000 ms");
            options.tick = std::chrono::milliseconds(ms);
        } else {
            throw OptionsError("unknown option \"" + std::string(name) + "\"");
        }
    }
    return options;
}

std::filesystem::path resolveMachine(std::string_view machine, const std::vector<std::filesystem::path>& builtInDirs) {
    if (machine.find('/') != std::string_view::npos || machine.ends_with(".json")) return std::string(machine);
    for (const auto& dir : builtInDirs) {
        const auto candidate = dir / (std::string(machine) + ".json");
        if (std::filesystem::exists(candidate)) return candidate;
    }
    throw OptionsError("no built-in machine \"" + std::string(machine) + "\"");
}

std::vector<std::filesystem::path> builtInMachineDirs() {
    std::vector<std::filesystem::path> dirs;
    std::error_code unknown;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", unknown);
    if (!unknown) dirs.push_back(program.parent_path().parent_path() / ZEPHRANE_SIM_INSTALLED_MACHINES);
    dirs.emplace_back(ZEPHRANE_SIM_SOURCE_MACHINES);
    return dirs;
}

}  // namespace zephrane::sim
