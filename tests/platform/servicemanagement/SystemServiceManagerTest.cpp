#include "platform/servicemanagement/SystemServiceManager.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <future>
#include <thread>

#include "ServiceTestSupport.hpp"
#include "platform/servicemanagement/ServiceStore.hpp"
#include "shared/ThreadJoiner.hpp"

namespace zephrane::servicemanagement {
namespace {

using namespace testing;

constexpr const char* kPlist = "com.zephrane.Fanwarden.plist";
constexpr const char* kLabel = "com.zephrane.Fanwarden";
constexpr const char* kProgram = "Contents/MacOS/com.zephrane.Fanwarden";
constexpr const char* kService = "com.zephrane.Fanwarden.xpc";

// A bundle carrying a daemon, a system root beside it, and the manager.
class SystemServiceManagerTest : public ::testing::Test {
protected:
    std::filesystem::path root() const { return dir_.path() / "root"; }
    ServiceStore store() const { return ServiceStore(root()); }
    std::filesystem::path installDaemon() const {
        const auto program = bundle_.installProgram(ZEPHRANE_ECHO_DAEMON, kLabel);
        bundle_.writePlist(kPlist, kLabel, kProgram, {kService});
        return program;
    }
    Status status() { return manager_->daemonService(kPlist)->status(); }
    std::optional<Error> registerDaemon() { return manager_->daemonService(kPlist)->registerService(); }
    std::optional<Error> unregisterDaemon() {
        std::promise<std::optional<Error>> done;
        manager_->daemonService(kPlist)->unregisterService([&](std::optional<Error> error) { done.set_value(error); });
        auto result = done.get_future();
        EXPECT_EQ(result.wait_for(kGenerousDeadline), std::future_status::ready);
        return result.get();
    }

    TemporaryDirectory dir_;
    TestBundle bundle_{dir_.path()};
    std::unique_ptr<SystemServiceManager> manager_ = std::make_unique<SystemServiceManager>(bundle_.path(), root());
};

TEST_F(SystemServiceManagerTest, StatusFollowsRegistrationApprovalAndUnregistration) {
    EXPECT_EQ(status(), Status::notFound);
    installDaemon();
    EXPECT_EQ(status(), Status::notRegistered);

    ASSERT_EQ(registerDaemon(), std::nullopt);
    EXPECT_EQ(status(), Status::requiresApproval);
    const auto record = store().registration(kLabel);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->plist, bundle_.plistPath(kPlist).string());
    EXPECT_EQ(record->program, (bundle_.path() / kProgram).string());
    EXPECT_EQ(record->machServices, std::vector<std::string>{kService});

    approveForTest(root(), kLabel);
    EXPECT_EQ(status(), Status::enabled);

    EXPECT_EQ(unregisterDaemon(), std::nullopt);
    EXPECT_EQ(status(), Status::notRegistered);
    EXPECT_FALSE(store().registration(kLabel));

