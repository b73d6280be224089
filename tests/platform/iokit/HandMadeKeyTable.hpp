// A shared key table made by hand, laid out as a simulator lays out its own
// (platform/iokit/KeyTableSegment.hpp), for tests of the client side that
// need a segment without a simulator, or a spoiled one.
#pragma once

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/iokit/KeyTableSegment.hpp"

namespace zephrane::testing {

namespace segment = iokit::segment;

inline std::uint32_t code(std::string_view name) {
    return std::uint32_t{static_cast<std::uint8_t>(name[0])} << 24 |
           std::uint32_t{static_cast<std::uint8_t>(name[1])} << 16 |
           std::uint32_t{static_cast<std::uint8_t>(name[2])} << 8 | std::uint32_t{static_cast<std::uint8_t>(name[3])};
}

struct Key {
    std::string name;
    std::uint32_t size;
    std::vector<std::uint8_t> value;
    std::uint8_t readResult = 0;
};

// A memfd holding `keys` (all of type "ui8 ", attributes 0x80) with a lease
// an hour long, mapped writable here so a test can spoil it; unsealed until
// sealed() is called.
class HandMadeSegment {
public:
    explicit HandMadeSegment(const std::vector<Key>& keys, std::size_t extraBytes = 0)
        : size_(sizeof(segment::Header) + keys.size() * sizeof(segment::Entry) + extraBytes),
          fd_(::memfd_create("hand-made-keys", MFD_CLOEXEC | MFD_ALLOW_SEALING)) {
        if (fd_ < 0 || ::ftruncate(fd_, static_cast<off_t>(size_)) != 0) throw std::runtime_error("memfd");
        mapping_ = ::mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
        if (mapping_ == MAP_FAILED) throw std::runtime_error("mmap");
        header = new (mapping_) segment::Header{};
        header->magic = segment::kMagic;
        header->version = segment::kVersion;
        header->entrySize = sizeof(segment::Entry);
        header->keyCount = static_cast<std::uint32_t>(keys.size());
        header->lease = 3'600'000'000'000;
        header->renewedAt = segment::leaseClockNow();
        for (std::size_t i = 0; i < keys.size(); ++i) {
            segment::Entry* e = new (static_cast<std::byte*>(mapping_) + sizeof(segment::Header) +
                                     i * sizeof(segment::Entry)) segment::Entry{};
            e->key = code(keys[i].name);
            e->type = code("ui8 ");
            e->size = keys[i].size;
            e->attributes = 0x80;
            e->readResult = keys[i].readResult;
            segment::Value value{};
            std::copy(keys[i].value.begin(), keys[i].value.end(), value.begin());
            segment::storeValue(*e, value);
            entries.push_back(e);
        }
    }
    ~HandMadeSegment() {
        ::munmap(mapping_, size_);
        ::close(fd_);
    }
    HandMadeSegment(const HandMadeSegment&) = delete;
    HandMadeSegment& operator=(const HandMadeSegment&) = delete;

    HandMadeSegment& sealed(int seals = F_SEAL_SHRINK | F_SEAL_GROW) {
        if (::fcntl(fd_, F_ADD_SEALS, seals) != 0) throw std::runtime_error("seal");
        return *this;
    }
    int fd() const { return fd_; }

    segment::Header* header = nullptr;
    std::vector<segment::Entry*> entries;

private:
    std::size_t size_;
    int fd_;
    void* mapping_ = nullptr;
};

}  // namespace zephrane::testing
