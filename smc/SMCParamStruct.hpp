// The 80-byte record the AppleSMC user client takes and gives back. The
// kernel reads it by address, so the layout is fixed to the byte; the
// static_asserts below pin every field's offset, and the record crosses the
// process boundary only through image()/fromImage(), which write each field at
// its offset and keep the alignment gaps zero whatever the compiler left in
// them. Multi-byte fields are in the machine's own byte order.
//
// There is no separate filler field between keyInfo and result: the key-info
// block is a u32, u32, u8 aggregate whose own tail padding already covers
// bytes 37 to 39, and a filler after it would push `result` to byte 42.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>
#include <vector>

namespace zephrane {

struct SMCVersion {
    std::uint8_t major = 0;
    std::uint8_t minor = 0;
    std::uint8_t build = 0;
    std::uint8_t reserved = 0;
    std::uint16_t release = 0;

    friend bool operator==(const SMCVersion&, const SMCVersion&) = default;
};

struct SMCPLimitData {
    std::uint16_t version = 0;
    std::uint16_t length = 0;
    std::uint32_t cpuPLimit = 0;
    std::uint32_t gpuPLimit = 0;
    std::uint32_t memPLimit = 0;

    friend bool operator==(const SMCPLimitData&, const SMCPLimitData&) = default;
};

struct SMCKeyInfoData {
    std::uint32_t dataSize = 0;  // the value's length in bytes
    std::uint32_t dataType = 0;  // the type's four characters, packed by FourCC::code
    std::uint8_t dataAttributes = 0;

    friend bool operator==(const SMCKeyInfoData&, const SMCKeyInfoData&) = default;
};

// The commands carried in `data8`.
enum class SMCCommand : std::uint8_t {
    readValue = 5,
    writeValue = 6,
    keyAtIndex = 8,
    keyInfo = 9,
};

struct SMCParamStruct {
    static constexpr std::size_t kSize = 80;
    static constexpr std::size_t kValueCapacity = 32;

    std::uint32_t key = 0;  // FourCC::code of the key
    SMCVersion vers;
    SMCPLimitData pLimitData;
    SMCKeyInfoData keyInfo;
    std::uint8_t result = 0;  // the SMC's answer, 0 = success
    std::uint8_t status = 0;
    std::uint8_t data8 = 0;    // the command
    std::uint32_t data32 = 0;  // the index for keyAtIndex
    std::array<std::uint8_t, kValueCapacity> bytes{};

    // The first min(max(count, 0), 32) value bytes.
    std::vector<std::uint8_t> valueBytes(std::int64_t count) const;
    // Copies up to 32 bytes to the start of `bytes` and zeroes the rest.
    void setValueBytes(std::span<const std::uint8_t> value);

    // The record as the kernel sees it: every field at its offset, gaps zero.
    std::array<std::uint8_t, kSize> image() const;
    // The fields of a record image; gaps are ignored.
    static SMCParamStruct fromImage(std::span<const std::uint8_t, kSize> image);

    friend bool operator==(const SMCParamStruct&, const SMCParamStruct&) = default;
};

static_assert(offsetof(SMCVersion, major) == 0);
static_assert(offsetof(SMCVersion, minor) == 1);
static_assert(offsetof(SMCVersion, build) == 2);
static_assert(offsetof(SMCVersion, reserved) == 3);
static_assert(offsetof(SMCVersion, release) == 4);
static_assert(sizeof(SMCVersion) == 6);
static_assert(offsetof(SMCPLimitData, version) == 0);
static_assert(offsetof(SMCPLimitData, length) == 2);
static_assert(offsetof(SMCPLimitData, cpuPLimit) == 4);
static_assert(offsetof(SMCPLimitData, gpuPLimit) == 8);
static_assert(offsetof(SMCPLimitData, memPLimit) == 12);
static_assert(sizeof(SMCPLimitData) == 16);
static_assert(offsetof(SMCKeyInfoData, dataSize) == 0);
static_assert(offsetof(SMCKeyInfoData, dataType) == 4);
static_assert(offsetof(SMCKeyInfoData, dataAttributes) == 8);

static_assert(offsetof(SMCParamStruct, key) == 0);
static_assert(offsetof(SMCParamStruct, vers) == 4);
static_assert(offsetof(SMCParamStruct, pLimitData) == 12);
static_assert(offsetof(SMCParamStruct, keyInfo) == 28);
static_assert(offsetof(SMCParamStruct, result) == 40);
static_assert(offsetof(SMCParamStruct, status) == 41);
static_assert(offsetof(SMCParamStruct, data8) == 42);
static_assert(offsetof(SMCParamStruct, data32) == 44);
static_assert(offsetof(SMCParamStruct, bytes) == 48);
static_assert(sizeof(SMCParamStruct) == SMCParamStruct::kSize);
static_assert(std::is_trivially_copyable_v<SMCParamStruct>);
static_assert(std::is_standard_layout_v<SMCParamStruct>);

}  // namespace zephrane
