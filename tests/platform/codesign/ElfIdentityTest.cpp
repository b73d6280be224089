#include "platform/codesign/ElfIdentity.hpp"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "CraftedElf.hpp"
#include "platform/codesign/CodeSigning.hpp"

namespace zephrane::codesign {
namespace {

using Bytes = std::vector<std::byte>;

const Identity kApp{"com.zephrane.app", "ZPHRN4B7Q2"};

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> chars{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    Bytes bytes(chars.size());
    std::memcpy(bytes.data(), chars.data(), chars.size());
    return bytes;
}

std::uint64_t get(const Bytes& b, std::size_t at, std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = width; i-- > 0;) value = (value << 8) | std::to_integer<std::uint64_t>(b[at + i]);
    return value;
}

void put(Bytes& b, std::size_t at, std::size_t width, std::uint64_t value) {
    for (std::size_t i = 0; i < width; ++i) b[at + i] = static_cast<std::byte>((value >> (8 * i)) & 0xff);
}

void append(Bytes& b, std::string_view text) {
    for (char c : text) b.push_back(static_cast<std::byte>(c));
}

std::size_t find(const Bytes& haystack, std::string_view needle) {
    Bytes pattern;
    append(pattern, needle);
    const auto at = std::search(haystack.begin(), haystack.end(), pattern.begin(), pattern.end());
    return at == haystack.end() ? std::string::npos : static_cast<std::size_t>(at - haystack.begin());
}

std::optional<Identity> identityOf(const Bytes& image) { return identityFromElfImage(image); }

// ---- The app's stand-in, a real -O2, gc-sectioned, stripped executable.

class RealExecutable : public ::testing::Test {
public:
    static void SetUpTestSuite() { original_ = new Bytes(readFile(PEER_APP_PATH)); }
    static void TearDownTestSuite() {
        delete original_;
        original_ = nullptr;
    }

    Bytes image_ = *original_;

    std::size_t programHeader(std::uint32_t type) const {
        const std::size_t table = get(image_, 32, 8), count = get(image_, 56, 2);
        for (std::size_t i = 0; i < count; ++i)
            if (get(image_, table + i * 56, 4) == type) return table + i * 56;
        return std::string::npos;
    }

    std::size_t sectionHeader(std::uint32_t type) const {
        const std::size_t table = get(image_, 40, 8), count = get(image_, 60, 2);
        for (std::size_t i = 0; i < count; ++i)
            if (get(image_, table + i * 64 + 4, 4) == type) return table + i * 64;
        return std::string::npos;
    }

    // Where our note's header starts: 12 bytes before its owner name.
    std::size_t note() const {
        return find(image_, std::string_view("Zephrane\0\0\0\0com.zephrane.app\0ZPHRN4B7Q2\0", 40)) - 12;
    }

