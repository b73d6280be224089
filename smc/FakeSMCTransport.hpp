// A miniature SMC for tests: it holds keys (type, value bytes, access) in
// index order and answers the four commands with the real result bytes, so a
// bridge over it behaves as over the kernel. It records every request, and an
// optional interceptor sees each request first and may answer in its place
// or throw (transport failures, odd answers, blocking a call mid-exchange).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shared/SMCDataType.hpp"
#include "smc/SMCTransport.hpp"

namespace zephrane {

class FakeSMCTransport final : public SMCTransport {
public:
    enum class Access { readWrite, readOnly, writeOnly };

    struct Key {
        std::string name;
        SMCDataType type = SMCDataType::ui8();
        std::vector<std::uint8_t> bytes;
        Access access = Access::readWrite;
        std::uint8_t attributes = 0;
    };

    // Answered to a command the miniature does not know.
    static constexpr std::uint8_t kResultUnknownCommand = 0x8A;

    using Interceptor = std::function<std::optional<SMCParamStruct>(const SMCParamStruct& request)>;

    // Adds the key at the end of the index order, or replaces it in place.
    void setKey(Key key);
    // The same with `value` encoded in `type` (which must be encodable).
    void setValue(std::string_view name, SMCDataType type, double value, Access access = Access::readWrite);
    void removeKey(std::string_view name);
    std::optional<Key> key(std::string_view name) const;

    void setInterceptor(Interceptor interceptor);

    std::vector<SMCParamStruct> requests() const;
    // Requests of one command, optionally about one key.
    std::size_t requestCount(SMCCommand command) const;
    std::size_t requestCount(SMCCommand command, std::string_view key) const;
    void clearRequests();
    // On by default; off for long runs (benchmarks) that would pile them up.
    void setRecordingRequests(bool recording);

    SMCParamStruct call(const SMCParamStruct& request) override;

    // As a user client whose SMC went away: from now on every exchange fails
    // with kIOReturnNotResponding (requests are still recorded) and the
    // connection counts as lost.
    void loseConnection();
    bool connectionLost() const override;

private:
    SMCParamStruct answer(const SMCParamStruct& request);  // under mutex_
    Key* find(std::uint32_t code);                          // under mutex_

    mutable std::mutex mutex_;
    std::vector<Key> keys_;
    std::vector<SMCParamStruct> requests_;
    bool recording_ = true;
    bool lost_ = false;
    Interceptor interceptor_;
};

}  // namespace zephrane
