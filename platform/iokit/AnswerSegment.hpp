// The simulated I/O Registry's answers in shared memory: the layout both
// ends agree on (like SimulatorProtocol.hpp, nothing else includes it).
//
// The power observer and the load sampler ask the registry the same few
// questions every second (the battery, the root domain, the power source,
// the adapter, the GPUs), and each exchange woke the simulator. So the
// simulator publishes its answers to those questions, as JSON text, in a
// sealed memfd handed to a client that asks for it (kOpShareRegistry); the
// client answers them from there, and asks everything else over the socket.
//
// Layout: one Header, then Header::capacity bytes of text, as 64-bit words.
// The text is one JSON object: answerKey(operation, argument) -> the answer
// the socket would give. What may change after it is handed out:
//   Header::onSocket      non-zero: every question goes over the socket (the
//                         simulator is stopping)
//   Header::sequence/length/text  a sequence lock: the simulator makes the
//                         sequence odd, writes, makes it even again
//   Header::renewedAt/lease  as the key table's (KeyTableSegment.hpp), renewed
//                         with it and judged the same way (LeaseJudge.hpp)
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace zephrane::iokit::answers {

inline constexpr std::uint32_t kMagic = 0x5A524547;  // "ZREG"
inline constexpr std::uint32_t kVersion = 1;
inline constexpr std::size_t kCapacity = 64 * 1024;

struct Header {
    std::uint32_t magic;
    std::uint32_t version;
    std::uint32_t capacity;  // bytes of text room after the header, a multiple of 8
    std::uint32_t reserved;
    std::atomic<std::uint32_t> onSocket;
    std::atomic<std::uint32_t> sequence;
    std::atomic<std::uint32_t> length;
    std::uint32_t reserved2;
    std::atomic<std::int64_t> renewedAt;
    std::atomic<std::int64_t> lease;
    std::array<std::uint8_t, 16> padding;
};

static_assert(sizeof(Header) == 64);

using Word = std::atomic<std::uint64_t>;

// The text's key of one question: the operation byte in decimal, a colon,
// the argument.
inline std::string answerKey(std::uint8_t operation, std::string_view argument) {
    std::string key = std::to_string(operation);
    key += ':';
    key += argument;
    return key;
}

// The simulator's side; it is the only writer. `text` fits the capacity.
inline void storeText(Header& header, Word* words, std::string_view text) {
    const std::uint32_t sequence = header.sequence.load(std::memory_order_relaxed);
    header.sequence.store(sequence + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    for (std::size_t at = 0; at < text.size(); at += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + at, std::min<std::size_t>(8, text.size() - at));
        words[at / 8].store(word, std::memory_order_relaxed);
    }
    header.length.store(static_cast<std::uint32_t>(text.size()), std::memory_order_relaxed);
    header.sequence.store(sequence + 2, std::memory_order_release);
}

struct Text {
    std::uint32_t sequence;
    std::string text;
};

// The text as last stored, with its sequence; absent when a write kept it
// busy for every try, or its length is past the capacity.
inline std::optional<Text> loadText(const Header& header, const Word* words, std::uint32_t capacity,
                                    int attempts = 64) {
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const std::uint32_t before = header.sequence.load(std::memory_order_acquire);
        if (before & 1) continue;
        const std::uint32_t length = header.length.load(std::memory_order_relaxed);
        if (length > capacity) return std::nullopt;
        std::string text(length, '\0');
        for (std::size_t at = 0; at < length; at += 8) {
            const std::uint64_t word = words[at / 8].load(std::memory_order_relaxed);
            std::memcpy(text.data() + at, &word, std::min<std::size_t>(8, length - at));
        }
        std::atomic_thread_fence(std::memory_order_acquire);
        if (header.sequence.load(std::memory_order_relaxed) == before) return Text{before, std::move(text)};
    }
    return std::nullopt;
}

}  // namespace zephrane::iokit::answers