    // The same program registered again needs no second approval, but is a
    // new registration (the launchd stand-in restarts the daemon for it).
    ASSERT_EQ(registerDaemon(), std::nullopt);
    EXPECT_EQ(status(), Status::enabled);
    EXPECT_NE(store().registration(kLabel)->registrationID, record->registrationID);
}

TEST_F(SystemServiceManagerTest, ApprovalNoLongerHoldsWhenTheProgramChanges) {
    const auto program = installDaemon();
    ASSERT_EQ(registerDaemon(), std::nullopt);
    approveForTest(root(), kLabel);
    ASSERT_EQ(status(), Status::enabled);

    // Made writable by others after approval: anyone could now change what root runs.
    for (const auto mode : {0775, 0757}) {
        ::chmod(program.c_str(), static_cast<mode_t>(mode));
        EXPECT_EQ(status(), Status::requiresApproval) << std::oct << mode;
    }
    ::chmod(program.c_str(), 0755);
    EXPECT_EQ(status(), Status::enabled);

    // Another program path registered: the approval was for the old one.
    bundle_.installProgram(ZEPHRANE_ECHO_DAEMON, "other");
    bundle_.writePlist(kPlist, kLabel, "Contents/MacOS/other", {kService});
    ASSERT_EQ(registerDaemon(), std::nullopt);
    EXPECT_EQ(status(), Status::requiresApproval);
}

TEST_F(SystemServiceManagerTest, RegisterFailuresSayWhatIsWrong) {
    const struct {
        const char* edge;
        std::string plistName;
        std::string plist;  // written unless empty
        std::int64_t code;
        std::string mentions;
    } cases[] = {
        {"no property list", kPlist, "", kSMErrorJobPlistNotFound, kPlist},
        {"name leaving the folder", "../../MacOS/x.plist", "", kSMErrorJobPlistNotFound, "x.plist"},
        {"garbage", kPlist, "not a plist", kSMErrorInvalidPlist, "invalid property list"},
        {"no program", kPlist,
         "<plist><dict><key>Label</key><string>a</string><key>MachServices</key><dict><key>a.xpc</key><true/></dict>"
         "</dict></plist>",
         kSMErrorInvalidPlist, "names no program"},
        {"missing program", kPlist,
         "<plist><dict><key>Label</key><string>a</string><key>BundleProgram</key><string>Contents/MacOS/none</string>"
         "<key>MachServices</key><dict><key>a.xpc</key><true/></dict></dict></plist>",
         kSMErrorInvalidPlist, "Contents/MacOS/none"},
        {"program outside the bundle", kPlist,
         "<plist><dict><key>Label</key><string>a</string><key>BundleProgram</key><string>../../bin/sh</string>"
         "<key>MachServices</key><dict><key>a.xpc</key><true/></dict></dict></plist>",
         kSMErrorInvalidPlist, "leaves the bundle"},
        {"no Mach service", kPlist,
         "<plist><dict><key>Label</key><string>a</string><key>Program</key><string>/bin/sh</string></dict></plist>",
         kSMErrorInvalidPlist, "MachServices"},
        {"label with a slash", kPlist,
         "<plist><dict><key>Label</key><string>../a</string><key>Program</key><string>/bin/sh</string>"
         "<key>MachServices</key><dict><key>a.xpc</key><true/></dict></dict></plist>",
         kSMErrorInvalidPlist, "Label"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(bundle_.plistPath(kPlist));
        if (!c.plist.empty()) bundle_.writeRawPlist(kPlist, c.plist);
        const auto error = manager_->daemonService(c.plistName)->registerService();
        ASSERT_TRUE(error) << c.edge;
        EXPECT_EQ(error->domain, kErrorDomain) << c.edge;
        EXPECT_EQ(error->code, c.code) << c.edge;
        EXPECT_NE(error->description.find(c.mentions), std::string::npos) << c.edge << ": " << error->description;
        EXPECT_TRUE(store().registrations().empty()) << c.edge;
    }
}

TEST_F(SystemServiceManagerTest, RegisterFailsWhenTheStateCannotBeWritten) {
    installDaemon();
    // Tests run as root, whom permissions do not stop: a file where the
    // directory should be does.
    std::filesystem::create_directories(store().stateDirectory());
    std::ofstream(store().registrationsDirectory()) << "in the way";
    const auto error = registerDaemon();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, kSMErrorInternalFailure);
    EXPECT_NE(error->description.find("registrations"), std::string::npos) << error->description;
    EXPECT_EQ(status(), Status::notRegistered);
}

TEST_F(SystemServiceManagerTest, DamagedRecordsCountAsNoneAndNeverCrash) {
    installDaemon();
    const auto record = store().registrationsDirectory() / (std::string(kLabel) + ".json");
    const struct {
        const char* edge;
        std::string content;
    } cases[] = {
        {"empty", ""},
        {"binary garbage", std::string("\x00\xff\xfe{\"", 5)},
        {"truncated JSON", "{\"label\": \"com.zephrane.Fanwarden\", \"plist\": "},
        {"an array", "[1, 2, 3]"},
        {"wrong label", "{\"label\": \"other\", \"plist\": \"p\", \"program\": \"/bin/sh\", \"machServices\": [\"a\"], "
                        "\"registrationID\": \"1\"}"},
        {"services not strings", "{\"label\": \"com.zephrane.Fanwarden\", \"plist\": \"p\", \"program\": \"/bin/sh\", "
                                 "\"machServices\": [1], \"registrationID\": \"1\"}"},
        {"no services", "{\"label\": \"com.zephrane.Fanwarden\", \"plist\": \"p\", \"program\": \"/bin/sh\", "
                        "\"machServices\": [], \"registrationID\": \"1\"}"},
        {"too large", std::string(100000, ' ')},
    };
    for (const auto& c : cases) {
        std::filesystem::create_directories(record.parent_path());
        std::ofstream(record, std::ios::trunc | std::ios::binary) << c.content;
        EXPECT_EQ(status(), Status::notRegistered) << c.edge;
        EXPECT_FALSE(store().registration(kLabel)) << c.edge;
    }
    // Neither a FIFO (which would block a reader) nor a symbolic link to a good record.
    std::filesystem::remove(record);
    ASSERT_EQ(::mkfifo(record.c_str(), 0644), 0);
    EXPECT_EQ(status(), Status::notRegistered);
    std::filesystem::remove(record);
    ASSERT_EQ(registerDaemon(), std::nullopt);
    std::filesystem::rename(record, record.parent_path() / "real");
    std::filesystem::create_symlink(record.parent_path() / "real", record);
    EXPECT_EQ(status(), Status::notRegistered);

    // Damaged approvals are no approvals.
    std::filesystem::remove(record);
    ASSERT_EQ(registerDaemon(), std::nullopt);
    approveForTest(root(), kLabel);
    ASSERT_EQ(status(), Status::enabled);
    std::ofstream(store().approvalsDirectory() / (std::string(kLabel) + ".json"), std::ios::trunc) << "{";
    EXPECT_EQ(status(), Status::requiresApproval);
}

TEST_F(SystemServiceManagerTest, ApprovalsAreBelievedOnlyWhereOnlyRootCanWrite) {
    installDaemon();
    ASSERT_EQ(registerDaemon(), std::nullopt);
    approveForTest(root(), kLabel);
    ASSERT_EQ(status(), Status::enabled);
    const auto approval = store().approvalsDirectory() / (std::string(kLabel) + ".json");

    ::chmod(store().approvalsDirectory().c_str(), 0777);
    EXPECT_EQ(status(), Status::requiresApproval) << "world-writable approvals directory";
    ::chmod(store().approvalsDirectory().c_str(), 0755);
    ::chmod(approval.c_str(), 0666);
    EXPECT_EQ(status(), Status::requiresApproval) << "world-writable approval";
    ::chmod(approval.c_str(), 0644);
    ASSERT_EQ(::chown(approval.c_str(), 12345, 12345), 0);
    EXPECT_EQ(status(), Status::requiresApproval) << "approval owned by someone else";
    ASSERT_EQ(::chown(approval.c_str(), 0, 0), 0);
    ::chmod(store().stateDirectory().c_str(), 0777);
    EXPECT_EQ(status(), Status::requiresApproval) << "world-writable directory above";
    ::chmod(store().stateDirectory().c_str(), 0755);
    EXPECT_EQ(status(), Status::enabled);
}

TEST_F(SystemServiceManagerTest, AnotherCopyOfTheAppHoldsItsOwnRegistration) {
    installDaemon();
    TestBundle other(dir_.path() / "elsewhere");
    other.installProgram(ZEPHRANE_ECHO_DAEMON, kLabel);
    other.writePlist(kPlist, kLabel, kProgram, {kService});
    SystemServiceManager otherManager(other.path(), root());
    ASSERT_EQ(otherManager.daemonService(kPlist)->registerService(), std::nullopt);
    approveForTest(root(), kLabel);
    ASSERT_EQ(otherManager.daemonService(kPlist)->status(), Status::enabled);

    // Not ours: we are not registered, and cannot unregister the other copy.
    EXPECT_EQ(status(), Status::notRegistered);
    const auto error = unregisterDaemon();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, kSMErrorJobNotFound);
    EXPECT_EQ(otherManager.daemonService(kPlist)->status(), Status::enabled);

