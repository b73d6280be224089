// The SMC's keys in the firmware's fixed order. A key can be removed (a fault
// that makes it vanish: not found, not listed, not counted) and brought back;
// "#KEY" always holds the number of keys listed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "sim/MachineProfile.hpp"

namespace zephrane::sim {

struct SimKey {
    std::uint32_t code = 0;
    std::string name;
    std::uint32_t type = 0;
    std::uint8_t attributes = 0;
    std::vector<std::uint8_t> bytes;
    bool readable = true;
    bool writable = false;
    bool removed = false;
};

class KeyTable {
public:
    explicit KeyTable(const std::vector<ProfileKey>& keys);

    // Listed keys only: a removed key is not found.
    SimKey* find(std::uint32_t code);
    const SimKey* find(std::uint32_t code) const;
    // The key at a position of the listing; null past the end.
    const SimKey* at(std::size_t index) const;
    std::size_t count() const { return listed_.size(); }
    // Every key, listed or removed: storage slots run from 0 to slotCount() - 1.
    std::size_t slotCount() const { return keys_.size(); }

    // Storage positions, stable for the table's life and blind to removal,
    // for the parts of the firmware that keep driving a key's value.
    std::optional<std::size_t> slot(std::uint32_t code) const;
    SimKey& inSlot(std::size_t slot) { return keys_[slot]; }
    const SimKey& inSlot(std::size_t slot) const { return keys_[slot]; }

    // False when no such key exists (removed or not).
    bool remove(std::uint32_t code);
    void restoreAll();

    // The value decoded by the key's type; absent for types the codec does
    // not know.
    static std::optional<double> value(const SimKey& key);
    // Encodes into the key's bytes; false (bytes untouched) when the value
    // does not fit the type or the type is unknown.
    static bool setValue(SimKey& key, double value);

private:
    void relist();

    std::vector<SimKey> keys_;
    std::unordered_map<std::uint32_t, std::size_t> slots_;
    std::vector<std::size_t> listed_;
    std::optional<std::size_t> countSlot_;
};

}  // namespace zephrane::sim
