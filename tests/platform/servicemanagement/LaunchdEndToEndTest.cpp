// zephrane-launchd as a real process on a temporary system root and socket
// directory, driven through the app's side (SystemServiceManager) and the
// administrator's (zephrane-servicectl), with the echo daemon as the daemon.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <future>

#include "ServiceTestSupport.hpp"
#include "platform/servicemanagement/ServiceStore.hpp"
#include "platform/servicemanagement/SystemServiceManager.hpp"
#include "platform/servicemanagement/launchd/LaunchdOptions.hpp"

namespace zephrane::servicemanagement {
namespace {

using namespace testing;

constexpr const char* kPlist = "com.zephrane.Fanwarden.plist";
constexpr const char* kLabel = "com.zephrane.Fanwarden";
constexpr const char* kService = "com.zephrane.Fanwarden.xpc";

class LaunchdEndToEndTest : public ::testing::Test {
protected:
    // zephrane-launchd with the echo daemon registered (not yet approved).
    void start(const std::string& mode, std::vector<std::string> arguments = {}) {
        program_ = bundle_.installProgram(ZEPHRANE_ECHO_DAEMON, kLabel);
        bundle_.writePlist(kPlist, kLabel, "Contents/MacOS/com.zephrane.Fanwarden", {kService});
        launchd_ = std::make_unique<LaunchdProcess>(LaunchdLaunch{
            ZEPHRANE_LAUNCHD_PROGRAM, root(), dir_.path() / "xpc",
            {"ECHO_DAEMON_EVENTS=" + events_.string(), "ECHO_DAEMON_MODE=" + mode}, std::move(arguments), {}});
        ASSERT_TRUE(launchd_->waitUntilStarted()) << launchd_->logText();
        ASSERT_EQ(manager_.daemonService(kPlist)->registerService(), std::nullopt);
    }
    std::filesystem::path root() const { return dir_.path() / "root"; }
    std::filesystem::path socket() const { return launchd_->socketPath(kService); }

    void approve() {
        const std::string command = std::string(ZEPHRANE_SERVICECTL_PROGRAM) + " --root " + root().string() +
                                    " approve " + kLabel + " > /dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
        ASSERT_TRUE(launchd_->waitForLog("listening on")) << launchd_->logText();
    }
    void unregister() {
        std::promise<std::optional<Error>> done;
        manager_.daemonService(kPlist)->unregisterService([&](std::optional<Error> e) { done.set_value(e); });
        EXPECT_EQ(done.get_future().get(), std::nullopt);
    }

    // "start <pid> ..." lines and the like, from the echo daemon.
    std::vector<std::string> events(std::string_view kind) const {
        std::ifstream in(events_);
        std::vector<std::string> out;
        for (std::string line; std::getline(in, line);)
            if (line.starts_with(std::string(kind) + " ")) out.push_back(line);
        return out;
    }
    bool waitForEvent(std::string_view kind, pid_t pid) const {
        const std::string wanted = std::string(kind) + " " + std::to_string(pid);
        return eventually([&] {
            for (const auto& line : events(kind))
                if (line == wanted || line.starts_with(wanted + " ")) return true;
            return false;
        });
    }
    // Connects, says hello, and returns the pid of the daemon that answered.
    pid_t hello(int* keepOpen = nullptr) const {
        const int fd = connectTo(socket());
        if (fd < 0) return -1;
        const auto reply = exchangeLine(fd, "hello");
        if (keepOpen) *keepOpen = fd;
        else ::close(fd);
        if (!reply || !reply->ends_with(" hello")) return -1;
        return static_cast<pid_t>(std::stol(reply->substr(0, reply->find(' '))));
    }