    // Registering this copy takes the label over and needs a new approval.
    ASSERT_EQ(registerDaemon(), std::nullopt);
    EXPECT_EQ(status(), Status::requiresApproval);
    EXPECT_EQ(otherManager.daemonService(kPlist)->status(), Status::notRegistered);
}

TEST_F(SystemServiceManagerTest, UnregisterCompletesOnceOnAnotherThread) {
    installDaemon();
    ASSERT_EQ(registerDaemon(), std::nullopt);
    std::atomic<int> calls = 0;
    std::promise<std::thread::id> thread;
    std::optional<Error> result{Error{}};
    manager_->daemonService(kPlist)->unregisterService([&](std::optional<Error> error) {
        result = error;
        if (calls++ == 0) thread.set_value(std::this_thread::get_id());
    });
    auto completed = thread.get_future();
    ASSERT_EQ(completed.wait_for(kGenerousDeadline), std::future_status::ready);
    EXPECT_NE(completed.get(), std::this_thread::get_id());
    EXPECT_EQ(result, std::nullopt);

    // Not registered any more: an error, still exactly one completion. The
    // manager going away at once still runs the completion it owes.
    manager_->daemonService(kPlist)->unregisterService([&](std::optional<Error> error) {
        result = error;
        ++calls;
    });
    manager_.reset();
    EXPECT_EQ(calls, 2);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->code, kSMErrorJobNotFound);
}

