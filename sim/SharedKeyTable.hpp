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

#include "sim/KeyTable.hpp"

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

    // The memfd to hand to clients; it stays open as long as this object.
    int descriptor() const { return fd_; }

    // Stores each key's value where it differs from the published one.
    void publish(const KeyTable& table);
    void setKeyOnSocket(std::size_t slot, bool onSocket);
    void setTableOnSocket(bool onSocket);
    // Clients may trust the segment for `lease` from now.
    void renewLease(std::chrono::nanoseconds lease);

private:
    iokit::segment::Entry& entry(std::size_t slot) const;

    int fd_ = -1;
    void* mapping_ = nullptr;
    std::size_t size_ = 0;
    std::size_t keyCount_ = 0;
    iokit::segment::Header* header_ = nullptr;
};

}  // namespace zephrane::sim
