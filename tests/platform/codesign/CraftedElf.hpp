// Executables crafted the way a hostile local user would to make the peer
// check work hard: a real program, which still runs (the kernel loads it by
// its program headers alone), given a new section header table whose note
// sections all point at one note area appended to the file. A 4 MiB table of
// 65535 entries over one 64 KiB area makes a reader that trusts the sections
// read 4 GiB; an area packed with identity notes makes one that collects
// every identity hold millions of them.
//
// Used by the code-signing tests, the daemon's end-to-end tests and the
// peer-check benchmark.
#pragma once

#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zephrane::codesign::crafted {

using Bytes = std::vector<std::byte>;

// The app's identity as a note descriptor: "<identifier>\0<team>\0".
inline constexpr std::string_view kAppDescriptor{"com.zephrane.app\0ZPHRN4B7Q2\0", 28};

enum class Fill {
    identityNotes,  // the area packed with copies of an identity note
    hugeNote,       // one note of another owner filling the area
};

struct Shape {
    std::size_t sections = 0;   // note sections, all over the same area
    std::size_t areaBytes = 0;  // size of that area
    Fill fill = Fill::identityNotes;
};

inline void putLittle(Bytes& b, std::size_t at, std::size_t width, std::uint64_t value) {
    for (std::size_t i = 0; i < width; ++i) b[at + i] = static_cast<std::byte>((value >> (8 * i)) & 0xff);
}

inline Bytes note(std::string_view name, std::uint32_t type, std::size_t descSize, std::string_view desc) {
    const auto aligned = [](std::size_t n) { return (n + 3) & ~std::size_t{3}; };
    Bytes b(12 + aligned(name.size()) + aligned(descSize));
    putLittle(b, 0, 4, name.size());
    putLittle(b, 4, 4, descSize);
    putLittle(b, 8, 4, type);
    std::memcpy(b.data() + 12, name.data(), name.size());
    if (!desc.empty()) std::memcpy(b.data() + 12 + aligned(name.size()), desc.data(), std::min(desc.size(), descSize));
    return b;
}

inline Bytes noteArea(const Shape& shape, std::string_view identityDescriptor) {
    Bytes area;
    if (shape.fill == Fill::hugeNote) {
        const std::size_t descSize = shape.areaBytes >= 16 ? shape.areaBytes - 16 : 0;  // 12 + "Big\0"
        area = note(std::string_view("Big", 4), 1, descSize, {});
    } else {
        const Bytes one = note(std::string_view("Zephrane", 9), 1, identityDescriptor.size(), identityDescriptor);
        while (area.size() + one.size() <= shape.areaBytes) area.insert(area.end(), one.begin(), one.end());
    }
    return area;
}

// `executable` (an ELF64 little-endian program) with the crafted notes and
// section table appended and its header pointed at them.
inline Bytes craft(Bytes executable, const Shape& shape, std::string_view identityDescriptor = kAppDescriptor) {
    if (shape.sections == 0 || shape.sections > 0xfefe) throw std::invalid_argument("1 to 65278 sections");
    while (executable.size() % 8 != 0) executable.push_back(std::byte{0});
    const std::size_t areaAt = executable.size();
    const Bytes area = noteArea(shape, identityDescriptor);
    executable.insert(executable.end(), area.begin(), area.end());
    while (executable.size() % 8 != 0) executable.push_back(std::byte{0});

    const std::size_t tableAt = executable.size();
    executable.resize(tableAt + (shape.sections + 1) * 64);  // entry 0 is the null section
    for (std::size_t i = 1; i <= shape.sections; ++i) {
        const std::size_t entry = tableAt + i * 64;
        putLittle(executable, entry + 4, 4, 7);          // sh_type: SHT_NOTE
        putLittle(executable, entry + 24, 8, areaAt);    // sh_offset
        putLittle(executable, entry + 32, 8, area.size());  // sh_size
        putLittle(executable, entry + 48, 8, 4);         // sh_addralign
    }
    putLittle(executable, 40, 8, tableAt);             // e_shoff
    putLittle(executable, 58, 2, 64);                  // e_shentsize
    putLittle(executable, 60, 2, shape.sections + 1);  // e_shnum
    putLittle(executable, 62, 2, 0);                   // e_shstrndx: none
    return executable;
}

inline Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> chars{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    Bytes bytes(chars.size());
    std::memcpy(bytes.data(), chars.data(), chars.size());
    return bytes;
}

// Writes the crafted program with `mode`; the caller decides its owner.
inline void writeProgram(const std::filesystem::path& path, const Bytes& bytes, mode_t mode = 0755) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) throw std::runtime_error("cannot write " + path.string());
    }
    if (::chmod(path.c_str(), mode) != 0) throw std::runtime_error("cannot chmod " + path.string());
}

}  // namespace zephrane::codesign::crafted
