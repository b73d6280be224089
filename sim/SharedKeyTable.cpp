#include "sim/SharedKeyTable.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>
#include <system_error>

#include "platform/iokit/KeyTableSegment.hpp"
#include "sim/SMCRecord.hpp"

#ifndef F_SEAL_FUTURE_WRITE
#define F_SEAL_FUTURE_WRITE 0x0010  // Linux 5.1; older C libraries do not name it
#endif

namespace zephrane::sim {
namespace {

namespace segment = iokit::segment;

[[noreturn]] void fail(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

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
    : size_(sizeof(segment::Header) + table.slotCount() * sizeof(segment::Entry)), keyCount_(table.slotCount()) {
    try {
        fd_ = ::memfd_create("zephrane-smc-keys", MFD_CLOEXEC | MFD_ALLOW_SEALING);
        if (fd_ < 0) fail("memfd_create");
        if (::ftruncate(fd_, static_cast<off_t>(size_)) != 0) fail("ftruncate");
        mapping_ = ::mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
        if (mapping_ == MAP_FAILED) {
            mapping_ = nullptr;
            fail("mmap");
        }
        // The segment is fresh zeroed memory; the objects begin their life here.
        header_ = new (mapping_) segment::Header{};
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
        // Our own mapping stays writable; the descriptor handed out can
        // neither write, nor map writable, nor change the size, nor undo this.
        if (::fcntl(fd_, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_FUTURE_WRITE | F_SEAL_SEAL) != 0)
            fail("sealing the key table");
    } catch (...) {
        if (mapping_ != nullptr) ::munmap(mapping_, size_);
        if (fd_ >= 0) ::close(fd_);
        throw;
    }
}

SharedKeyTable::~SharedKeyTable() {
    ::munmap(mapping_, size_);
    ::close(fd_);
}

segment::Entry& SharedKeyTable::entry(std::size_t slot) const {
    auto* first = static_cast<std::byte*>(mapping_) + sizeof(segment::Header);
    return *std::launder(reinterpret_cast<segment::Entry*>(first + slot * sizeof(segment::Entry)));
}

void SharedKeyTable::publish(const KeyTable& table) {
    for (std::size_t slot = 0; slot < keyCount_; ++slot) {
        segment::Entry& e = entry(slot);
        if (e.readResult != result::kSuccess) continue;
        const segment::Value value = valueOf(table.inSlot(slot));
        // Only this side writes, so its own last value is read back without the lock.
        if (segment::loadValue(e, 1) != value) segment::storeValue(e, value);
    }
}

void SharedKeyTable::setKeyOnSocket(std::size_t slot, bool onSocket) {
    entry(slot).onSocket.store(onSocket ? 1 : 0, std::memory_order_release);
}

void SharedKeyTable::setTableOnSocket(bool onSocket) {
    header_->onSocket.store(onSocket ? 1 : 0, std::memory_order_release);
}

void SharedKeyTable::renewLease(std::chrono::nanoseconds lease) {
    header_->leaseEnd.store(segment::leaseClockNow() + lease.count(), std::memory_order_release);
}

}  // namespace zephrane::sim
