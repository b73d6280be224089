#include "sim/SharedKeyTable.hpp"

#include <algorithm>
#include <new>

#include "platform/iokit/KeyTableSegment.hpp"
#include "sim/SMCRecord.hpp"

namespace zephrane::sim {
namespace {

namespace segment = iokit::segment;

// What the firmware answers a read of this key with, when not the value.
std::uint8_t readResult(const SimKey& key) {
    if (!key.readable) return result::kNotReadable;
    if (key.bytes.size() > record::kValueCapacity) return result::kBadArgument;
    return result::kSuccess;
}

segment::Value valueOf(const SimKey& key) {
    segment::Value value{};
    std::copy_n(key.bytes.begin(), std::min(key.bytes.size(), value.size()), value.begin());
    return value;
}

}  // namespace

SharedKeyTable::SharedKeyTable(const KeyTable& table)
    : memory_("zephrane-smc-keys", sizeof(segment::Header) + table.slotCount() * sizeof(segment::Entry)),
      keyCount_(table.slotCount()) {
    // The segment is fresh zeroed memory; the objects begin their life here.
    header_ = new (memory_.data()) segment::Header{};
    header_->magic = segment::kMagic;
    header_->version = segment::kVersion;
    header_->entrySize = sizeof(segment::Entry);
    header_->keyCount = static_cast<std::uint32_t>(keyCount_);
    for (std::size_t slot = 0; slot < keyCount_; ++slot) {
        const SimKey& key = table.inSlot(slot);
        auto* e = new (&entry(slot)) segment::Entry{};
        e->key = key.code;
        e->type = key.type;
        e->size = static_cast<std::uint32_t>(key.bytes.size());
        e->attributes = key.attributes;
        e->readResult = readResult(key);
        if (e->readResult == result::kSuccess) segment::storeValue(*e, valueOf(key));
    }
    memory_.seal();
}

SharedKeyTable::~SharedKeyTable() = default;

segment::Entry& SharedKeyTable::entry(std::size_t slot) const {
    auto* first = static_cast<std::byte*>(memory_.data()) + sizeof(segment::Header);
    return *std::launder(reinterpret_cast<segment::Entry*>(first + slot * sizeof(segment::Entry)));
}

void SharedKeyTable::publish(const KeyTable& table) {
    for (std::size_t slot = 0; slot < keyCount_; ++slot) publishSlot(table, slot);
}

void SharedKeyTable::publish(const KeyTable& table, std::span<const std::size_t> slots) {
    for (const std::size_t slot : slots)
        if (slot < keyCount_) publishSlot(table, slot);
}

void SharedKeyTable::publishSlot(const KeyTable& table, std::size_t slot) {
    segment::Entry& e = entry(slot);
    if (e.readResult != result::kSuccess) return;
    const segment::Value value = valueOf(table.inSlot(slot));
    // Only this side writes, so its own last value is read back without the lock.
    if (segment::loadValue(e, 1) != value) segment::storeValue(e, value);
}

void SharedKeyTable::setKeyOnSocket(std::size_t slot, bool onSocket) {
    entry(slot).onSocket.store(onSocket ? 1 : 0, std::memory_order_release);
}

void SharedKeyTable::setTableOnSocket(bool onSocket) {
    header_->onSocket.store(onSocket ? 1 : 0, std::memory_order_release);
}

void SharedKeyTable::renewLease(std::chrono::nanoseconds lease) {
    lease_ = lease;
    renewed_ = true;
    renewLease();
}

void SharedKeyTable::renewLease() {
    if (!renewed_) return;
    header_->lease.store(std::max<std::int64_t>(lease_.count(), 0), std::memory_order_relaxed);
    header_->renewedAt.store(segment::leaseClockNow(), std::memory_order_release);
}

int SharedKeyTable::openForClient() const { return memory_.openForClient(); }

}  // namespace zephrane::sim
