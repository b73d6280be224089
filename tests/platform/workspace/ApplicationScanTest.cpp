#include "platform/workspace/ApplicationScan.hpp"

#include <algorithm>

#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/platform/workspace/ProcFixture.hpp"

namespace zephrane::workspace {

void PrintTo(const RunningApplication& application, std::ostream* out) {
    *out << application.executablePath << " [" << application.bundleIdentifier.value_or("no identifier") << "]";
}

namespace {

using testing::ProcFixture;

const std::uint32_t kMe = static_cast<std::uint32_t>(::geteuid());

ApplicationIdentifiers identifiers() {
    return ApplicationIdentifiers::parse(R"({"blender": "org.blenderfoundation.blender",
                                             "resolve": "com.blackmagic-design.DaVinciResolve"})");
}

TEST(ApplicationScanTest, OneApplicationPerExecutableInOrderOfItsLowestProcess) {
    ProcFixture proc("scan");
    proc.addProcess(4100, "/opt/blender/blender", "blender");
    proc.addProcess(1, "/usr/lib/systemd/systemd", "systemd");
    proc.addProcess(4099, "/opt/blender/blender", "blender");  // a second process of the same application
    proc.addProcessWithoutExecutable(2, "kthreadd");
    proc.addProcessWithoutExecutable(4500, "");  // exited between the listing and the read
    proc.addProcess(300, "/usr/bin/python3", "blender");  // a name is not an executable
    proc.addProcess(301, "/opt/resolve/bin/resolve (deleted)", "resolve");  // replaced on disk while running
    proc.addProcess(302, "/home/me/bin/HandBrakeCLI-with-a-long-name", "HandBrakeCLI-wi");
    std::ofstream(proc.root() / "77") << "a file, not a process\n";

    const std::vector<RunningApplication> expected = {
        {"/usr/lib/systemd/systemd", std::nullopt},
        {"/usr/bin/python3", std::nullopt},
        {"/opt/resolve/bin/resolve", "com.blackmagic-design.DaVinciResolve"},
        {"/home/me/bin/HandBrakeCLI-with-a-long-name", std::nullopt},
        {"/opt/blender/blender", "org.blenderfoundation.blender"},
    };
    EXPECT_EQ(scanApplications(proc.rootText(), kMe, identifiers()), expected);
}

TEST(ApplicationScanTest, OnlyTheUsersOwnProcessesAreApplications) {
    ProcFixture proc("owner");
    proc.addProcess(10, "/opt/blender/blender");
    EXPECT_EQ(scanApplications(proc.rootText(), kMe, identifiers()).size(), 1u);
    EXPECT_TRUE(scanApplications(proc.rootText(), kMe + 1, identifiers()).empty());
}

TEST(ApplicationScanTest, AMissingProcRootHasNoApplications) {
    EXPECT_TRUE(scanApplications("/nonexistent/proc", kMe, identifiers()).empty());
}

TEST(ApplicationScanTest, FindsThisProcessInTheRealProc) {
    const auto applications = scanApplications("/proc", kMe, identifiers());
    const auto self = std::filesystem::read_symlink("/proc/self/exe").string();
    EXPECT_NE(std::find_if(applications.begin(), applications.end(),
                           [&](const RunningApplication& application) { return application.executablePath == self; }),
              applications.end());
}

TEST(ApplicationScanTest, ChangesComparePathsAndKeepEachListsOrder) {
    const RunningApplication shell{"/bin/sh", std::nullopt};
    const RunningApplication blender{"/opt/blender/blender", "org.blenderfoundation.blender"};
    const RunningApplication resolve{"/opt/resolve/bin/resolve", "com.blackmagic-design.DaVinciResolve"};
    const RunningApplication editor{"/usr/bin/editor", std::nullopt};
    struct Case {
        const char* edge;
        std::vector<RunningApplication> before;
        std::vector<RunningApplication> after;
        ApplicationChanges expected;
    };
    const Case cases[] = {
        {"nothing moved", {shell, blender}, {shell, blender}, {}},
        {"reordered is not a change", {shell, blender}, {blender, shell}, {}},
        {"launches in the new scan's order", {shell}, {resolve, shell, blender}, {{resolve, blender}, {}}},
        {"terminations in the old scan's order", {blender, shell, resolve}, {shell}, {{}, {blender, resolve}}},
        {"both at once", {shell, blender}, {shell, editor}, {{editor}, {blender}}},
        {"from nothing", {}, {shell}, {{shell}, {}}},
        {"to nothing", {shell}, {}, {{}, {shell}}},
        {"same path, other identifier: the same application",
         {blender},
         {{"/opt/blender/blender", std::nullopt}},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        const auto changes = diffApplications(c.before, c.after);
        EXPECT_EQ(changes.launched, c.expected.launched);
        EXPECT_EQ(changes.terminated, c.expected.terminated);
    }
}

}  // namespace
}  // namespace zephrane::workspace
