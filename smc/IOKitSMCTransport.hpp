// The SMC transport over the AppleSMC user client. It owns one open
// connection for its whole life and closes it when destroyed; a caller that
// wants a fresh connection makes a new transport.
#pragma once

#include <atomic>
#include <mutex>

#include "platform/iokit/IOKitUserClient.hpp"
#include "smc/SMCTransport.hpp"

namespace zephrane {

class IOKitSMCTransport final : public SMCTransport {
public:
    // Opens the user client. Throws SMCError::serviceNotFound when there is
    // no "AppleSMC" service and SMCError::openFailed with the kernel's code
    // when the open is refused; nothing stays open after a throw.
    IOKitSMCTransport();
    ~IOKitSMCTransport() override;
    IOKitSMCTransport(const IOKitSMCTransport&) = delete;
    IOKitSMCTransport& operator=(const IOKitSMCTransport&) = delete;

    // Throws SMCError::callFailed with the kernel's code, or with
    // kIOReturnUnderrun when the answer is not exactly 80 bytes.
    SMCParamStruct call(const SMCParamStruct& request) override;
    // Once a call has come back kIOReturnNotResponding: the user client
    // stays dead after that.
    bool connectionLost() const override { return lost_.load(std::memory_order_acquire); }

private:
    iokit::io_connect_t connection_ = iokit::IO_OBJECT_NULL;
    std::mutex callLock_;  // one request and its answer at a time on this connection
    std::atomic<bool> lost_{false};
};

}  // namespace zephrane
