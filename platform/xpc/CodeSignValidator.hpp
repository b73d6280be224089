// The peer check of both ends of a connection, done by the code-signing
// layer: the requirement text is parsed and the program on the other end of
// the socket checked against it.
#pragma once

#include "platform/codesign/CodeSigning.hpp"
#include "platform/xpc/PeerValidator.hpp"

namespace zephrane::xpc {

// A requirement text that does not parse refuses every peer, with the parse
// error as the reason.
PeerValidator codeSignValidator(codesign::TrustPolicy policy = {});

}  // namespace zephrane::xpc
