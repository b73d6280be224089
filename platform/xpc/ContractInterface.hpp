// The XPC interface of the app-daemon contract, for both ends: the daemon
// exports it, the app sets it as the remote interface, so each side checks
// argument and reply types against the one declaration.
#pragma once

#include "platform/xpc/Interface.hpp"

namespace zephrane::xpc {

Interface contractInterface();

}  // namespace zephrane::xpc
