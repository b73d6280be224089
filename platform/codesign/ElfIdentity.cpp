#include "platform/codesign/ElfIdentity.hpp"

#include <elf.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "platform/codesign/EmbeddedIdentity.hpp"

namespace zephrane::codesign {

namespace {

constexpr std::uint64_t kHeaderSize = 64;         // Elf64_Ehdr
constexpr std::uint64_t kProgramHeaderSize = 56;  // Elf64_Phdr
constexpr std::uint64_t kSectionHeaderSize = 64;  // Elf64_Shdr
constexpr std::uint64_t kNoteHeaderSize = 12;     // namesz, descsz, type

// Fills `into` from `offset`; false unless every byte was there.
using ReadAt = std::function<bool(std::uint64_t offset, std::span<std::byte> into)>;

std::uint64_t little(std::span<const std::byte> bytes, std::size_t at, std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = width; i-- > 0;) value = (value << 8) | std::to_integer<std::uint64_t>(bytes[at + i]);
    return value;
}
std::uint64_t u16(std::span<const std::byte> b, std::size_t at) { return little(b, at, 2); }
std::uint64_t u32(std::span<const std::byte> b, std::size_t at) { return little(b, at, 4); }
std::uint64_t u64(std::span<const std::byte> b, std::size_t at) { return little(b, at, 8); }

bool fitsIn(std::uint64_t offset, std::uint64_t size, std::uint64_t fileSize) {
    return offset <= fileSize && size <= fileSize - offset;
}

std::uint64_t alignUp(std::uint64_t value, std::uint64_t alignment) {
    return (value + alignment - 1) & ~(alignment - 1);
}

struct NoteArea {
    std::uint64_t offset;
    std::uint64_t size;
    std::uint64_t alignment;  // 4 or 8: how the notes inside are padded
};

NoteArea noteArea(std::uint64_t offset, std::uint64_t size, std::uint64_t declaredAlignment) {
    return {offset, size, declaredAlignment == 8 ? 8u : 4u};
}

// What one note area holds for us.
enum class Scan { clean, malformed };

class ElfImage {
public:
    ElfImage(std::uint64_t size, ReadAt readAt) : size_(size), readAt_(std::move(readAt)) {}

    std::optional<std::vector<std::byte>> read(std::uint64_t offset, std::uint64_t size) const {
        if (!fitsIn(offset, size, size_)) return std::nullopt;
        std::vector<std::byte> bytes(static_cast<std::size_t>(size));
        if (!readAt_(offset, bytes)) return std::nullopt;
        return bytes;
    }

    std::uint64_t size() const { return size_; }

private:
    std::uint64_t size_;
    ReadAt readAt_;
};

bool isIdentityText(std::string_view text) {
    return !text.empty() && text.size() <= kIdentityTextMax &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7e; });
}

// "<identifier>\0<team>\0" and nothing else.
std::optional<Identity> decodeDescriptor(std::span<const std::byte> desc) {
    std::string bytes(desc.size(), '\0');
    if (!desc.empty()) std::memcpy(bytes.data(), desc.data(), desc.size());
    const std::string_view text = bytes;
    const auto firstEnd = text.find('\0');
    if (firstEnd == std::string_view::npos || text.empty() || text.back() != '\0') return std::nullopt;
    const auto identifier = text.substr(0, firstEnd);
    const auto team = text.substr(firstEnd + 1, text.size() - firstEnd - 2);
    if (!isIdentityText(identifier) || !isIdentityText(team)) return std::nullopt;
    return Identity{std::string(identifier), std::string(team)};
}

// Walks the notes of one area up to our first identity note, kept in `found`.
Scan scanNotes(std::span<const std::byte> notes, std::uint64_t alignment, std::optional<Identity>& found) {
    std::uint64_t at = 0;
    while (at < notes.size()) {
        const std::uint64_t left = notes.size() - at;
        if (left < kNoteHeaderSize) return Scan::malformed;
        const auto at0 = static_cast<std::size_t>(at);
        const std::uint64_t nameSize = u32(notes, at0);
        const std::uint64_t descSize = u32(notes, at0 + 4);
        const std::uint64_t type = u32(notes, at0 + 8);
        // Both sizes are below 2^32, so none of these sums overflows.
        const std::uint64_t descOffset = alignUp(kNoteHeaderSize + nameSize, alignment);
        if (descOffset > left || descSize > left - descOffset) return Scan::malformed;

        const auto name = notes.subspan(at0 + kNoteHeaderSize, static_cast<std::size_t>(nameSize));
        const bool ours = nameSize == kIdentityNoteName.size() && type == kIdentityNoteType &&
                          std::memcmp(name.data(), kIdentityNoteName.data(), kIdentityNoteName.size()) == 0;
        if (ours) {
            auto identity = decodeDescriptor(
                notes.subspan(at0 + static_cast<std::size_t>(descOffset), static_cast<std::size_t>(descSize)));
            if (!identity) return Scan::malformed;
            found = std::move(identity);
            return Scan::clean;
        }
        // The last note's padding may be cut off by the end of the area.
        at += std::min(alignUp(descOffset + descSize, alignment), left);
    }
    return Scan::clean;
}

