// The simulator's side of the key table in shared memory
// (platform/iokit/KeyTableSegment.hpp): a sealed memfd holding every key of
// the table with its information and current value, which clients map
// read-only and answer reads from without a round trip.
//
// The owner (SimulatedSMC) is the only writer and calls it under its own
// lock: publish() after every change of the table's values, the onSocket
// switches whenever a fault decides which calls the simulator must see, and
// renewLease() while a server runs.
#pragma once

#include <chrono>
#include <cstddef>
#include <span>

#include "sim/KeyTable.hpp"
#include "sim/SealedSegment.hpp"

namespace zephrane::iokit::segment {
struct Header;
struct Entry;
}  // namespace zephrane::iokit::segment

namespace zephrane::sim {

class SharedKeyTable {
public:
    // Publishes every key of `table`, in storage order, on the socket path
    // until renewLease() is first called. Throws std::system_error when the
    // segment cannot be made and sealed read-only for everyone it is handed
    // to (then nothing may be shared).
    explicit SharedKeyTable(const KeyTable& table);
    ~SharedKeyTable();
    SharedKeyTable(const SharedKeyTable&) = delete;
    SharedKeyTable& operator=(const SharedKeyTable&) = delete;

    // The memfd itself; it stays open as long as this object.
    int descriptor() const { return memory_.descriptor(); }
    // A description of the memfd of the client's own, opened read-only, for
    // the caller to hand over and close: nothing a client does to its
    // descriptor (flags, offset, locks) reaches another's. -1 when none can
    // be opened.
    int openForClient() const;

    // Stores each key's value where it differs from the published one: of
    // every key, or of the keys in `slots` alone.
    void publish(const KeyTable& table);
    void publish(const KeyTable& table, std::span<const std::size_t> slots);
    void setKeyOnSocket(std::size_t slot, bool onSocket);
    void setTableOnSocket(bool onSocket);
    // Clients may trust the segment for `lease` from now; without an
    // argument, for the lease last given (nothing before the first).
    void renewLease(std::chrono::nanoseconds lease);
    void renewLease();

private:
    iokit::segment::Entry& entry(std::size_t slot) const;
    void publishSlot(const KeyTable& table, std::size_t slot);

    SealedSegment memory_;
    std::size_t keyCount_ = 0;
    iokit::segment::Header* header_ = nullptr;
    std::chrono::nanoseconds lease_{0};
    bool renewed_ = false;
};

}  // namespace zephrane::sim
