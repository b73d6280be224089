#include "sim/KeyTable.hpp"

#include <algorithm>

#include "shared/FourCC.hpp"
#include "shared/SMCDataCodec.hpp"

namespace zephrane::sim {

KeyTable::KeyTable(const std::vector<ProfileKey>& keys) {
    keys_.reserve(keys.size());
    for (const ProfileKey& k : keys) {
        const std::uint32_t code = FourCC::code(k.name);
        slots_.emplace(code, keys_.size());
        keys_.push_back({code, k.name, k.type, k.attributes, k.bytes, k.readable, k.writable, false});
    }
    countSlot_ = slot(FourCC::code("#KEY"));
    relist();
}

SimKey* KeyTable::find(std::uint32_t code) {
    const auto s = slot(code);
    return s && !keys_[*s].removed ? &keys_[*s] : nullptr;
}

const SimKey* KeyTable::find(std::uint32_t code) const {
    const auto s = slot(code);
    return s && !keys_[*s].removed ? &keys_[*s] : nullptr;
}

const SimKey* KeyTable::at(std::size_t index) const {
    return index < listed_.size() ? &keys_[listed_[index]] : nullptr;
}

std::optional<std::size_t> KeyTable::slot(std::uint32_t code) const {
    const auto it = slots_.find(code);
    if (it == slots_.end()) return std::nullopt;
    return it->second;
}

bool KeyTable::remove(std::uint32_t code) {
    const auto s = slot(code);
    if (!s) return false;
    keys_[*s].removed = true;
    relist();
    return true;
}

void KeyTable::restoreAll() {
    for (SimKey& key : keys_) key.removed = false;
    relist();
}

void KeyTable::relist() {
    listed_.clear();
    for (std::size_t i = 0; i < keys_.size(); ++i)
        if (!keys_[i].removed) listed_.push_back(i);
    if (countSlot_) setValue(keys_[*countSlot_], static_cast<double>(listed_.size()));
}

std::optional<double> KeyTable::value(const SimKey& key) {
    try {
        return SMCDataCodec::decode(key.bytes, SMCDataType(key.type));
    } catch (const SMCCodecError&) {
        return std::nullopt;
    }
}

bool KeyTable::setValue(SimKey& key, double value) {
    try {
        const SMCDataCodec::Bytes encoded = SMCDataCodec::encode(value, SMCDataType(key.type));
        if (encoded.size() != key.bytes.size()) return false;
        std::copy(encoded.begin(), encoded.end(), key.bytes.begin());
        return true;
    } catch (const SMCCodecError&) {
        return false;
    }
}

}  // namespace zephrane::sim