    static inline Bytes* original_ = nullptr;
};

TEST_F(RealExecutable, IdentitySurvivesOptimisationGarbageCollectionAndStrip) {
    EXPECT_EQ(identityOf(image_), kApp);
    EXPECT_EQ(readEmbeddedIdentity(PEER_APP_PATH), kApp);
    EXPECT_EQ(readEmbeddedIdentity(PEER_INTRUDER_PATH), (Identity{"com.example.intruder", "EXMPL0000X"}));
    EXPECT_EQ(readEmbeddedIdentity(PEER_UNSIGNED_PATH), std::nullopt);
}

TEST_F(RealExecutable, LyingHeadersMakeItNobody) {
    const struct {
        const char* edge;
        std::function<void(RealExecutable&, Bytes&)> change;
        bool identityKept;
    } cases[] = {
        {"untouched", [](auto&, Bytes&) {}, true},
        {"no section headers: found through PT_NOTE",
         [](auto&, Bytes& b) {
             put(b, 40, 8, 0);
             put(b, 60, 2, 0);
             put(b, 62, 2, 0);
         },
         true},
        {"no program headers: found through the sections",
         [](auto&, Bytes& b) {
             put(b, 32, 8, 0);
             put(b, 56, 2, 0);
         },
         true},
        {"bad magic", [](auto&, Bytes& b) { b[1] = std::byte{'F'}; }, false},
        {"32-bit class", [](auto&, Bytes& b) { b[EI_CLASS] = std::byte{ELFCLASS32}; }, false},
        {"big-endian", [](auto&, Bytes& b) { b[EI_DATA] = std::byte{ELFDATA2MSB}; }, false},
        {"unknown version", [](auto&, Bytes& b) { b[EI_VERSION] = std::byte{2}; }, false},
        {"program headers at the end of the file", [](auto&, Bytes& b) { put(b, 32, 8, b.size()); }, false},
        {"program header offset wraps around", [](auto&, Bytes& b) { put(b, 32, 8, ~std::uint64_t{0} - 8); }, false},
        {"program header entry size lies", [](auto&, Bytes& b) { put(b, 54, 2, 32); }, false},
        {"extended program header count", [](auto&, Bytes& b) { put(b, 56, 2, PN_XNUM); }, false},
        {"section headers at the end of the file", [](auto&, Bytes& b) { put(b, 40, 8, b.size()); }, false},
        {"section count moved elsewhere", [](auto&, Bytes& b) { put(b, 60, 2, 0); }, false},
        {"section entry size lies", [](auto&, Bytes& b) { put(b, 58, 2, 40); }, false},
        {"note segment reaches past the end",
         [](auto& t, Bytes& b) { put(b, t.programHeader(PT_NOTE) + 32, 8, b.size()); }, false},
        {"note segment size wraps around",
         [](auto& t, Bytes& b) { put(b, t.programHeader(PT_NOTE) + 32, 8, ~std::uint64_t{0}); }, false},
        {"load segment starts past the end",
         [](auto& t, Bytes& b) { put(b, t.programHeader(PT_LOAD) + 8, 8, b.size() + 1); }, false},
        {"string table reaches past the end",
         [](auto& t, Bytes& b) { put(b, t.sectionHeader(SHT_STRTAB) + 32, 8, b.size()); }, false},
        {"note name size huge", [](auto& t, Bytes& b) { put(b, t.note(), 4, 0xffffffff); }, false},
        {"note descriptor size huge", [](auto& t, Bytes& b) { put(b, t.note() + 4, 4, 0xffffffff); }, false},
        {"descriptor cut before the team's end", [](auto& t, Bytes& b) { put(b, t.note() + 4, 4, 24); }, false},
        {"separator between identifier and team gone",
         [](auto& t, Bytes& b) { b[t.note() + 12 + 12 + 16] = std::byte{'.'}; }, false},
        {"control character in the identifier",
         [](auto& t, Bytes& b) { b[t.note() + 12 + 12 + 3] = std::byte{'\n'}; }, false},
        {"another note type: not ours", [](auto& t, Bytes& b) { put(b, t.note() + 8, 4, 2); }, false},
    };
    for (const auto& c : cases) {
        Bytes image = image_;
        c.change(*this, image);
        const auto identity = identityOf(image);
        EXPECT_EQ(identity.has_value(), c.identityKept) << c.edge;
        if (identity) {
            EXPECT_EQ(*identity, kApp) << c.edge;
        }
    }
}

// Any local user may connect, with a program shaped to make the check
// read and keep as much as it will; past the caps it is nobody at once.
TEST_F(RealExecutable, CraftedNoteTablesBeyondTheCapsMakeItNobody) {
    using crafted::Fill;
    std::size_t segments = 0;
    std::uint64_t segmentBytes = 0;
    const std::size_t table = get(image_, 32, 8), count = get(image_, 56, 2);
    for (std::size_t i = 0; i < count; ++i) {
        if (get(image_, table + i * 56, 4) != PT_NOTE) continue;
        ++segments;
        segmentBytes += get(image_, table + i * 56 + 32, 8);
    }
    ASSERT_GT(segments, 0u);
    const std::size_t sectionsLeft = kMaxNoteAreas - segments;
    const std::uint64_t bytesLeft = kMaxNoteBytes - segmentBytes;
    const struct {
        const char* edge;
        crafted::Shape shape;
        bool identityKept;
    } cases[] = {
        {"as many note sections as the caps allow", {sectionsLeft, 64, Fill::identityNotes}, true},
        {"one note section more", {sectionsLeft + 1, 64, Fill::identityNotes}, false},
        {"65278 note sections over one identity note", {65278, 64, Fill::identityNotes}, false},
        {"an area packed with identity notes", {1, bytesLeft - 1024, Fill::identityNotes}, true},
        {"a huge note up to the byte cap", {1, bytesLeft, Fill::hugeNote}, true},
        {"the same note four bytes longer", {1, bytesLeft + 4, Fill::hugeNote}, false},
        {"two huge notes, each within what one area may hold", {2, 40 * 1024, Fill::hugeNote}, false},
    };
    for (const auto& c : cases) {
        const auto identity = identityOf(crafted::craft(image_, c.shape));
        EXPECT_EQ(identity.has_value(), c.identityKept) << c.edge;
        if (identity) {
            EXPECT_EQ(*identity, kApp) << c.edge;
        }
    }
}

TEST_F(RealExecutable, EveryTruncationIsRefused) {
    // The section header table is the file's tail, so any cut reaches it.
    ASSERT_EQ(get(image_, 40, 8) + get(image_, 60, 2) * 64, image_.size());
    const std::size_t step = image_.size() > 64 * 1024 ? 97 : 1;  // sanitizer builds are large
    for (std::size_t length = 0; length < image_.size(); length += length < 4096 ? 1 : step)
        ASSERT_EQ(identityFromElfImage(std::span(image_).first(length)), std::nullopt) << "length " << length;
}

TEST_F(RealExecutable, CorruptedHeadersNeverCrashOrInventAnIdentity) {
    // Bytes flipped at random in the headers and notes, where the reader
    // looks; the sanitizer build turns any stray read into a failure.
    const std::size_t hot = std::min<std::size_t>(image_.size(), note() + 64);
    const std::size_t sectionTable = get(image_, 40, 8);
    std::mt19937_64 random(20240611);
    for (int round = 0; round < 3000; ++round) {
        Bytes image = image_;
        for (int flips = 1 + round % 4; flips > 0; --flips) {
            const bool inSections = random() % 4 == 0;
            const std::size_t at = inSections ? sectionTable + random() % (image.size() - sectionTable)
                                              : random() % hot;
            image[at] = static_cast<std::byte>(random() & 0xff);
        }
        const auto identity = identityOf(image);
        if (identity) {
            // A flip inside the texts can still leave a well-formed note.
            EXPECT_EQ(identity->identifier.size(), kApp.identifier.size()) << "round " << round;
            EXPECT_EQ(identity->teamIdentifier.size(), kApp.teamIdentifier.size()) << "round " << round;
        }
    }
}

// ---- Small synthetic files: one PT_NOTE segment holding the notes given.

Bytes noteBytes(std::string_view name, std::uint32_t type, std::string_view desc, std::size_t alignment = 4) {
    const auto pad = [&](Bytes& b) {
        while (b.size() % alignment != 0) b.push_back(std::byte{0});
    };
    Bytes b(12);
    put(b, 0, 4, name.size());
    put(b, 4, 4, desc.size());
    put(b, 8, 4, type);
    append(b, name);
    pad(b);
    append(b, desc);
    pad(b);
    return b;
}

Bytes ours(std::string_view desc, std::size_t alignment = 4) {
    return noteBytes(std::string_view("Zephrane", 9), 1, desc, alignment);
}

Bytes elfWithNotes(const std::vector<Bytes>& notes, std::uint64_t alignment = 4) {
    constexpr std::size_t kNotesAt = 64 + 56;  // after the file header and one program header
    std::size_t areaSize = 0;
    for (const auto& n : notes) areaSize += n.size();
    Bytes b(kNotesAt + areaSize);
    std::memcpy(b.data(), ELFMAG, SELFMAG);
    b[EI_CLASS] = std::byte{ELFCLASS64};
    b[EI_DATA] = std::byte{ELFDATA2LSB};
    b[EI_VERSION] = std::byte{EV_CURRENT};
    put(b, 16, 2, ET_EXEC);
    put(b, 32, 8, 64);  // e_phoff
    put(b, 52, 2, 64);  // e_ehsize
    put(b, 54, 2, 56);  // e_phentsize
    put(b, 56, 2, 1);   // e_phnum
    put(b, 64, 4, PT_NOTE);
    put(b, 64 + 8, 8, kNotesAt);   // p_offset
    put(b, 64 + 32, 8, areaSize);  // p_filesz
    put(b, 64 + 48, 8, alignment);
    auto at = b.begin() + kNotesAt;
    for (const auto& n : notes) at = std::copy(n.begin(), n.end(), at);
    return b;
}

const std::string_view kAppDesc("com.zephrane.app\0ZPHRN4B7Q2\0", 28);

TEST(ElfIdentityNotes, OnlyOneWellFormedIdentityCounts) {
    const Bytes buildId = noteBytes(std::string_view("GNU", 4), NT_GNU_BUILD_ID, "0123456789abcdef0123");
    const std::string longest(255, 'x');
    const struct {
        const char* edge;
        Bytes image;
        std::optional<Identity> identity;
    } cases[] = {
        {"alone", elfWithNotes({ours(kAppDesc)}), kApp},
        {"after another owner's note", elfWithNotes({buildId, ours(kAppDesc)}), kApp},
        // A 5-byte owner name pads differently at 4 and at 8: read with the
        // wrong alignment, our note would not be found where it is.
        {"8-aligned segment",
         elfWithNotes({noteBytes(std::string_view("ABCD", 5), 5, "1234", 8), ours(kAppDesc, 8)}, 8), kApp},
        {"the same identity twice", elfWithNotes({ours(kAppDesc), ours(kAppDesc)}), kApp},
        // The reader stops at the first; what follows is never read.
        {"a second, other identity",
         elfWithNotes({ours(kAppDesc), ours(std::string_view("com.evil\0ZPHRN4B7Q2\0", 20))}), kApp},
        {"no note of ours", elfWithNotes({buildId}), std::nullopt},
        {"owner name without its NUL", elfWithNotes({noteBytes("Zephrane", 1, kAppDesc)}), std::nullopt},
        {"texts of 255 bytes", elfWithNotes({ours(longest + '\0' + longest + '\0')}), Identity{longest, longest}},
        {"identifier of 256 bytes", elfWithNotes({ours(longest + "x" + '\0' + "T" + '\0')}), std::nullopt},
        {"empty identifier", elfWithNotes({ours(std::string_view("\0ZPHRN4B7Q2\0", 12))}), std::nullopt},
        {"empty team", elfWithNotes({ours(std::string_view("com.zephrane.app\0\0", 18))}), std::nullopt},
        {"a third text", elfWithNotes({ours(std::string_view("a\0b\0c\0", 6))}), std::nullopt},
        {"team without its NUL", elfWithNotes({ours(std::string_view("com.zephrane.app\0ZPHRN4B7Q2", 27))}),
         std::nullopt},
        {"bytes shorter than a note header", elfWithNotes({Bytes(8)}), std::nullopt},
        {"the same after the identity, never read", elfWithNotes({ours(kAppDesc), Bytes(8)}), kApp},
        {"note area larger than any of ours",
         elfWithNotes({ours(kAppDesc), noteBytes("X", 1, std::string(70000, 'x'))}), std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(identityOf(c.image), c.identity) << c.edge;
}

// ---- Files that are not executables at all.

class ScratchDirectory {
public:
    ScratchDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "codesign-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~ScratchDirectory() { std::filesystem::remove_all(path_); }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

TEST(ElfIdentityFiles, WhatIsNoExecutableHasNoIdentity) {
    const ScratchDirectory scratch;
    std::ofstream(scratch / "empty");
    std::ofstream(scratch / "text") << "#!/bin/sh\necho hello\n";
    ASSERT_EQ(::mkfifo((scratch / "fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(scratch / "directory");

    EXPECT_EQ(readEmbeddedIdentity((scratch / "missing").string()), std::nullopt);
    EXPECT_EQ(readEmbeddedIdentity((scratch / "empty").string()), std::nullopt);
    EXPECT_EQ(readEmbeddedIdentity((scratch / "text").string()), std::nullopt);
    EXPECT_EQ(readEmbeddedIdentity((scratch / "fifo").string()), std::nullopt);  // and does not wait for a writer
    EXPECT_EQ(readEmbeddedIdentity((scratch / "directory").string()), std::nullopt);
    EXPECT_EQ(readEmbeddedIdentity("/proc/self/exe"), std::nullopt);  // this test embeds none
}

TEST(ElfIdentityFiles, ReadsThroughTheDescriptorWithoutMovingIt) {
    const int fd = ::open(PEER_APP_PATH, O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::lseek(fd, 5, SEEK_SET), 5);
    EXPECT_EQ(identityFromElfFile(fd), kApp);
    EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), 5);
    ::close(fd);
    EXPECT_EQ(identityFromElfFile(-1), std::nullopt);
}

}  // namespace
}  // namespace zephrane::codesign
