#include "DaemonProcess.hpp"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include "Eventually.hpp"
#include "shared/HelperConstants.hpp"

namespace zephrane::helper::testing {
namespace {

ProcessSpec specFor(const DaemonLaunch& launch, const std::filesystem::path& log) {
    const std::string sim = "ZEPHRANE_SIM_DIR=" + launch.directory.string();
    const std::string xpc = "ZEPHRANE_XPC_DIR=" + launch.directory.string();
    if (launch.inheritedListener) {
        // LISTEN_PID must name the daemon: a shell that learns its own pid
        // and execs the daemon in its place.
        return {"/bin/sh",
                {"-c", "export LISTEN_PID=$$ LISTEN_FDS=1; exec \"$0\"", launch.program.string()},
                {sim, xpc},
                log,
                *launch.inheritedListener};
    }
    if (!launch.socketActivator) return {launch.program.string(), {}, {sim, xpc}, log};
    // The activator hands its child only the variables it is told to.
    std::vector<std::string> arguments{"-l", (launch.directory / HelperConstants::machServiceName).string(), "-E",
                                       sim, "-E", xpc};
    for (const char* inherited : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "TSAN_OPTIONS"})
        if (const char* value = ::getenv(inherited))
            arguments.insert(arguments.end(), {"-E", std::string(inherited) + "=" + value});
    arguments.push_back(launch.program.string());
    return {launch.socketActivator->string(), arguments, {}, log};
}

bool acceptsConnections(const std::filesystem::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string text = path.string();
    std::memcpy(address.sun_path, text.data(), std::min(text.size(), sizeof address.sun_path - 1));
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

}  // namespace

DaemonProcess::DaemonProcess(const DaemonLaunch& launch)
    : directory_(launch.directory),
      logPath_(launch.directory / launch.logName),
      process_(specFor(launch, logPath_)) {}

std::filesystem::path DaemonProcess::socketPath() const { return directory_ / HelperConstants::machServiceName; }

bool DaemonProcess::waitUntilServing() {
    const std::string started = "Zephrane SMC helper " + std::string(helperBuildVersion) + " started";
    const bool serving = eventually([&] {
        if (process_.hasExited()) return true;
        return countLog(started) == 1 && acceptsConnections(socketPath());
    });
    return serving && !process_.hasExited();
}

std::vector<std::string> DaemonProcess::logMessages() const {
    // "2026-01-01 12:00:00.000 info [subsystem:category] message"
    std::vector<std::string> out;
    std::ifstream in(logPath_);
    std::string line;
    while (std::getline(in, line)) {
        const auto open = line.find(" [");
        const auto close = open == std::string::npos ? open : line.find("] ", open);
        if (close == std::string::npos) continue;
        out.push_back(line.substr(close + 2));
    }
    return out;
}

std::size_t DaemonProcess::countLog(std::string_view message) const {
    const auto messages = logMessages();
    return static_cast<std::size_t>(std::count(messages.begin(), messages.end(), message));
}

bool DaemonProcess::waitForLog(std::string_view message, std::chrono::milliseconds limit) const {
    return eventually([&] { return countLog(message) > 0; }, limit);
}

std::string DaemonProcess::logText() const {
    std::ifstream in(logPath_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace zephrane::helper::testing
