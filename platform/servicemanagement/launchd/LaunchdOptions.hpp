// zephrane-launchd's command line:
//
//   zephrane-launchd [--root PATH] [--xpc-dir PATH] [--poll MS] [--stop-grace MS] [--throttle MS]
//
//   --root        the system root holding registrations and approvals;
//                 default $ZEPHRANE_SYSTEM_ROOT, else "/"
//   --xpc-dir     where the Mach service sockets go; default
//                 $ZEPHRANE_XPC_DIR, else /run/zephrane
//   --poll        how often the registrations are read again (10-60000, default 250)
//   --stop-grace  how long a daemon may take to exit after SIGTERM before it
//                 gets SIGKILL (0-600000, default 10000; the fan daemon hands
//                 the fans back on SIGTERM, which may wait on the hardware)
//   --throttle    the least time between two starts of one daemon, so a
//                 daemon that dies at once is not restarted in a tight loop
//                 (0-600000, default 1000)
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace zephrane::servicemanagement {

struct LaunchdOptions {
    std::filesystem::path systemRoot;
    std::string socketDirectory;
    std::chrono::milliseconds pollInterval{250};
    std::chrono::milliseconds stopGrace{10000};
    std::chrono::milliseconds throttle{1000};
};

// Throws std::invalid_argument with a line for the user.
LaunchdOptions parseLaunchdOptions(const std::vector<std::string>& arguments);

}  // namespace zephrane::servicemanagement
