#include "platform/iokit/SealedMapping.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>

namespace zephrane::iokit {

SealedMapping::SealedMapping(int descriptor, std::size_t minimumSize) {
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        failure_ = "not a file";
        return;
    }
    const int seals = ::fcntl(descriptor, F_GET_SEALS);
    if (seals < 0 || !(seals & F_SEAL_SHRINK)) {
        failure_ = "not sealed against shrinking";
        return;
    }
    if (status.st_size < static_cast<off_t>(minimumSize)) {
        failure_ = "too small";
        return;
    }
    size_ = static_cast<std::size_t>(status.st_size);
    mapping_ = ::mmap(nullptr, size_, PROT_READ, MAP_SHARED, descriptor, 0);
    if (mapping_ == MAP_FAILED) {
        mapping_ = nullptr;
        size_ = 0;
        failure_ = "cannot be mapped";
    }
}

SealedMapping::~SealedMapping() {
    if (mapping_ != nullptr) ::munmap(mapping_, size_);
}

}  // namespace zephrane::iokit
