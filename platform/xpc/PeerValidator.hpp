// How a connection checks the program at the other end of its socket against
// a code-signing requirement text. The real check lives in the code-signing
// layer (see CodeSignValidator.hpp); tests pass a fake. Called on the
// connection's executor before any message is read, so it must not block
// for long.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace zephrane::xpc {

// No value when the peer on `socketFd` satisfies the requirement; otherwise
// why not, in words.
using PeerValidator = std::function<std::optional<std::string>(int socketFd, const std::string& requirementText)>;

}  // namespace zephrane::xpc
