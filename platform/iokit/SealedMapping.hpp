// A read-only mapping of a segment another process shares (the key table,
// the registry's answers): only a file sealed against shrinking is mapped,
// as a read past the end of a file shrunk under the mapping would kill this
// process.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace zephrane::iokit {

class SealedMapping {
public:
    // Maps all of the file behind `descriptor` (which the caller keeps),
    // when it is sealed against shrinking and holds at least `minimumSize`
    // bytes; otherwise failure() says why.
    SealedMapping(int descriptor, std::size_t minimumSize);
    ~SealedMapping();
    SealedMapping(const SealedMapping&) = delete;
    SealedMapping& operator=(const SealedMapping&) = delete;

    const std::optional<std::string>& failure() const { return failure_; }
    const void* data() const { return mapping_; }
    std::size_t size() const { return size_; }

private:
    void* mapping_ = nullptr;
    std::size_t size_ = 0;
    std::optional<std::string> failure_;
};

}  // namespace zephrane::iokit
