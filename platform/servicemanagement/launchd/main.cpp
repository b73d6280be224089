// zephrane-launchd: starts approved daemons on demand for their Mach service
// sockets (see Launchd.hpp); runs until SIGTERM or SIGINT.
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include <asio/io_context.hpp>

#include "platform/oslog/OSLog.hpp"
#include "platform/servicemanagement/launchd/Launchd.hpp"

int main(int argc, char** argv) {
    using namespace zephrane::servicemanagement;
    LaunchdOptions options;
    try {
        options = parseLaunchdOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::invalid_argument& e) {
        std::cerr << "zephrane-launchd: " << e.what() << "\n"
                  << "usage: zephrane-launchd [--root PATH] [--xpc-dir PATH] [--poll MS] [--stop-grace MS] "
                     "[--throttle MS]\n";
        return 2;
    }
    // One thread: the io_context is the manager's serial queue, and fork()
    // from a single-threaded process keeps the child simple.
    asio::io_context io(1);
    Launchd launchd(io, options);
    return launchd.run();
}
