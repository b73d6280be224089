// How a program of ours carries its code-signing identity: an ELF note.
//
// Notes are the one kind of data the toolchain keeps on its own: the linker
// never garbage-collects a note section, gathers it into a PT_NOTE segment
// and leaves it in place through -O2 and strip. The identity is therefore
// readable from the executable file alone, without symbols.
//
// Place once, at file scope, in one source file of a program:
//   ZEPHRANE_EMBED_IDENTITY("com.zephrane.app", "ZPHRN4B7Q2");
//
// The note: namesz, descsz and type (32-bit, native order), the owner name
// "Zephrane" with its NUL padded to 12 bytes, then the descriptor
// "<identifier>\0<team identifier>\0" padded to a multiple of 4.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zephrane::codesign {

// Owner name of the note, with its terminating NUL, and its type.
inline constexpr std::string_view kIdentityNoteName{"Zephrane", 9};
inline constexpr std::uint32_t kIdentityNoteType = 1;
// Longest identifier or team identifier, in bytes.
inline constexpr std::size_t kIdentityTextMax = 255;

// The reader only accepts little-endian files; a build for another order
// would write notes nobody could read.
static_assert(std::endian::native == std::endian::little, "identity notes are written little-endian");

namespace detail {

constexpr std::size_t noteAligned(std::size_t size) { return (size + 3) & ~std::size_t{3}; }

template <std::size_t DescSize>
struct IdentityNote {
    std::uint32_t nameSize;
    std::uint32_t descSize;
    std::uint32_t type;
    char name[noteAligned(kIdentityNoteName.size())];
    char desc[noteAligned(DescSize)];
};

// Only a printable text ending in its NUL fits the note: a control
// character in an identity would forge lines in the logs that quote it.
template <std::size_t N>
consteval void requirePrintableText(const char (&text)[N]) {
    static_assert(N > 1, "an identity text cannot be empty");
    static_assert(N - 1 <= kIdentityTextMax, "an identity text is at most 255 bytes");
    if (text[N - 1] != '\0') throw "an identity text must be a string literal";
    for (std::size_t i = 0; i + 1 < N; ++i)
        if (text[i] < 0x20 || text[i] > 0x7e) throw "an identity text must be printable ASCII";
}

template <std::size_t IdentifierSize, std::size_t TeamSize>
consteval IdentityNote<IdentifierSize + TeamSize> makeIdentityNote(const char (&identifier)[IdentifierSize],
                                                                   const char (&team)[TeamSize]) {
    requirePrintableText(identifier);
    requirePrintableText(team);
    IdentityNote<IdentifierSize + TeamSize> note{};
    note.nameSize = static_cast<std::uint32_t>(kIdentityNoteName.size());
    note.descSize = static_cast<std::uint32_t>(IdentifierSize + TeamSize);
    note.type = kIdentityNoteType;
    for (std::size_t i = 0; i < kIdentityNoteName.size(); ++i) note.name[i] = kIdentityNoteName[i];
    for (std::size_t i = 0; i < IdentifierSize; ++i) note.desc[i] = identifier[i];
    for (std::size_t i = 0; i < TeamSize; ++i) note.desc[IdentifierSize + i] = team[i];
    return note;
}

}  // namespace detail

}  // namespace zephrane::codesign

// "used" keeps the unreferenced constant through the compiler; the section
// name starting with ".note" makes it a note the linker keeps and exposes.
#define ZEPHRANE_EMBED_IDENTITY(identifier, team)                                          \
    __attribute__((section(".note.zephrane.identity"), used, aligned(4))) constexpr auto \
        zephraneEmbeddedIdentityNote = ::zephrane::codesign::detail::makeIdentityNote(identifier, team)