    TemporaryDirectory dir_;
    TestBundle bundle_{dir_.path()};
    std::filesystem::path program_;
    std::filesystem::path events_ = dir_.path() / "events";
    SystemServiceManager manager_{bundle_.path(), root()};
    std::unique_ptr<LaunchdProcess> launchd_;
};

TEST_F(LaunchdEndToEndTest, StartsAnApprovedDaemonOnTheFirstConnectionOnly) {
    start("serve");
    // Registered, not approved: no socket.
    ASSERT_TRUE(launchd_->waitForLog("is registered but not approved")) << launchd_->logText();
    EXPECT_FALSE(std::filesystem::exists(socket()));

    approve();
    struct stat status{};
    ASSERT_EQ(::lstat(socket().c_str(), &status), 0);
    EXPECT_TRUE(S_ISSOCK(status.st_mode));
    EXPECT_EQ(status.st_mode & 0777, 0666U);
    EXPECT_TRUE(events("start").empty()) << "started before any connection";
    EXPECT_EQ(launchd_->countLog("starting"), 0U);

    const pid_t daemon = hello();
    ASSERT_GT(daemon, 0) << launchd_->logText();
    // It got the socket by name, with LISTEN_PID naming itself (the echo
    // daemon takes it through the same code as the real daemon).
    EXPECT_EQ(events("start"), std::vector<std::string>{"start " + std::to_string(daemon) + " " + kService});
    EXPECT_EQ(hello(), daemon) << "a second connection goes to the running daemon";
    // The daemon may answer before launchd's line about it reaches the log.
    ASSERT_TRUE(launchd_->waitForLog("started, pid " + std::to_string(daemon))) << launchd_->logText();
    EXPECT_EQ(launchd_->countLog("started, pid " + std::to_string(daemon)), 1U);
}

TEST_F(LaunchdEndToEndTest, StartsTheDaemonAgainAfterItExits) {
    start("once", {"--throttle", "0"});
    approve();
    const pid_t first = hello();
    ASSERT_GT(first, 0) << launchd_->logText();
    ASSERT_TRUE(launchd_->waitForLog("pid " + std::to_string(first) + " exited with status 0")) << launchd_->logText();
    EXPECT_FALSE(processExists(first)) << "reaped, not a zombie";

    const pid_t second = hello();
    ASSERT_GT(second, 0) << launchd_->logText();
    EXPECT_NE(second, first);
}

TEST_F(LaunchdEndToEndTest, UnregisterStopsTheDaemonAndRemovesTheSocket) {
    start("serve");
    approve();
    const pid_t daemon = hello();
    ASSERT_GT(daemon, 0) << launchd_->logText();

    unregister();
    EXPECT_TRUE(waitForEvent("term", daemon)) << launchd_->logText();
    EXPECT_TRUE(eventually([&] { return !std::filesystem::exists(socket()) && !processExists(daemon); }))
        << launchd_->logText();

    // Registered again, the approval still holds: on demand once more.
    ASSERT_EQ(manager_.daemonService(kPlist)->registerService(), std::nullopt);
    ASSERT_TRUE(launchd_->waitForSocket(kService));
    const pid_t again = hello();
    EXPECT_GT(again, 0);
    EXPECT_NE(again, daemon);
}

TEST_F(LaunchdEndToEndTest, RegisteringAgainAtOnceStillRestartsTheDaemon) {
    // The app reloads its daemon (to run an updated executable) with an
    // unregister straight followed by a register; however short the gap,
    // the running daemon must go.
    start("serve", {"--throttle", "0"});
    approve();
    const pid_t old = hello();
    ASSERT_GT(old, 0) << launchd_->logText();
    unregister();
    ASSERT_EQ(manager_.daemonService(kPlist)->registerService(), std::nullopt);
    EXPECT_TRUE(waitForEvent("term", old)) << launchd_->logText();
    pid_t fresh = -1;
    EXPECT_TRUE(eventually([&] {
        fresh = hello();
        return fresh > 0 && fresh != old;
    })) << launchd_->logText();
}

TEST_F(LaunchdEndToEndTest, SigtermStopsDaemonsRemovesSocketsAndExitsCleanly) {
    start("serve");
    approve();
    int client = -1;
    const pid_t daemon = hello(&client);
    ASSERT_GT(daemon, 0) << launchd_->logText();

    const auto status = launchd_->stop();
    ::close(client);
    ASSERT_TRUE(status) << launchd_->logText();
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status;
    EXPECT_TRUE(waitForEvent("term", daemon));
    EXPECT_FALSE(processExists(daemon));
    EXPECT_FALSE(std::filesystem::exists(socket()));
    EXPECT_EQ(launchd_->countLog("zephrane-launchd stopped"), 1U);
}

TEST_F(LaunchdEndToEndTest, KillsADaemonThatIgnoresSigterm) {
    start("ignore-term", {"--stop-grace", "200"});
    approve();
    const pid_t daemon = hello();
    ASSERT_GT(daemon, 0) << launchd_->logText();

    unregister();
    EXPECT_TRUE(waitForEvent("term", daemon));
    EXPECT_TRUE(launchd_->waitForLog("did not stop within 200 ms")) << launchd_->logText();
    EXPECT_TRUE(launchd_->waitForLog("pid " + std::to_string(daemon) + " was killed by signal 9"));
    EXPECT_TRUE(eventually([&] { return !processExists(daemon) && !std::filesystem::exists(socket()); }));
}

TEST_F(LaunchdEndToEndTest, ADaemonThatDiesAtOnceIsRestartedNoFasterThanTheThrottle) {
    start("crash", {"--throttle", "300"});
    approve();
    const int client = connectTo(socket());  // stays queued: every start finds it
    ASSERT_GE(client, 0);
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_TRUE(eventually([&] { return events("start").size() >= 3; })) << launchd_->logText();
    EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(600));
    EXPECT_TRUE(launchd_->waitForLog("exited with status 3"));
    EXPECT_FALSE(launchd_->hasExited());
    ::close(client);
}

TEST_F(LaunchdEndToEndTest, WillNotRunAProgramChangedAfterApproval) {
    start("serve");
    approve();
    ASSERT_EQ(::chmod(program_.c_str(), 0777), 0);
    ASSERT_TRUE(launchd_->waitForLog("will not run")) << launchd_->logText();
    EXPECT_TRUE(eventually([&] { return !std::filesystem::exists(socket()); }));
    EXPECT_LT(hello(), 0);
    EXPECT_TRUE(events("start").empty());

    // Garbage in the registrations directory changes nothing.
    std::ofstream(ServiceStore(root()).registrationsDirectory() / "junk.json") << "\x01\x02{";
    ASSERT_EQ(::chmod(program_.c_str(), 0755), 0);
    ASSERT_TRUE(launchd_->waitForSocket(kService)) << launchd_->logText();
    EXPECT_GT(hello(), 0);
}

TEST_F(LaunchdEndToEndTest, LeavesASocketThatSomeoneElseServesAlone) {
    start("serve");
    std::filesystem::create_directories(socket().parent_path());
    const int other = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, socket().c_str());
    ASSERT_EQ(::bind(other, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(other, 4), 0);

    const std::string command = std::string(ZEPHRANE_SERVICECTL_PROGRAM) + " --root " + root().string() +
                                " approve " + kLabel + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_TRUE(launchd_->waitForLog("is served by another program")) << launchd_->logText();
    EXPECT_TRUE(std::filesystem::exists(socket()));
    ::close(other);
    // Once it is gone (a stale file left), the manager takes the path over.
    ASSERT_TRUE(launchd_->waitForSocket(kService)) << launchd_->logText();
    EXPECT_GT(hello(), 0);
}

TEST(LaunchdOptionsTest, ParsesAndRefuses) {
    const auto options = parseLaunchdOptions(
        {"--root", "/tmp/r", "--xpc-dir", "/tmp/x", "--poll", "50", "--stop-grace", "0", "--throttle", "2000"});
    EXPECT_EQ(options.systemRoot, "/tmp/r");
    EXPECT_EQ(options.socketDirectory, "/tmp/x");
    EXPECT_EQ(options.pollInterval, std::chrono::milliseconds(50));
    EXPECT_EQ(options.stopGrace, std::chrono::milliseconds(0));
    EXPECT_EQ(options.throttle, std::chrono::milliseconds(2000));
    for (const auto& bad : std::vector<std::vector<std::string>>{
             {"--poll"}, {"--poll", "5"}, {"--poll", "x"}, {"--poll", "100ms"}, {"--stop-grace", "-1"},
             {"--root", ""}, {"--frobnicate", "1"}})
        EXPECT_THROW(parseLaunchdOptions(bad), std::invalid_argument) << ::testing::PrintToString(bad);
}

}  // namespace
}  // namespace zephrane::servicemanagement
