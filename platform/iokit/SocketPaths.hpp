// Where the simulated machine's services live. The environment is the only
// way to point the stand-in at another machine (tests and demos each run
// their own simulator), so it is read at every look-up, not once per process.
#pragma once

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

}  // namespace zephrane::iokit
