// Finding the identity note (see EmbeddedIdentity.hpp) in an ELF file.
//
// The file is hostile input: it may belong to any process that connects to
// the daemon. Every offset and size is checked against the file's length
// before it is used, and a file whose headers point outside itself is
// refused as a whole rather than read in part.
#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "platform/codesign/CodeSigning.hpp"

namespace zephrane::codesign {

// The identity in the ELF64 little-endian file open at `fd` (read with
// pread, so the file position is untouched); none when it is not a regular
// file, not such an ELF file, malformed, or has no identity note, or when
// its identity notes disagree.
std::optional<Identity> identityFromElfFile(int fd);

// The same for a file image already in memory.
std::optional<Identity> identityFromElfImage(std::span<const std::byte> image);

}  // namespace zephrane::codesign
