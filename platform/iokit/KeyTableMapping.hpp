// The client's read-only mapping of the simulator's shared key table
// (KeyTableSegment.hpp): it answers key information (9), reads (5) and
// key-at-index (8) on 80-byte records as the simulator would, and tells the
// caller to go over the socket for anything else, for every call the
// simulator has switched back to the socket (a fault), and once the
// simulator's lease has run out.
// The lease is judged on this process's clock (LeaseJudge.hpp).
//
// The segment comes from another process and is checked before it is
// trusted: a descriptor that is not a sealed segment of this layout, or one
// whose size could shrink under the mapping, is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <unordered_map>

#include "platform/iokit/KeyTableSegment.hpp"
#include "platform/iokit/LeaseJudge.hpp"
#include "platform/iokit/SealedMapping.hpp"

namespace zephrane::iokit {

class KeyTableMappingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class KeyTableMapping {
public:
    using Clock = LeaseJudge::Clock;

    // Maps the segment behind `descriptor`, which the caller keeps and may
    // close at once. Throws KeyTableMappingError with the reason.
    explicit KeyTableMapping(int descriptor, Clock clock = monotonicNanoseconds);
    ~KeyTableMapping();
    KeyTableMapping(const KeyTableMapping&) = delete;
    KeyTableMapping& operator=(const KeyTableMapping&) = delete;

    // True with `answer` written when the mapping answers `request`; false
    // when the call must go to the simulator. Safe from many threads at once.
    bool answer(std::span<const std::uint8_t, segment::kRecordSize> request,
                std::span<std::uint8_t, segment::kRecordSize> answer) const;

private:
    const segment::Entry& entry(std::size_t index) const { return entries_[index]; }
    bool leaseHolds() const;

    SealedMapping memory_;
    const segment::Header* header_ = nullptr;
    const segment::Entry* entries_ = nullptr;
    std::unordered_map<std::uint32_t, std::uint32_t> index_;  // key -> entry
    LeaseJudge lease_;
};

}  // namespace zephrane::iokit
