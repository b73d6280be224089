// The app-daemon contract as an XPC interface, for both programs: the daemon
// exports it, the app sets it as the remote interface, so each side checks
// argument and reply types against the one declaration
// (ZephraneXPCProtocol.hpp). The XPC stand-in itself knows no contract.
#pragma once

#include "platform/xpc/Interface.hpp"

namespace zephrane {

xpc::Interface contractInterface();

}  // namespace zephrane
