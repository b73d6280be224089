// zephrane-system-profiler: the stand-in for the Mac's system_profiler that
// the app runs to learn the battery's health. It knows one data type:
//   zephrane-system-profiler SPPowerDataType -json [-detailLevel LEVEL]
// and prints the simulated machine's power report (see PowerDataReport.hpp),
// asking the simulator over its registry socket ($ZEPHRANE_SIM_DIR, or
// $ZEPHRANE_REGISTRY_SOCKET). Exit status 1 when there is no battery or no
// simulator, 2 for a command line it does not know.
#include <cstdlib>
#include <iostream>
#include <string_view>

#include "platform/iokit/IORegistryLinux.hpp"
#include "platform/iokit/SocketPaths.hpp"
#include "sim/tools/PowerDataReport.hpp"

int main(int argc, char** argv) {
    bool powerData = false;
    bool asJson = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "SPPowerDataType") {
            powerData = true;
        } else if (argument == "-json") {
            asJson = true;
        } else if (argument == "-detailLevel" && i + 1 < argc) {
            ++i;  // every level prints the same report
        } else {
            std::cerr << "zephrane-system-profiler: unknown argument \"" << argument << "\"\n";
            return 2;
        }
    }
    if (!powerData || !asJson) {
        std::cerr << "usage: zephrane-system-profiler SPPowerDataType -json [-detailLevel LEVEL]\n";
        return 2;
    }

    const auto registry = zephrane::iokit::IORegistryCreate();
    const auto report = zephrane::sim::powerDataReport(*registry);
    if (!report) {
        std::cerr << "zephrane-system-profiler: no battery (no simulated machine with one at \""
                  << zephrane::iokit::registrySocketPath() << "\")\n";
        return EXIT_FAILURE;
    }
    std::cout << report->dump(2) << "\n";
    return std::cout.flush() ? EXIT_SUCCESS : EXIT_FAILURE;
}
