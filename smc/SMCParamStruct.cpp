#include "smc/SMCParamStruct.hpp"

#include <algorithm>
#include <cstring>

namespace zephrane {
namespace {

template <class T>
void put(std::array<std::uint8_t, SMCParamStruct::kSize>& image, std::size_t offset, const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    std::memcpy(image.data() + offset, &value, sizeof value);
}

template <class T>
void take(std::span<const std::uint8_t, SMCParamStruct::kSize> image, std::size_t offset, T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    std::memcpy(&value, image.data() + offset, sizeof value);
}

constexpr std::size_t kVers = offsetof(SMCParamStruct, vers);
constexpr std::size_t kLimit = offsetof(SMCParamStruct, pLimitData);
constexpr std::size_t kInfo = offsetof(SMCParamStruct, keyInfo);

// Every field of the record, nested blocks field by field so that their own
// gaps stay zero too, as (offset, member) pairs applied by `visit`.
template <class Record, class Visit>
void forEachField(Record& r, Visit&& visit) {
    visit(offsetof(SMCParamStruct, key), r.key);
    visit(kVers + offsetof(SMCVersion, major), r.vers.major);
    visit(kVers + offsetof(SMCVersion, minor), r.vers.minor);
    visit(kVers + offsetof(SMCVersion, build), r.vers.build);
    visit(kVers + offsetof(SMCVersion, reserved), r.vers.reserved);
    visit(kVers + offsetof(SMCVersion, release), r.vers.release);
    visit(kLimit + offsetof(SMCPLimitData, version), r.pLimitData.version);
    visit(kLimit + offsetof(SMCPLimitData, length), r.pLimitData.length);
    visit(kLimit + offsetof(SMCPLimitData, cpuPLimit), r.pLimitData.cpuPLimit);
    visit(kLimit + offsetof(SMCPLimitData, gpuPLimit), r.pLimitData.gpuPLimit);
    visit(kLimit + offsetof(SMCPLimitData, memPLimit), r.pLimitData.memPLimit);
    visit(kInfo + offsetof(SMCKeyInfoData, dataSize), r.keyInfo.dataSize);
    visit(kInfo + offsetof(SMCKeyInfoData, dataType), r.keyInfo.dataType);
    visit(kInfo + offsetof(SMCKeyInfoData, dataAttributes), r.keyInfo.dataAttributes);
    visit(offsetof(SMCParamStruct, result), r.result);
    visit(offsetof(SMCParamStruct, status), r.status);
    visit(offsetof(SMCParamStruct, data8), r.data8);
    visit(offsetof(SMCParamStruct, data32), r.data32);
    visit(offsetof(SMCParamStruct, bytes), r.bytes);
}

}  // namespace

std::vector<std::uint8_t> SMCParamStruct::valueBytes(std::int64_t count) const {
    const auto n = static_cast<std::size_t>(std::clamp<std::int64_t>(count, 0, kValueCapacity));
    return {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n)};
}

void SMCParamStruct::setValueBytes(std::span<const std::uint8_t> value) {
    bytes.fill(0);
    std::copy_n(value.begin(), std::min(value.size(), kValueCapacity), bytes.begin());
}

std::array<std::uint8_t, SMCParamStruct::kSize> SMCParamStruct::image() const {
    std::array<std::uint8_t, kSize> out{};
    forEachField(*this, [&out](std::size_t offset, const auto& field) { put(out, offset, field); });
    return out;
}

SMCParamStruct SMCParamStruct::fromImage(std::span<const std::uint8_t, kSize> image) {
    SMCParamStruct record;
    forEachField(record, [image](std::size_t offset, auto& field) { take(image, offset, field); });
    return record;
}

}  // namespace zephrane
