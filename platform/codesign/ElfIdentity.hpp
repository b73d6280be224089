// Finding the identity note (see EmbeddedIdentity.hpp) in an ELF file.
//
// The file is hostile input: it may belong to any process that connects to
// the daemon. Every offset and size is checked against the file's length
// before it is used, a file whose headers point outside itself is refused
// as a whole rather than read in part, and the work one file may cost is
// capped: a file beyond any of the caps below has no identity.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/codesign/CodeSigning.hpp"

namespace zephrane::codesign {

// Our programs have about 14 program headers, 45 sections and 6 note areas
// (the same notes seen through their segments and their sections) of a few
// hundred bytes in all; the caps leave a wide margin above that.
inline constexpr std::uint64_t kMaxProgramHeaders = 64;
inline constexpr std::uint64_t kMaxSectionHeaders = 1024;  // a 64 KiB table
inline constexpr std::size_t kMaxNoteAreas = 16;
inline constexpr std::uint64_t kMaxNoteBytes = 64 * 1024;  // all note areas together

// The identity in the ELF64 little-endian file open at `fd` (read with
// pread, so the file position is untouched): its first identity note, the
// note segments looked at before the note sections. None when it is not a
// regular file, not such an ELF file, malformed, beyond the caps, or has no
// identity note.
std::optional<Identity> identityFromElfFile(int fd);

// The same for a file image already in memory.
std::optional<Identity> identityFromElfImage(std::span<const std::byte> image);

}  // namespace zephrane::codesign
