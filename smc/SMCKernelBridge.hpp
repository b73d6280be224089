// Key-level access to the SMC over one transport: key information (cached),
// raw and decoded reads, writes, the key count and the key at an index.
// Everything above the transport in both programs goes through a bridge.
//
// A bridge is shared by its users (the app's driver and sensor poller, the
// daemon's hardware queue) and may be called from several threads at once.
// The key-information cache has its own lock, taken only for the lookup and
// for the store and never across an exchange, so two threads may both ask
// for the same key's information; their entries are equal. Serialising the
// exchanges themselves is the transport's business.
//
// Every error is an SMCError; codec failures are wrapped in SMCError::codec.
// Key arguments are four-byte texts (std::invalid_argument otherwise, a
// programming error). The bridge never retries.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "shared/SMCDataType.hpp"
#include "smc/SMCParamStruct.hpp"
#include "smc/SMCTransport.hpp"

namespace zephrane {

class SMCKernelBridge {
public:
    struct RawValue {
        std::vector<std::uint8_t> bytes;
        SMCDataType type;

        friend bool operator==(const RawValue&, const RawValue&) = default;
    };

    explicit SMCKernelBridge(std::unique_ptr<SMCTransport> transport);

    // A bridge over a freshly opened AppleSMC connection; the transport's
    // SMCError (serviceNotFound, openFailed) passes through unchanged.
    static std::shared_ptr<SMCKernelBridge> open();

    SMCKeyInfoData keyInfo(std::string_view key);
    // The key's value bytes, with the type from its key information.
    RawValue readRaw(std::string_view key);
    double read(std::string_view key);
    // Encodes `value` in the key's own type; a value whose encoding is not
    // exactly the key's size is refused before anything is sent.
    void write(std::string_view key, double value);
    // "#KEY" truncated toward zero; a count beyond a 64-bit integer is a
    // codec error.
    std::int64_t keyCount();
    // The name of the key at a zero-based index. An index past the last key,
    // or outside 0 to 4294967295 (nothing is sent then), is keyNotFound("#IDX").
    std::string keyAtIndex(std::int64_t index);
    // Whether key information can be had; caches it as a side effect.
    bool hasKey(std::string_view key);
    // The transport's connection is dead for good (SMCTransport.hpp).
    bool connectionLost() const { return transport_->connectionLost(); }

private:
    SMCParamStruct exchange(const SMCParamStruct& request, std::string_view keyForErrors);

    std::unique_ptr<SMCTransport> transport_;
    std::mutex cacheLock_;
    std::unordered_map<std::uint32_t, SMCKeyInfoData> keyInfoCache_;  // guarded by cacheLock_
};

}  // namespace zephrane
