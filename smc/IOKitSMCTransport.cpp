#include "smc/IOKitSMCTransport.hpp"

#include "smc/SMCError.hpp"

namespace zephrane {
namespace {

constexpr std::uint32_t kUserClientType = 0;
constexpr std::uint32_t kRecordSelector = 2;  // the user client's method that exchanges one record

}  // namespace

IOKitSMCTransport::IOKitSMCTransport() {
    using namespace iokit;
    const io_service_t service = IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching("AppleSMC"));
    if (service == IO_OBJECT_NULL) throw SMCError::serviceNotFound();
    io_connect_t connection = IO_OBJECT_NULL;
    const kern_return_t code = IOServiceOpen(service, mach_task_self(), kUserClientType, &connection);
    IOObjectRelease(service);
    if (code != kIOReturnSuccess) throw SMCError::openFailed(code);
    connection_ = connection;
}

IOKitSMCTransport::~IOKitSMCTransport() { iokit::IOServiceClose(connection_); }

SMCParamStruct IOKitSMCTransport::call(const SMCParamStruct& request) {
    const auto input = request.image();
    std::array<std::uint8_t, SMCParamStruct::kSize> output{};
    std::size_t outputSize = output.size();
    iokit::kern_return_t code = iokit::kIOReturnSuccess;
    {
        std::lock_guard lock(callLock_);
        code = iokit::IOConnectCallStructMethod(connection_, kRecordSelector, input.data(), input.size(),
                                                output.data(), &outputSize);
    }
    if (code == iokit::kIOReturnNotResponding) lost_.store(true, std::memory_order_release);
    if (code != iokit::kIOReturnSuccess) throw SMCError::callFailed(code);
    if (outputSize != SMCParamStruct::kSize) throw SMCError::callFailed(iokit::kIOReturnUnderrun);
    return SMCParamStruct::fromImage(output);
}

}  // namespace zephrane
