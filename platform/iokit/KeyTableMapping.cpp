#include "platform/iokit/KeyTableMapping.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>

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

KeyTableMapping::KeyTableMapping(int descriptor) {
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) throw KeyTableMappingError("not a file");
    // Unsealed, the simulator could shrink the file under the mapping, and a
    // read past its end would kill this process.
    const int seals = ::fcntl(descriptor, F_GET_SEALS);
    if (seals < 0 || !(seals & F_SEAL_SHRINK)) throw KeyTableMappingError("not sealed against shrinking");
    if (status.st_size < static_cast<off_t>(sizeof(segment::Header))) throw KeyTableMappingError("too small");
    size_ = static_cast<std::size_t>(status.st_size);
    mapping_ = ::mmap(nullptr, size_, PROT_READ, MAP_SHARED, descriptor, 0);
    if (mapping_ == MAP_FAILED) {
        mapping_ = nullptr;
        throw KeyTableMappingError("cannot be mapped");
    }
    try {
        // The simulator placed these objects; this side only reads them.
        header_ = std::launder(static_cast<const segment::Header*>(mapping_));
        if (header_->magic != segment::kMagic || header_->version != segment::kVersion ||
            header_->entrySize != sizeof(segment::Entry))
            throw KeyTableMappingError("not a key table of this layout");
        const std::size_t count = header_->keyCount;
        if (count > (size_ - sizeof(segment::Header)) / sizeof(segment::Entry))
            throw KeyTableMappingError("more keys than the segment holds");
        entries_ = std::launder(reinterpret_cast<const segment::Entry*>(static_cast<const std::byte*>(mapping_) +
                                                                        sizeof(segment::Header)));
        index_.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            if (!index_.emplace(entries_[i].key, static_cast<std::uint32_t>(i)).second)
                throw KeyTableMappingError("a key listed twice");
    } catch (...) {
        ::munmap(mapping_, size_);
        throw;
    }
}

KeyTableMapping::~KeyTableMapping() { ::munmap(mapping_, size_); }

bool KeyTableMapping::answer(std::span<const std::uint8_t, segment::kRecordSize> request,
                             std::span<std::uint8_t, segment::kRecordSize> answer) const {
    if (header_->onSocket.load(std::memory_order_acquire) != 0) return false;
    if (segment::leaseClockNow() >= header_->leaseEnd.load(std::memory_order_acquire)) return false;
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