// Where notes may live: PT_NOTE segments and SHT_NOTE sections. False when a
// header table or any segment or section reaches outside the file.
bool collectNoteAreas(const ElfImage& image, std::span<const std::byte> header, std::vector<NoteArea>& areas) {
    const std::uint64_t programOffset = u64(header, 32);
    const std::uint64_t sectionOffset = u64(header, 40);
    const std::uint64_t programEntrySize = u16(header, 54);
    const std::uint64_t programCount = u16(header, 56);
    const std::uint64_t sectionEntrySize = u16(header, 58);
    const std::uint64_t sectionCount = u16(header, 60);

    if (programCount != 0) {
        // None of ours has this many (PN_XNUM, which moves the count elsewhere, among them).
        if (programEntrySize != kProgramHeaderSize || programCount > kMaxProgramHeaders) return false;
        const auto table = image.read(programOffset, programCount * kProgramHeaderSize);
        if (!table) return false;
        for (std::size_t i = 0; i < programCount; ++i) {
            const std::span<const std::byte> entry(table->data() + i * kProgramHeaderSize, kProgramHeaderSize);
            const std::uint64_t offset = u64(entry, 8);
            const std::uint64_t size = u64(entry, 32);
            if (!fitsIn(offset, size, image.size())) return false;
            if (u32(entry, 0) == PT_NOTE && size != 0) areas.push_back(noteArea(offset, size, u64(entry, 48)));
        }
    }

    if (sectionOffset != 0 || sectionCount != 0) {
        // A zero count with a table present means extended numbering, which
        // only files with 65280 sections or more need.
        if (sectionOffset == 0 || sectionCount == 0 || sectionEntrySize != kSectionHeaderSize ||
            sectionCount > kMaxSectionHeaders)
            return false;
        const auto table = image.read(sectionOffset, sectionCount * kSectionHeaderSize);
        if (!table) return false;
        for (std::size_t i = 0; i < sectionCount; ++i) {
            const std::span<const std::byte> entry(table->data() + i * kSectionHeaderSize, kSectionHeaderSize);
            const std::uint64_t type = u32(entry, 4);
            const std::uint64_t offset = u64(entry, 24);
            const std::uint64_t size = u64(entry, 32);
            if (type == SHT_NOBITS) continue;
            if (!fitsIn(offset, size, image.size())) return false;
            if (type == SHT_NOTE && size != 0) areas.push_back(noteArea(offset, size, u64(entry, 48)));
        }
    }
    return true;
}

std::optional<Identity> identityFromElf(const ElfImage& image) {
    const auto header = image.read(0, kHeaderSize);
    if (!header) return std::nullopt;
    const auto ident = [&](std::size_t i) { return std::to_integer<unsigned char>((*header)[i]); };
    if (ident(EI_MAG0) != ELFMAG0 || ident(EI_MAG1) != ELFMAG1 || ident(EI_MAG2) != ELFMAG2 ||
        ident(EI_MAG3) != ELFMAG3 || ident(EI_CLASS) != ELFCLASS64 || ident(EI_DATA) != ELFDATA2LSB ||
        ident(EI_VERSION) != EV_CURRENT)
        return std::nullopt;

    std::vector<NoteArea> areas;
    if (!collectNoteAreas(image, *header, areas)) return std::nullopt;

    // Whoever connects chooses the file, so the work it may cost is capped
    // before any note is read: a program of ours has a handful of small note
    // areas, and a file beyond the caps is nobody.
    if (areas.size() > kMaxNoteAreas) return std::nullopt;
    std::uint64_t noteBytes = 0;
    for (const NoteArea& area : areas) {
        if (area.size > kMaxNoteBytes - noteBytes) return std::nullopt;
        noteBytes += area.size;
    }

    // Segments come first, as the kernel sees them; the first identity
    // counts and the rest of the file is not read.
    for (const NoteArea& area : areas) {
        const auto notes = image.read(area.offset, area.size);
        if (!notes) return std::nullopt;
        std::optional<Identity> found;
        if (scanNotes(*notes, area.alignment, found) == Scan::malformed) return std::nullopt;
        if (found) return found;
    }
    return std::nullopt;
}

}  // namespace

std::optional<Identity> identityFromElfFile(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0) return std::nullopt;
    const auto readAt = [fd](std::uint64_t offset, std::span<std::byte> into) {
        std::size_t done = 0;
        while (done < into.size()) {
            const ssize_t got =
                ::pread(fd, into.data() + done, into.size() - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;  // an error, or the file shrank under us
            done += static_cast<std::size_t>(got);
        }
        return true;
    };
    return identityFromElf(ElfImage(static_cast<std::uint64_t>(status.st_size), readAt));
}

std::optional<Identity> identityFromElfImage(std::span<const std::byte> image) {
    return identityFromElf(ElfImage(image.size(), [image](std::uint64_t offset, std::span<std::byte> into) {
        // ElfImage::read has already checked the range against image.size().
        std::memcpy(into.data(), image.data() + offset, into.size());
        return true;
    }));
}

}  // namespace zephrane::codesign
