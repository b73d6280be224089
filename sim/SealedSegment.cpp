#include "sim/SealedSegment.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

#ifndef F_SEAL_FUTURE_WRITE
#define F_SEAL_FUTURE_WRITE 0x0010  // Linux 5.1; older C libraries do not name it
#endif

namespace zephrane::sim {
namespace {

[[noreturn]] void fail(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

}  // namespace

SealedSegment::SealedSegment(const char* name, std::size_t size) : size_(size) {
    try {
        fd_ = ::memfd_create(name, MFD_CLOEXEC | MFD_ALLOW_SEALING);
        if (fd_ < 0) fail("memfd_create");
        if (::ftruncate(fd_, static_cast<off_t>(size_)) != 0) fail("ftruncate");
        mapping_ = ::mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
        if (mapping_ == MAP_FAILED) {
            mapping_ = nullptr;
            fail("mmap");
        }
    } catch (...) {
        if (fd_ >= 0) ::close(fd_);
        throw;
    }
}

SealedSegment::~SealedSegment() {
    if (mapping_ != nullptr) ::munmap(mapping_, size_);
    ::close(fd_);
}

void SealedSegment::seal() {
    // Our own mapping stays writable; the descriptor handed out can neither
    // write, nor map writable, nor change the size, nor undo this.
    if (::fcntl(fd_, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_FUTURE_WRITE | F_SEAL_SEAL) != 0)
        fail("sealing a shared segment");
}

int SealedSegment::openForClient() const {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    return ::open(self.c_str(), O_RDONLY | O_CLOEXEC);
}

}  // namespace zephrane::sim
