// Shared memory the simulator publishes to its clients: a memfd mapped
// writable here, then sealed so that no descriptor of it, handed out or
// reopened through /proc, can write it, map it writable, grow or shrink it,
// or undo the seals. Each client gets a read-only description of its own.
// The key table and the registry's answers each live in one.
#pragma once

#include <cstddef>

namespace zephrane::sim {

class SealedSegment {
public:
    // A zeroed segment of `size` bytes, writable through data() until
    // sealed() and after it too (only this mapping is). Throws
    // std::system_error when it cannot be made.
    SealedSegment(const char* name, std::size_t size);
    ~SealedSegment();
    SealedSegment(const SealedSegment&) = delete;
    SealedSegment& operator=(const SealedSegment&) = delete;

    // Throws std::system_error when the seals cannot be set (then nothing
    // may be shared).
    void seal();

    void* data() const { return mapping_; }
    std::size_t size() const { return size_; }
    int descriptor() const { return fd_; }
    // A read-only description for one client, the caller's to hand over and
    // close; -1 when none can be opened.
    int openForClient() const;

private:
    int fd_ = -1;
    void* mapping_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace zephrane::sim
