// The simulated SMC's key table in shared memory: the layout both ends of the
// wire agree on (like SimulatorProtocol.hpp, nothing else includes it).
//
// Every SMC exchange over the socket costs a round trip and two wake-ups of
// the simulator's thread, which is the whole cost of a refresh; on a Mac the
// same read is one kernel call. So the simulator publishes its keys in a
// memfd, handed to each client with the answer to its open (SCM_RIGHTS), and
// the client answers key information, reads and key-at-index from its
// read-only mapping. Everything else, and every call the simulator wants to
// see itself (a fault), goes over the socket as before.
//
// Layout: one Header, then Header::keyCount Entries in the firmware's key
// order (the order key-at-index walks while no key is removed). Multi-byte
// fields are in the host's byte order: both ends run on the same host.
//
// What may change after the segment is handed out, and how it is read:
//   Header::onSocket      non-zero: every call goes over the socket (a fault
//                         that changes the table's shape or every answer, or
//                         a simulator that has stopped serving)
//   Header::renewedAt     the simulator's CLOCK_MONOTONIC, in nanoseconds, at
//                         its last renewal, which it makes often while it
//                         runs (and at every open); stored after `lease`
//   Header::lease         nanoseconds past each renewal that the simulator
//                         vouches for its table; 0 until the first renewal
//   A client judges the lease on its own clock, never by comparing it with
//   the simulator's (whose process may see another time: a time namespace
//   shifts CLOCK_MONOTONIC): the stamps only measure the time between
//   renewals, anchored to the client's clock at the freshest one it saw.
//   Entry::onSocket       non-zero: calls naming this key go over the socket
//                         (a hung key)
//   Entry::sequence/value a sequence lock per key: the simulator makes the
//                         sequence odd, writes the value, makes it even
//                         again; a reader that sees an odd or changed
//                         sequence reads again, so it never sees a torn value
// Every other field is written before the segment is first handed out and
// never again.
//
// The simulator seals the memfd against growing, shrinking and any new
// writable mapping or write, and hands every client a description of its
// own, opened read-only: no client can change what the simulator or another
// client sees, nor the file flags, offset or locks of anyone else's.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

#include "platform/iokit/LeaseJudge.hpp"

namespace zephrane::iokit::segment {

inline constexpr std::uint32_t kMagic = 0x5A534D43;  // "ZSMC"
inline constexpr std::uint32_t kVersion = 2;
inline constexpr std::size_t kValueBytes = 32;  // the record's value capacity
inline constexpr std::size_t kRecordSize = 80;

struct Header {
    std::uint32_t magic;
    std::uint32_t version;
    std::uint32_t entrySize;  // sizeof(Entry) as the simulator built it
    std::uint32_t keyCount;
    std::atomic<std::uint32_t> onSocket;
    std::uint32_t reserved;
    std::atomic<std::int64_t> renewedAt;
    std::atomic<std::int64_t> lease;
    std::array<std::uint8_t, 24> padding;
};

struct Entry {
    std::uint32_t key;         // the name's four characters, as FourCC::code packs them
    std::uint32_t type;
    std::uint32_t size;        // the key's size; a value larger than kValueBytes is never read here
    std::uint8_t attributes;
    std::uint8_t readResult;   // the result byte a read answers: 0, or the firmware's refusal
    std::array<std::uint8_t, 2> reserved;
    std::atomic<std::uint32_t> onSocket;
    std::atomic<std::uint32_t> sequence;
    std::array<std::atomic<std::uint64_t>, kValueBytes / 8> value;
    std::array<std::uint8_t, 8> padding;
};

static_assert(sizeof(Header) == 64);
static_assert(sizeof(Entry) == 64);
static_assert(std::atomic<std::uint32_t>::is_always_lock_free && std::atomic<std::uint64_t>::is_always_lock_free,
              "the sequence lock works across processes only on lock-free atomics");

using Value = std::array<std::uint8_t, kValueBytes>;

// The clock of Header::renewedAt, and the one a client judges the lease
// on: CLOCK_MONOTONIC in nanoseconds (each process sees its own time
// namespace's).
inline std::int64_t leaseClockNow() { return monotonicNanoseconds(); }

// Offsets and codes of the 80-byte record the stand-in answers itself; the
// simulator keeps its own copy in sim/SMCRecord.hpp, so a slip on either
// side shows in the tests that compare the two paths.
namespace record {
inline constexpr std::size_t kKey = 0;
inline constexpr std::size_t kDataSize = 28;
inline constexpr std::size_t kDataType = 32;
inline constexpr std::size_t kDataAttributes = 36;
inline constexpr std::size_t kResult = 40;
inline constexpr std::size_t kCommand = 42;
inline constexpr std::size_t kIndex = 44;
inline constexpr std::size_t kBytes = 48;
inline constexpr std::uint8_t kReadValue = 5;
inline constexpr std::uint8_t kKeyAtIndex = 8;
inline constexpr std::uint8_t kKeyInfo = 9;
inline constexpr std::uint8_t kKeyNotFound = 0x84;
}  // namespace record

// The simulator's side; it is the only writer.
inline void storeValue(Entry& entry, const Value& value) {
    const std::uint32_t sequence = entry.sequence.load(std::memory_order_relaxed);
    entry.sequence.store(sequence + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    for (std::size_t i = 0; i < entry.value.size(); ++i) {
        std::uint64_t word;
        std::memcpy(&word, value.data() + 8 * i, sizeof word);
        entry.value[i].store(word, std::memory_order_relaxed);
    }
    entry.sequence.store(sequence + 2, std::memory_order_release);
}

// The value as the simulator last stored it; absent when a write kept it
// busy for every one of `attempts` tries (the simulator stopped in the
// middle of one), so the caller asks the simulator instead.
inline std::optional<Value> loadValue(const Entry& entry, int attempts = 256) {
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const std::uint32_t before = entry.sequence.load(std::memory_order_acquire);
        if (before & 1) continue;
        Value value;
        for (std::size_t i = 0; i < entry.value.size(); ++i) {
            const std::uint64_t word = entry.value[i].load(std::memory_order_relaxed);
            std::memcpy(value.data() + 8 * i, &word, sizeof word);
        }
        std::atomic_thread_fence(std::memory_order_acquire);
        if (entry.sequence.load(std::memory_order_relaxed) == before) return value;
    }
    return std::nullopt;
}

}  // namespace zephrane::iokit::segment
