// Where the simulated machine's services live, and how long an SMC call may
// wait for them. The environment is the only way to point the stand-in at
// another machine (tests and demos each run their own simulator), so it is
// read at every look-up, not once per process.
#pragma once

#include <chrono>
#include <string>

namespace zephrane::iokit {

// $ZEPHRANE_SMC_SOCKET, else $ZEPHRANE_SIM_DIR/AppleSMC.sock, else
// /run/zephrane/AppleSMC.sock. Empty variables count as unset.
std::string smcSocketPath();

// $ZEPHRANE_HID_SOCKET, else $ZEPHRANE_SIM_DIR/HID.sock, else
// /run/zephrane/HID.sock.
std::string hidSocketPath();

// $ZEPHRANE_REGISTRY_SOCKET, else $ZEPHRANE_SIM_DIR/IORegistry.sock, else
// /run/zephrane/IORegistry.sock.
std::string registrySocketPath();

// Longer than every bound the callers keep themselves (a restore's write,
// the daemon's hand-off to its emergency connection), so it only ends what
// would otherwise never end.
inline constexpr std::chrono::milliseconds kDefaultSMCCallDeadline{30'000};

// $ZEPHRANE_SMC_DEADLINE_MS (1 to 600000), else kDefaultSMCCallDeadline:
// how long an AppleSMC open or call waits for the simulator.
std::chrono::milliseconds smcCallDeadline();

}  // namespace zephrane::iokit
