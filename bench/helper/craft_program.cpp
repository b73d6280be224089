// Writes a copy of a program crafted to make the peer check work hard
// (tests/platform/codesign/CraftedElf.hpp), for crafted_peers.sh, which runs
// such copies against the real daemon.
//
// Usage: zephrane_bench_craft_program <program> <output> <sections> <area bytes> identity|huge
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "CraftedElf.hpp"

int main(int argc, char** argv) {
    namespace crafted = zephrane::codesign::crafted;
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s <program> <output> <sections> <area bytes> identity|huge\n", argv[0]);
        return 2;
    }
    const std::string fill = argv[5];
    if (fill != "identity" && fill != "huge") {
        std::fprintf(stderr, "the fill is \"identity\" or \"huge\", not \"%s\"\n", argv[5]);
        return 2;
    }
    try {
        const crafted::Shape shape{std::strtoull(argv[3], nullptr, 10), std::strtoull(argv[4], nullptr, 10),
                                   fill == "identity" ? crafted::Fill::identityNotes : crafted::Fill::hugeNote};
        crafted::writeProgram(argv[2], crafted::craft(crafted::readFile(argv[1]), shape));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
