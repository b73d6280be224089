#include "tests/integration/SimulatedSMCTransport.hpp"

#include <algorithm>

#include "platform/iokit/IOReturn.hpp"
#include "smc/SMCError.hpp"

namespace zephrane::integration {

SimulatedSMCTransport::SimulatedSMCTransport(sim::SimulatedSMC& smc) : smc_(smc) {
    if (const iokit::kern_return_t code = smc_.open(); code != iokit::kIOReturnSuccess)
        throw SMCError::openFailed(code);
}

SMCParamStruct SimulatedSMCTransport::call(const SMCParamStruct& request) {
    // Both sides keep their own copy of the record layout; the byte image
    // is the only thing they share, as on the wire.
    const auto image = request.image();
    sim::SMCRecord record{};
    std::copy(image.begin(), image.end(), record.begin());

    const std::optional<sim::SMCAnswer> answer = smc_.call(record);
    if (!answer) throw SMCError::callFailed(iokit::kIOReturnNotResponding);
    if (answer->size != SMCParamStruct::kSize) throw SMCError::callFailed(iokit::kIOReturnUnderrun);

    std::array<std::uint8_t, SMCParamStruct::kSize> answerImage{};
    std::copy(answer->record.begin(), answer->record.end(), answerImage.begin());
    return SMCParamStruct::fromImage(answerImage);
}

}  // namespace zephrane::integration
