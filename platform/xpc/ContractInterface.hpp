// The app-daemon contract as an XPC interface, for both programs: the daemon
// exports it, the app sets it as the remote interface, so each side checks
// argument and reply types against the one declaration
// (shared/ZephraneXPCProtocol.hpp). It is a library of its own beside the
// stand-in (ZephraneContract): the stand-in itself knows no contract, and
// the declaration knows no stand-in.
#pragma once

#include "platform/xpc/Interface.hpp"

namespace zephrane {

xpc::Interface contractInterface();

}  // namespace zephrane
