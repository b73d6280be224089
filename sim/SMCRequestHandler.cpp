#include "sim/SMCRequestHandler.hpp"

#include <algorithm>

#include "platform/iokit/SimulatorProtocol.hpp"

namespace zephrane::sim {
namespace {

namespace wire = iokit::wire;

constexpr std::size_t kOpenSize = 1 + 4;
constexpr std::size_t kCallSize = 1 + 4 + wire::kRecordSize;

std::uint32_t bigEndian32(std::span<const std::uint8_t> b) {
    return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | std::uint32_t{b[3]};
}

std::vector<std::uint8_t> withCode(iokit::kern_return_t code, std::span<const std::uint8_t> record = {}) {
    const auto raw = static_cast<std::uint32_t>(code);
    std::vector<std::uint8_t> out(4 + record.size());
    for (std::size_t i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(raw >> (24 - 8 * i));
    std::copy(record.begin(), record.end(), out.begin() + 4);
    return out;
}

Reply code(iokit::kern_return_t c) { return Reply::answer(withCode(c)); }

}  // namespace

Reply SMCRequestHandler::handle(std::span<const std::uint8_t> payload, SMCClient& client) const {
    if (payload.empty()) return Reply::close();
    switch (payload[0]) {
        case wire::kOpOpen: {
            if (payload.size() != kOpenSize || bigEndian32(payload.subspan(1)) != 0)
                return code(iokit::kIOReturnBadArgument);
            const iokit::kern_return_t result = smc_.open();
            if (result != iokit::kIOReturnSuccess) return code(result);
            client.opened = true;
            // The key table, for the client to answer reads from (a client
            // that does not take it reads over the socket), its lease renewed
            // now so that the client's first look finds a fresh stamp.
            smc_.renewSharedKeyTableLease();
            return Reply::answer(withCode(result), smc_.sharedKeyTableForClient().value_or(-1));
        }
        case wire::kOpCall: {
            if (!client.opened) return code(iokit::kIOReturnNotOpen);
            if (payload.size() != kCallSize) return code(iokit::kIOReturnBadArgument);
            if (bigEndian32(payload.subspan(1)) != wire::kSMCSelector) return code(iokit::kIOReturnUnsupported);
            SMCRecord request;
            std::copy(payload.begin() + 5, payload.end(), request.begin());
            if (request[record::kCommand] == command::kWriteValue && !writers_.allows(client.uid))
                return code(iokit::kIOReturnNotPrivileged);
            const std::optional<SMCAnswer> answer = smc_.call(request);
            if (!answer) return Reply::none();
            return Reply::answer(withCode(iokit::kIOReturnSuccess, std::span(answer->record).first(answer->size)));
        }
        default: return Reply::close();
    }
}

}  // namespace zephrane::sim
