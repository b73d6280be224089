#include "sim/RegistryRequestHandler.hpp"

#include <string>

#include "platform/iokit/SimulatorProtocol.hpp"

namespace zephrane::sim {
namespace {

namespace wire = iokit::wire;

Reply answer(const Json& value) {
    const std::string text = value.dump();
    return Reply::answer({text.begin(), text.end()});
}

template <typename T>
Json orNull(const std::optional<T>& value) {
    return value ? Json(*value) : Json(nullptr);
}

}  // namespace

Reply RegistryRequestHandler::handle(std::span<const std::uint8_t> payload) const {
    if (payload.empty()) return Reply::close();
    const std::string argument(payload.begin() + 1, payload.end());
    switch (payload[0]) {
        case wire::kOpMatchingServices: {
            Json services = Json::array();
            for (Json& service : smc_.registryServices(argument)) services.push_back(std::move(service));
            return answer(services);
        }
        case wire::kOpEntryAtPath: return answer(orNull(smc_.registryEntry(argument)));
        case wire::kOpPowerSourceType: return answer(Json(smc_.providingPowerSourceType()));
        case wire::kOpAdapterDetails: return answer(orNull(smc_.externalPowerAdapterDetails()));
        default: return Reply::close();
    }
}

}  // namespace zephrane::sim
