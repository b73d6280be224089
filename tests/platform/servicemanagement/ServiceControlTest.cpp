#include "platform/servicemanagement/ServiceControl.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include "ServiceTestSupport.hpp"
#include "platform/servicemanagement/ServiceStore.hpp"
#include "platform/servicemanagement/SystemServiceManager.hpp"

namespace zephrane::servicemanagement {
namespace {

using namespace testing;

constexpr const char* kPlist = "com.zephrane.Fanwarden.plist";
constexpr const char* kLabel = "com.zephrane.Fanwarden";

struct Outcome {
    int status = 0;
    std::string out;
    std::string err;
};

class ServiceControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        program_ = bundle_.installProgram(ZEPHRANE_ECHO_DAEMON, kLabel);
        bundle_.writePlist(kPlist, kLabel, "Contents/MacOS/com.zephrane.Fanwarden", {"com.zephrane.Fanwarden.xpc"});
    }
    std::filesystem::path root() const { return dir_.path() / "root"; }
    Outcome control(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--root", root().string()});
        std::ostringstream out;
        std::ostringstream err;
        const int status = runServiceControl(arguments, out, err);
        return {status, out.str(), err.str()};
    }
    Status status() { return manager_.daemonService(kPlist)->status(); }
    void registerDaemon() { ASSERT_EQ(manager_.daemonService(kPlist)->registerService(), std::nullopt); }

    TemporaryDirectory dir_;
    TestBundle bundle_{dir_.path()};
    std::filesystem::path program_;
    SystemServiceManager manager_{bundle_.path(), root()};
};

TEST_F(ServiceControlTest, ApproveStatusAndRevoke) {
    registerDaemon();
    EXPECT_EQ(control({"status"}).out, std::string(kLabel) + ": program \"" + program_.string() +
                                           "\", com.zephrane.Fanwarden.xpc: requiresApproval\n");

    const auto approved = control({"approve", kLabel});
    EXPECT_EQ(approved.status, 0) << approved.err;
    EXPECT_EQ(approved.out, "approved \"com.zephrane.Fanwarden\": runs \"" + program_.string() +
                                "\" as root on demand for com.zephrane.Fanwarden.xpc\n");
    EXPECT_EQ(status(), Status::enabled);
    EXPECT_NE(control({"status", kLabel}).out.find(": enabled"), std::string::npos);
    struct stat approvals{};
    ASSERT_EQ(::stat(ServiceStore(root()).approvalsDirectory().c_str(), &approvals), 0);
    EXPECT_EQ(approvals.st_mode & 07777, 0755U);

    EXPECT_EQ(control({"revoke", kLabel}).out, "revoked \"com.zephrane.Fanwarden\"\n");
    EXPECT_EQ(status(), Status::requiresApproval);
    EXPECT_EQ(control({"revoke", kLabel}).out, "\"com.zephrane.Fanwarden\" was not approved\n");
}

TEST_F(ServiceControlTest, RefusesProgramsOthersCouldHaveWritten) {
    registerDaemon();
    const auto macOS = program_.parent_path();
    const struct {
        const char* edge;
        std::filesystem::path path;
        mode_t mode;
        uid_t owner;
        std::string reason;
    } cases[] = {
        {"group-writable program", program_, 0775, 0, "writable by others"},
        {"world-writable program", program_, 0757, 0, "writable by others"},
        {"program owned by another user", program_, 0755, 12345, "owned by uid 12345"},
        {"world-writable folder above it", macOS, 0777, 0, "writable by others"},
        {"folder above it owned by another user", macOS, 0755, 12345, "owned by uid 12345"},
        {"program not executable", program_, 0644, 0, "not executable"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(::chmod(c.path.c_str(), c.mode), 0);
        ASSERT_EQ(::chown(c.path.c_str(), c.owner, 0), 0);
        const auto outcome = control({"approve", kLabel});
        EXPECT_EQ(outcome.status, 1) << c.edge;
        EXPECT_NE(outcome.err.find(c.reason), std::string::npos) << c.edge << ": " << outcome.err;
        EXPECT_EQ(status(), Status::requiresApproval) << c.edge;
        ASSERT_EQ(::chmod(c.path.c_str(), 0755), 0);
        ASSERT_EQ(::chown(c.path.c_str(), 0, 0), 0);
    }
    // A sticky world-writable folder (like /tmp) is fine: others cannot
    // replace what root put there.
    ASSERT_EQ(::chmod(macOS.c_str(), 01777), 0);
    EXPECT_EQ(control({"approve", kLabel}).status, 0);
    EXPECT_EQ(status(), Status::enabled);
}

TEST_F(ServiceControlTest, RefusesARegistrationThatDisagreesWithItsPropertyList) {
    registerDaemon();
    // The property list now names another program than the record does
    // (the record may have been forged, or is stale): register again first.
    bundle_.installProgram(ZEPHRANE_ECHO_DAEMON, "other");
    bundle_.writePlist(kPlist, kLabel, "Contents/MacOS/other", {"com.zephrane.Fanwarden.xpc"});
    const auto outcome = control({"approve", kLabel});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find("does not match its property list"), std::string::npos) << outcome.err;
    EXPECT_FALSE(ServiceStore(root()).approval(kLabel, TrustPolicy{}));

    const auto unknown = control({"approve", "com.example.none"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err, "zephrane-servicectl: \"com.example.none\" is not registered\n");
}

TEST_F(ServiceControlTest, UsageErrors) {
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {}, {"approve"}, {"approve", "a", "b"}, {"frobnicate", "a"}, {"status", "a", "b"}}) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(runServiceControl(arguments, out, err), 2) << ::testing::PrintToString(arguments);
        EXPECT_NE(err.str().find("usage:"), std::string::npos);
    }
    EXPECT_EQ(control({"approve", "../etc"}).status, 2);
}

TEST(ServiceControlPermissionTest, OnlyRootOrTheOwnerOfATestRoot) {
    TemporaryDirectory dir;
    const auto ownRoot = dir.path() / "mine";
    std::filesystem::create_directories(ownRoot);
    ASSERT_EQ(::chown(ownRoot.c_str(), 1000, 1000), 0);
    const struct {
        const char* edge;
        std::filesystem::path root;
        uid_t caller;
        bool allowed;
    } cases[] = {
        {"root on the real system", "/", 0, true},
        {"a user on the real system", "/", 1000, false},
        {"a user on a test root of their own", ownRoot, 1000, true},
        {"a user on someone else's test root", dir.path(), 1000, false},
        {"another user on a test root", ownRoot, 1001, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(!administrationRefusal(c.root, c.caller).has_value(), c.allowed) << c.edge;
}

}  // namespace
}  // namespace zephrane::servicemanagement
