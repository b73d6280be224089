#include "smc/SMCKernelBridge.hpp"

#include <cmath>
#include <exception>
#include <limits>

#include "shared/FourCC.hpp"
#include "shared/SMCDataCodec.hpp"
#include "shared/Saturating.hpp"
#include "smc/IOKitSMCTransport.hpp"
#include "smc/SMCError.hpp"

namespace zephrane {
namespace {

constexpr std::string_view kKeyCountKey = "#KEY";
constexpr std::string_view kIndexKeyText = "#IDX";

SMCParamStruct request(SMCCommand command, std::uint32_t key) {
    SMCParamStruct record;
    record.key = key;
    record.data8 = static_cast<std::uint8_t>(command);
    return record;
}

std::string wrapped(std::string_view verb, std::string_view key, const SMCCodecError& error) {
    std::string message(verb);
    message.append(" ").append(key).append(": ").append(error.description());
    return message;
}

}  // namespace

SMCKernelBridge::SMCKernelBridge(std::unique_ptr<SMCTransport> transport) : transport_(std::move(transport)) {}

std::shared_ptr<SMCKernelBridge> SMCKernelBridge::open() {
    return std::make_shared<SMCKernelBridge>(std::make_unique<IOKitSMCTransport>());
}

SMCParamStruct SMCKernelBridge::exchange(const SMCParamStruct& record, std::string_view keyForErrors) {
    SMCParamStruct answer = transport_->call(record);
    throwIfSMCResultFailed(answer.result, keyForErrors);
    return answer;
}

SMCKeyInfoData SMCKernelBridge::keyInfo(std::string_view key) {
    const std::uint32_t code = FourCC::code(key);
    {
        std::lock_guard lock(cacheLock_);
        if (auto it = keyInfoCache_.find(code); it != keyInfoCache_.end()) return it->second;
    }
    const SMCKeyInfoData info = exchange(request(SMCCommand::keyInfo, code), key).keyInfo;
    // A zero size or type is no answer to build a read on; ask again next time.
    if (info.dataSize != 0 && info.dataType != 0) {
        std::lock_guard lock(cacheLock_);
        keyInfoCache_.insert_or_assign(code, info);
    }
    return info;
}

SMCKernelBridge::RawValue SMCKernelBridge::readRaw(std::string_view key) {
    const SMCKeyInfoData info = keyInfo(key);
    SMCParamStruct record = request(SMCCommand::readValue, FourCC::code(key));
    record.keyInfo.dataSize = info.dataSize;
    const SMCParamStruct answer = exchange(record, key);
    return {answer.valueBytes(info.dataSize), SMCDataType(info.dataType)};
}

double SMCKernelBridge::read(std::string_view key) {
    const RawValue raw = readRaw(key);
    try {
        return SMCDataCodec::decode(raw.bytes, raw.type);
    } catch (const SMCCodecError& error) {
        throw SMCError::codec(wrapped("decode", key, error));
    }
}

void SMCKernelBridge::write(std::string_view key, double value) {
    const SMCKeyInfoData info = keyInfo(key);
    SMCDataCodec::Bytes encoded;
    try {
        encoded = SMCDataCodec::encode(value, SMCDataType(info.dataType));
    } catch (const SMCCodecError& error) {
        throw SMCError::codec(wrapped("encode", key, error));
    }
    if (encoded.size() != info.dataSize) {
        std::string message = "size mismatch for ";
        message.append(key).append(": encoded ").append(std::to_string(encoded.size()));
        message.append(" != ").append(std::to_string(info.dataSize));
        throw SMCError::codec(std::move(message));
    }
    SMCParamStruct record = request(SMCCommand::writeValue, FourCC::code(key));
    record.keyInfo.dataSize = info.dataSize;
    record.keyInfo.dataType = info.dataType;
    record.setValueBytes(encoded.span());
    exchange(record, key);
}

std::int64_t SMCKernelBridge::keyCount() {
    const double count = read(kKeyCountKey);
    // 2^63 is the first value past INT64_MAX and exact in a double.
    constexpr double upperExclusive = 9223372036854775808.0;
    if (!std::isfinite(count) || count >= upperExclusive || count < -upperExclusive)
        throw SMCError::codec(wrapped("decode", kKeyCountKey, SMCCodecError::valueOutOfRange(count)));
    return saturatingCast<std::int64_t>(count);
}

std::string SMCKernelBridge::keyAtIndex(std::int64_t index) {
    if (index < 0 || index > std::int64_t{std::numeric_limits<std::uint32_t>::max()})
        throw SMCError::keyNotFound(std::string(kIndexKeyText));
    SMCParamStruct record = request(SMCCommand::keyAtIndex, 0);
    record.data32 = static_cast<std::uint32_t>(index);
    return FourCC::string(exchange(record, kIndexKeyText).key);
}

bool SMCKernelBridge::hasKey(std::string_view key) {
    try {
        keyInfo(key);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace zephrane