// The completion holds the last reference to the service, and through it to
// the queue that runs it: the queue is let go of on its own thread, which
// cannot join itself, so the process's joiner joins it once it ends.
TEST_F(SystemServiceManagerTest, ACompletionHoldingTheLastReferenceLetsItsQueueEndAndBeJoined) {
    installDaemon();
    ASSERT_EQ(registerDaemon(), std::nullopt);
    ThreadJoiner& joiner = ThreadJoiner::instance();
    joiner.waitUntilJoined();
    const std::uint64_t before = joiner.joined();

    std::shared_ptr<Service> service = manager_->daemonService(kPlist);
    manager_.reset();
    Service* raw = service.get();
    std::promise<void> mayRelease;
    std::promise<std::optional<Error>> completed;
    raw->unregisterService([held = std::move(service), gate = mayRelease.get_future().share(),
                            &completed](std::optional<Error> error) mutable {
        gate.wait();  // until unregisterService() has returned
        held.reset();
        completed.set_value(error);
    });
    mayRelease.set_value();
    auto result = completed.get_future();
    ASSERT_EQ(result.wait_for(kGenerousDeadline), std::future_status::ready);
    EXPECT_EQ(result.get(), std::nullopt);
    joiner.waitUntilJoined();
    EXPECT_EQ(joiner.joined(), before + 1);
}

TEST_F(SystemServiceManagerTest, UnregisterWorksWhenThePropertyListIsGone) {
    installDaemon();
    ASSERT_EQ(registerDaemon(), std::nullopt);
    std::filesystem::remove(bundle_.plistPath(kPlist));
    EXPECT_EQ(status(), Status::notFound);
    EXPECT_EQ(unregisterDaemon(), std::nullopt);
    EXPECT_TRUE(store().registrations().empty());
}

TEST(ServiceManagementErrorTest, TextHasTheFrameworkForm) {
    EXPECT_EQ((Error{"SMAppServiceErrorDomain", 8, "no such \"plist\""}).text(),
              "Error Domain=SMAppServiceErrorDomain Code=8 \"no such \\\"plist\\\"\"");
    EXPECT_EQ((Error{"D", -1, ""}).text(), "Error Domain=D Code=-1 \"\"");
}

TEST(SystemServiceManagerBundleTest, ATestProgramOutsideABundleHasNone) {
    EXPECT_EQ(SystemServiceManager::defaultBundlePath(), std::filesystem::path());
    SystemServiceManager manager;
    EXPECT_EQ(manager.daemonService(kPlist)->status(), Status::notFound);
}

}  // namespace
}  // namespace zephrane::servicemanagement
