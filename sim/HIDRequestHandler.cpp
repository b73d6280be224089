#include "sim/HIDRequestHandler.hpp"

#include "platform/iokit/SimulatorProtocol.hpp"

namespace zephrane::sim {

Reply HIDRequestHandler::handle(std::span<const std::uint8_t> payload) const {
    if (payload.size() != 1 || payload[0] != iokit::wire::kOpCopyServices) return Reply::close();
    Json services = Json::array();
    for (const HIDServiceReading& reading : smc_.hidServices()) {
        Json service = Json::object();
        if (!reading.product.is_null()) service["Product"] = reading.product;
        if (reading.celsius) service["temperature"] = *reading.celsius;
        services.push_back(std::move(service));
    }
    const std::string text = services.dump();
    return Reply::answer({text.begin(), text.end()});
}

}  // namespace zephrane::sim
