#include "platform/codesign/LoadedCode.hpp"

#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

namespace zephrane::codesign {
namespace {

using namespace std::string_view_literals;

// The shape of a real maps file, cut down: a program, its libraries (each
// mapped several times, executable once), anonymous memory, the kernel's
// own mappings, and what an injector leaves.
constexpr std::string_view kMaps =
    "55fe8986d000-55fe89891000 r-xp 00004000 fe:00 247476                     /usr/bin/app\n"
    "55fe89891000-55fe898a0000 r--p 00028000 fe:00 247476                     /usr/bin/app\n"
    "55fe8a000000-55fe8a021000 rw-p 00000000 00:00 0                          [heap]\n"
    "7febc1368000-7febc138e000 r--p 00000000 fe:00 332835                     /usr/lib/libc.so.6\n"
    "7febc138e000-7febc14e4000 r-xp 00026000 fe:00 332835                     /usr/lib/libc.so.6\n"
    "7febc1500000-7febc1510000 rwxp 00000000 00:00 0 \n"
    "7febc1520000-7febc1521000 r-xp 00000000 103:02 77                        /home/m/my lib.so\n"
    "7febc1530000-7febc1531000 r-xp 00000000 00:01 4242                       /memfd:x (deleted)\n"
    "7febc1540000-7febc1541000 r-xp 00001000 103:02 77                        /home/m/my lib.so\n"
    "00400000-00452000 r-xp 00000000 fe:00 1313                               /usr/bin/fixed\n"
    "7febc15f9000-7febc15fb000 r-xp 00000000 00:00 0                          [vdso]\n"
    "ffffffffff600000-ffffffffff601000 --xp 00000000 00:00 0                  [vsyscall]\n";

TEST(LoadedCode, EveryFileMappedExecutableIsListedOnce) {
    const auto mappings = executableMappings(kMaps);
    ASSERT_TRUE(mappings.has_value());
    const std::vector<ExecutableMapping> expected{
        {"55fe8986d000-55fe89891000", 0xfe, 0x00, 247476, "/usr/bin/app"},
        {"7febc138e000-7febc14e4000", 0xfe, 0x00, 332835, "/usr/lib/libc.so.6"},
        {"7febc1520000-7febc1521000", 0x103, 0x02, 77, "/home/m/my lib.so"},
        {"7febc1530000-7febc1531000", 0x00, 0x01, 4242, "/memfd:x (deleted)"},
        // map_files names it without the zeros maps pads it with
        {"400000-452000", 0xfe, 0x00, 1313, "/usr/bin/fixed"},
    };
    EXPECT_EQ(*mappings, expected);
}

TEST(LoadedCode, ALineThatIsNoMapsLineMakesTheWholeMapUnusable) {
    const struct {
        const char* edge;
        std::string_view line;
    } cases[] = {
        {"no device", "7f00-7f01 r-xp 00000000 77 /lib/x.so\n"},
        {"a device that is no number", "7f00-7f01 r-xp 00000000 zz:00 77 /lib/x.so\n"},
        {"an inode that is no number", "7f00-7f01 r-xp 00000000 fe:00 seven /lib/x.so\n"},
        {"no range", "r-xp 00000000 fe:00 77 /lib/x.so\n"},
        {"a range that is no number", "7f00-7fzz r-xp 00000000 fe:00 77 /lib/x.so\n"},
        {"half a range", "7f00- r-xp 00000000 fe:00 77 /lib/x.so\n"},
        {"short permissions", "7f00-7f01 r-x 00000000 fe:00 77 /lib/x.so\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(executableMappings(c.line), std::nullopt) << c.edge;
        EXPECT_EQ(executableMappings(std::string(kMaps) + std::string(c.line)), std::nullopt) << c.edge;
    }
    EXPECT_EQ(executableMappings(""), std::vector<ExecutableMapping>{});
}

TEST(LoadedCode, OnlyLoaderVariablesWithAValueCount) {
    const struct {
        const char* edge;
        std::string_view environment;
        std::vector<std::string> found;
    } cases[] = {
        {"none", "HOME=/root\0PATH=/bin\0"sv, {}},
        {"a preload", "HOME=/root\0LD_PRELOAD=/tmp/x.so\0"sv, {"LD_PRELOAD"}},
        {"an audit library, last and unterminated", "A=1\0LD_AUDIT=/tmp/a.so"sv, {"LD_AUDIT"}},
        {"both, one twice", "LD_AUDIT=a\0LD_PRELOAD=b\0LD_PRELOAD=c\0"sv, {"LD_AUDIT", "LD_PRELOAD"}},
        {"set to nothing: loads nothing", "LD_PRELOAD=\0"sv, {}},
        {"a name that only starts alike", "LD_PRELOADED=x\0XLD_PRELOAD=y\0"sv, {}},
        {"other loader variables", "LD_LIBRARY_PATH=/opt\0LD_BIND_NOW=1\0"sv, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(injectionVariables(c.environment), c.found) << c.edge;
}

TEST(LoadedCode, OfThisProcessNamesItsExecutableAndItsLibraries) {
    const LoadedCode code = loadedCodeOf(::getpid());
    ASSERT_EQ(code.unreadable, std::nullopt);
    const auto self = std::filesystem::read_symlink("/proc/self/exe").string();
    const auto named = [&](std::string_view part) {
        return std::any_of(code.files.begin(), code.files.end(),
                           [&](const LoadedFile& f) { return f.path.find(part) != std::string::npos && f.current; });
    };
    EXPECT_TRUE(named(self));
    EXPECT_TRUE(named("libc.so"));
    EXPECT_TRUE(code.injectionVariables.empty());

    EXPECT_TRUE(loadedCodeOf(0).unreadable.has_value());
}

}  // namespace
}  // namespace zephrane::codesign
