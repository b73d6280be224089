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

}  // namespace

Reply RegistryRequestHandler::handle(std::span<const std::uint8_t> payload) const {
    if (payload.empty()) return Reply::close();
    const std::string argument(payload.begin() + 1, payload.end());
    // The answers asked every second, for the client to read on its own.
    if (payload[0] == wire::kOpShareRegistry)
        return Reply::answer({'n', 'u', 'l', 'l'}, smc_.sharedRegistryAnswersForClient().value_or(-1));
    const std::optional<Json> value = smc_.registryAnswer(payload[0], argument);
    if (!value) return Reply::close();
    return answer(*value);
}

}  // namespace zephrane::sim
