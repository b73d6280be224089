#include "smc/FakeSMCTransport.hpp"

#include <algorithm>

#include "shared/FourCC.hpp"
#include "shared/SMCDataCodec.hpp"
#include "smc/SMCError.hpp"

namespace zephrane {

void FakeSMCTransport::setKey(Key key) {
    std::lock_guard lock(mutex_);
    if (Key* existing = find(FourCC::code(key.name)))
        *existing = std::move(key);
    else
        keys_.push_back(std::move(key));
}

void FakeSMCTransport::setValue(std::string_view name, SMCDataType type, double value, Access access) {
    const SMCDataCodec::Bytes encoded = SMCDataCodec::encode(value, type);
    setKey({std::string(name), type, {encoded.begin(), encoded.end()}, access, 0});
}

void FakeSMCTransport::removeKey(std::string_view name) {
    std::lock_guard lock(mutex_);
    std::erase_if(keys_, [name](const Key& key) { return key.name == name; });
}

std::optional<FakeSMCTransport::Key> FakeSMCTransport::key(std::string_view name) const {
    std::lock_guard lock(mutex_);
    for (const Key& key : keys_)
        if (key.name == name) return key;
    return std::nullopt;
}

void FakeSMCTransport::setInterceptor(Interceptor interceptor) {
    std::lock_guard lock(mutex_);
    interceptor_ = std::move(interceptor);
}

std::vector<SMCParamStruct> FakeSMCTransport::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::size_t FakeSMCTransport::requestCount(SMCCommand command) const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(requests_.begin(), requests_.end(), [command](const auto& r) {
        return r.data8 == static_cast<std::uint8_t>(command);
    }));
}

std::size_t FakeSMCTransport::requestCount(SMCCommand command, std::string_view key) const {
    const std::uint32_t code = FourCC::code(key);
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(requests_.begin(), requests_.end(), [&](const auto& r) {
        return r.data8 == static_cast<std::uint8_t>(command) && r.key == code;
    }));
}

void FakeSMCTransport::clearRequests() {
    std::lock_guard lock(mutex_);
    requests_.clear();
}

void FakeSMCTransport::setRecordingRequests(bool recording) {
    std::lock_guard lock(mutex_);
    recording_ = recording;
}

void FakeSMCTransport::loseConnection() {
    std::lock_guard lock(mutex_);
    lost_ = true;
}

bool FakeSMCTransport::connectionLost() const {
    std::lock_guard lock(mutex_);
    return lost_;
}

SMCParamStruct FakeSMCTransport::call(const SMCParamStruct& request) {
    Interceptor interceptor;
    {
        std::lock_guard lock(mutex_);
        if (recording_) requests_.push_back(request);
        if (lost_) throw SMCError::callFailed(iokit::kIOReturnNotResponding);
        interceptor = interceptor_;
    }
    // Outside the lock: an interceptor may block one call while others go on.
    if (interceptor)
        if (auto replaced = interceptor(request)) return *replaced;
    std::lock_guard lock(mutex_);
    return answer(request);
}

FakeSMCTransport::Key* FakeSMCTransport::find(std::uint32_t code) {
    for (Key& key : keys_)
        if (FourCC::code(key.name) == code) return &key;
    return nullptr;
}

SMCParamStruct FakeSMCTransport::answer(const SMCParamStruct& request) {
    SMCParamStruct reply;
    reply.key = request.key;
    switch (static_cast<SMCCommand>(request.data8)) {
        case SMCCommand::keyInfo: {
            const Key* key = find(request.key);
            if (!key) {
                reply.result = kSMCResultKeyNotFound;
                break;
            }
            reply.keyInfo.dataSize = static_cast<std::uint32_t>(key->bytes.size());
            reply.keyInfo.dataType = key->type.code();
            reply.keyInfo.dataAttributes = key->attributes;
            break;
        }
        case SMCCommand::readValue: {
            const Key* key = find(request.key);
            if (!key) {
                reply.result = kSMCResultKeyNotFound;
            } else if (key->access == Access::writeOnly) {
                reply.result = kSMCResultNotReadable;
            } else {
                const std::size_t n = std::min<std::size_t>(request.keyInfo.dataSize, key->bytes.size());
                reply.setValueBytes(std::span(key->bytes).first(n));
            }
            break;
        }
        case SMCCommand::writeValue: {
            Key* key = find(request.key);
            if (!key) {
                reply.result = kSMCResultKeyNotFound;
            } else if (key->access == Access::readOnly) {
                reply.result = kSMCResultNotWritable;
            } else {
                key->bytes = request.valueBytes(request.keyInfo.dataSize);
            }
            break;
        }
        case SMCCommand::keyAtIndex:
            if (request.data32 < keys_.size())
                reply.key = FourCC::code(keys_[request.data32].name);
            else
                reply.result = kSMCResultKeyNotFound;
            break;
        default: reply.result = kResultUnknownCommand; break;
    }
    return reply;
}

}  // namespace zephrane
