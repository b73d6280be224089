// The 80-byte parameter record the SMC user client takes and gives back, as
// the simulated firmware sees it: the byte offsets of the fields it reads and
// writes, and the result bytes it answers with. Multi-byte fields are in the
// host's native byte order, as in the kernel's own structure; the key and the
// type are four-character codes whose first character is the most
// significant byte.
//
// This side keeps its own copy of the layout on purpose: the simulator must
// not share a definition with the client library it is there to test.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zephrane::sim {

using SMCRecord = std::array<std::uint8_t, 80>;

namespace record {

inline constexpr std::size_t kKey = 0;             // u32
inline constexpr std::size_t kDataSize = 28;       // u32, keyInfo.dataSize
inline constexpr std::size_t kDataType = 32;       // u32, keyInfo.dataType
inline constexpr std::size_t kDataAttributes = 36; // u8, keyInfo.dataAttributes
inline constexpr std::size_t kResult = 40;         // u8
inline constexpr std::size_t kCommand = 42;        // u8, data8
inline constexpr std::size_t kIndex = 44;          // u32, data32
inline constexpr std::size_t kBytes = 48;          // 32 value bytes
inline constexpr std::size_t kValueCapacity = 32;

inline std::uint32_t u32(const SMCRecord& r, std::size_t offset) {
    std::uint32_t value;
    std::memcpy(&value, r.data() + offset, sizeof value);
    return value;
}

inline void setU32(SMCRecord& r, std::size_t offset, std::uint32_t value) {
    std::memcpy(r.data() + offset, &value, sizeof value);
}

}  // namespace record

// The commands in data8.
namespace command {
inline constexpr std::uint8_t kReadValue = 5;
inline constexpr std::uint8_t kWriteValue = 6;
inline constexpr std::uint8_t kKeyAtIndex = 8;
inline constexpr std::uint8_t kKeyInfo = 9;
}  // namespace command

// Result bytes. 0x84..0x86 are the firmware's well-known answers; the others
// are this simulator's choices for cases the clients only need to see fail.
namespace result {
inline constexpr std::uint8_t kSuccess = 0x00;
// A manual fan mode the firmware will not take yet: "Ftst" not held long
// enough, or a fan told (by a fault) never to take manual mode.
inline constexpr std::uint8_t kModeRefused = 0x81;
// A command byte the firmware does not know.
inline constexpr std::uint8_t kUnknownCommand = 0x82;
inline constexpr std::uint8_t kKeyNotFound = 0x84;  // also key-at-index past the end
inline constexpr std::uint8_t kNotReadable = 0x85;
inline constexpr std::uint8_t kNotWritable = 0x86;  // also every read-only key
// A write whose dataSize is not the key's size.
inline constexpr std::uint8_t kSizeMismatch = 0x87;
// A read or write of a key whose value is larger than the record's 32 value
// bytes: the controller takes such a key's information but not its value
// through this record.
inline constexpr std::uint8_t kBadArgument = 0x89;
}  // namespace result

}  // namespace zephrane::sim
