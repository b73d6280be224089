#include "platform/iokit/KeyTableMapping.hpp"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

namespace zephrane::iokit {
namespace {

namespace record = segment::record;

std::uint32_t u32(std::span<const std::uint8_t, segment::kRecordSize> r, std::size_t offset) {
    std::uint32_t value;
    std::memcpy(&value, r.data() + offset, sizeof value);
    return value;
}

void setU32(std::span<std::uint8_t, segment::kRecordSize> r, std::size_t offset, std::uint32_t value) {
    std::memcpy(r.data() + offset, &value, sizeof value);
}

}  // namespace

KeyTableMapping::KeyTableMapping(int descriptor, Clock clock)
    : memory_(descriptor, sizeof(segment::Header)), lease_(clock) {
    if (memory_.failure()) throw KeyTableMappingError(*memory_.failure());
    const std::size_t size = memory_.size();
    // The simulator placed these objects; this side only reads them.
    header_ = std::launder(static_cast<const segment::Header*>(memory_.data()));
    if (header_->magic != segment::kMagic || header_->version != segment::kVersion ||
        header_->entrySize != sizeof(segment::Entry))
        throw KeyTableMappingError("not a key table of this layout");
    const std::size_t count = header_->keyCount;
    if (count > (size - sizeof(segment::Header)) / sizeof(segment::Entry))
        throw KeyTableMappingError("more keys than the segment holds");
    entries_ = std::launder(reinterpret_cast<const segment::Entry*>(static_cast<const std::byte*>(memory_.data()) +
                                                                    sizeof(segment::Header)));
    index_.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        if (!index_.emplace(entries_[i].key, static_cast<std::uint32_t>(i)).second)
            throw KeyTableMappingError("a key listed twice");
}

KeyTableMapping::~KeyTableMapping() = default;

bool KeyTableMapping::leaseHolds() const {
    const std::int64_t renewedAt = header_->renewedAt.load(std::memory_order_acquire);
    return lease_.holds(renewedAt, header_->lease.load(std::memory_order_relaxed));
}

bool KeyTableMapping::answer(std::span<const std::uint8_t, segment::kRecordSize> request,
                             std::span<std::uint8_t, segment::kRecordSize> answer) const {
    if (header_->onSocket.load(std::memory_order_acquire) != 0) return false;
    if (!leaseHolds()) return false;
    const std::uint8_t command = request[record::kCommand];
    if (command != record::kKeyInfo && command != record::kReadValue && command != record::kKeyAtIndex) return false;

    // A hung key hangs every call naming it, whatever the command.
    const std::uint32_t key = u32(request, record::kKey);
    const auto found = index_.find(key);
    const segment::Entry* named = found == index_.end() ? nullptr : &entry(found->second);
    if (named && named->onSocket.load(std::memory_order_acquire) != 0) return false;

    std::fill(answer.begin(), answer.end(), std::uint8_t{0});
    setU32(answer, record::kKey, key);
    std::uint8_t result = 0;
    if (command == record::kKeyAtIndex) {
        const std::uint32_t index = u32(request, record::kIndex);
        if (index < index_.size())
            setU32(answer, record::kKey, entry(index).key);
        else
            result = record::kKeyNotFound;
    } else if (named == nullptr) {
        result = record::kKeyNotFound;
    } else if (command == record::kKeyInfo) {
        setU32(answer, record::kDataSize, named->size);
        setU32(answer, record::kDataType, named->type);
        answer[record::kDataAttributes] = named->attributes;
    } else if (named->readResult != 0) {
        result = named->readResult;
    } else {
        const std::optional<segment::Value> value = segment::loadValue(*named);
        if (!value) return false;
        std::copy(value->begin(), value->end(), answer.begin() + record::kBytes);
    }
    answer[record::kResult] = result;
    return true;
}

}  // namespace zephrane::iokit
