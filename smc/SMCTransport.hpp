// One exchange with the SMC: a request record in, the answer record out. The
// bridge depends only on this, so anything that answers records (the kernel
// user client, a test's miniature SMC) can stand behind it.
#pragma once

#include "smc/SMCParamStruct.hpp"

namespace zephrane {

class SMCTransport {
public:
    virtual ~SMCTransport() = default;

    // Performs the exchange and returns the answer as it came, without
    // looking at its result byte. Throws SMCError when the exchange itself
    // fails. Must be safe to call from several threads at once.
    virtual SMCParamStruct call(const SMCParamStruct& request) = 0;

    // True once the connection behind the transport is dead for good (the
    // SMC went away, or a call outlived its deadline): no later exchange
    // can succeed, only a new connection can. Any thread.
    virtual bool connectionLost() const { return false; }
};

}  // namespace zephrane
