// The daemon end to end: the real com.zephrane.Fanwarden and zephrane-sim as
// child processes, each case in a directory of its own, the fans read back
// from the simulated SMC. This program is the app as far as the daemon can
// tell: it carries the app's code identity.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <limits>
#include <sstream>
#include <utility>

#include <gtest/gtest.h>

#include "AppClient.hpp"
#include "CraftedElf.hpp"
#include "DaemonProcess.hpp"
#include "Eventually.hpp"
#include "RawXpcClient.hpp"
#include "SimMachine.hpp"
#include "TracedStart.hpp"
#include "platform/codesign/EmbeddedIdentity.hpp"
#include "platform/xpc/WireFormat.hpp"
#include "shared/FanKey.hpp"
#include "shared/HelperConstants.hpp"
#include "shared/ZephraneXPCProtocol.hpp"

ZEPHRANE_EMBED_IDENTITY("com.zephrane.app", "ZPHRN4B7Q2");

namespace zephrane::helper::testing {
namespace {

namespace protocol = ZephraneXPCProtocol;
using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

// Fan 0 of the two-fan laptop: F0Mn and F0Mx.
constexpr double kFan0Min = 1350;
constexpr double kFan0Max = 5349;

const std::string kHeartbeatLost = "heartbeat lost \u2014 failing safe, restoring Apple automatic control";
const std::string kClientGone = "client disconnected while manual engaged \u2014 failing safe";

std::filesystem::path makeTempDir() {
    char pattern[] = "/tmp/zfw-e2e-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

std::string describe(const Outcome& outcome) {
    if (outcome.timedOut()) return "no answer in time";
    if (outcome.connectionError)
        return "connection error " + outcome.connectionError->domain + " " +
               std::to_string(outcome.connectionError->code) + ": " + outcome.connectionError->description;
    std::string text = "reply of " + std::to_string(outcome.reply->size()) + " values";
    for (const auto& value : *outcome.reply) {
        if (auto d = value.float64()) text += " " + std::to_string(*d);
        if (auto* e = value.error()) text += " error " + std::to_string(e->code) + " \"" + e->description + "\"";
    }
    return text;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::optional<std::filesystem::path> findOnPath(const std::string& name) {
    const char* path = ::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (::access((std::filesystem::path(dir) / name).c_str(), X_OK) == 0) return std::filesystem::path(dir) / name;
    return std::nullopt;
}

class DaemonEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "the peer check trusts only root-owned programs, so this runs as root";
        directory_ = makeTempDir();
    }

    void TearDown() override {
        if (HasFailure() && daemon_) std::cout << "--- daemon log ---\n" << daemon_->logText() << "---\n";
        client_.reset();
        expectNoSanitizerReport();
        daemon_.reset();
        sim_.reset();
        if (!directory_.empty()) std::filesystem::remove_all(directory_);
    }

    SimMachine& startSim() {
        sim_ = std::make_unique<SimMachine>(ZEPHRANE_SIM_PROGRAM, directory_);
        return *sim_;
    }

    DaemonLaunch launch() const {
        DaemonLaunch how;
        how.program = ZEPHRANE_DAEMON_PROGRAM;
        how.directory = directory_;
        return how;
    }

    // A daemon built with a sanitizer reports to its log, which is all a
    // test sees of a daemon it kills.
    void expectNoSanitizerReport() const {
        if (!daemon_) return;
        const std::string log = daemon_->logText();
        EXPECT_EQ(log.find("Sanitizer"), std::string::npos) << log;
        EXPECT_EQ(log.find("runtime error:"), std::string::npos) << log;
    }

    void startDaemon(const std::string& logName = "daemon.log") {
        expectNoSanitizerReport();
        DaemonLaunch how = launch();
        how.logName = logName;
        daemon_ = std::make_unique<DaemonProcess>(how);
        ASSERT_TRUE(daemon_->waitUntilServing()) << daemon_->logText();
    }

    AppClient& connect() {
        client_ = std::make_unique<AppClient>(directory_);
        return *client_;
    }

    // Fan 0 at its maximum through the app's link: Ftst held, the daemon
    // retrying the mode key until the firmware takes it.
    static void engageFan0(AppClient& client) {
        const Outcome outcome = client.setTargetRPM(0, 7000.0);
        ASSERT_TRUE(outcome.reply) << describe(outcome);
        ASSERT_EQ(outcome.reply->size(), 2u) << describe(outcome);
        EXPECT_EQ((*outcome.reply)[0].float64(), kFan0Max) << "clamped to F0Mx";
        ASSERT_TRUE((*outcome.reply)[1].isNil()) << describe(outcome);
    }

    // Waits for the fans to be automatic, checking that no look at them that
    // ended less than `notBefore` after `since` found them so: a bound that
    // holds however slowly any process runs. How long after `since` they
    // were first seen automatic; none when they never were.
    static std::optional<Seconds> handedBackNotBefore(SimMachine& sim, Clock::time_point since, Seconds notBefore) {
        Seconds seenAfter{};
        const bool handedBack = eventually(
            [&] {
                const bool automatic = sim.automatic();
                seenAfter = Clock::now() - since;
                if (seenAfter < notBefore) {
                    EXPECT_FALSE(automatic) << "handed back " << seenAfter.count() << " s in";
                }
                return automatic;
            },
            30s, 10ms);
        if (!handedBack) return std::nullopt;
        return seenAfter;
    }

    std::filesystem::path directory_;
    std::unique_ptr<SimMachine> sim_;
    std::unique_ptr<DaemonProcess> daemon_;
    std::unique_ptr<AppClient> client_;
};

TEST_F(DaemonEndToEnd, TargetEngagesManualModeAndTheFanFollowsWhileBadRequestsChangeNothing) {
    SimMachine& sim = startSim();
    ASSERT_NO_FATAL_FAILURE(startDaemon());
    AppClient& client = connect();

    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* edge;
        std::int64_t fan;
        double rpm;
        std::int64_t code;
        std::string description;  // a prefix for the write policy's own reasons
    } refusals[] = {
        {"the fan after the last", 2, 3000, protocol::fanIndexOutOfRange, "fan index 2 out of range"},
        {"a negative fan", -1, 3000, protocol::fanIndexOutOfRange, "fan index -1 out of range"},
        {"the largest index", std::numeric_limits<std::int64_t>::max(), 3000, protocol::fanIndexOutOfRange,
         "fan index 9223372036854775807 out of range"},
        {"NaN", 0, std::numeric_limits<double>::quiet_NaN(), protocol::rejectedByWritePolicy, "rejected: "},
        {"a negative speed", 0, -1, protocol::rejectedByWritePolicy, "rejected: "},
        {"infinity", 0, inf, protocol::rejectedByWritePolicy, "rejected: "},
        {"minus infinity", 0, -inf, protocol::rejectedByWritePolicy, "rejected: "},
    };
    for (const auto& row : refusals) {
        SCOPED_TRACE(row.edge);
        const Outcome outcome = client.setTargetRPM(row.fan, row.rpm);
        ASSERT_TRUE(outcome.reply) << describe(outcome);
        EXPECT_EQ((*outcome.reply)[0].float64(), 0.0);
        const xpc::Error* error = outcome.replyError(1);
        ASSERT_NE(error, nullptr) << describe(outcome);
        EXPECT_EQ(error->domain, protocol::errorDomain);
        EXPECT_EQ(error->code, row.code);
        EXPECT_EQ(error->description.substr(0, row.description.size()), row.description);
    }
    EXPECT_TRUE(sim.automatic()) << "a refused request engages nothing";

    const double startSpeed = sim.value("F0Ac");
    ASSERT_NO_FATAL_FAILURE(engageFan0(client));
    EXPECT_EQ(sim.value(FanKey::forceTest), 1);
    EXPECT_EQ(sim.value(FanKey::mode(0)), 1);
    EXPECT_EQ(sim.value(FanKey::target(0)), kFan0Max);
    EXPECT_EQ(sim.value(FanKey::mode(1)), 0) << "only the fan asked for";
    EXPECT_EQ(daemon_->countLog("Ftst diagnostic mode engaged (M3/M4 unlock)"), 1u);

    // The firmware ramps toward the new target at its own pace: the gap
    // closing by a good part is enough to show the fan follows.
    const double startGap = std::abs(kFan0Max - startSpeed);
    ASSERT_GT(startGap, 2000) << "the laptop idles far below its maximum";
    EXPECT_TRUE(eventually([&] { return std::abs(kFan0Max - sim.value("F0Ac")) < startGap - 1500; }))
        << "F0Ac stayed at " << sim.value("F0Ac");

    // An engaged fan takes the next target at once, clamped at the bottom too.
    const Outcome low = client.setTargetRPM(0, 100.0);
    ASSERT_TRUE(low.reply) << describe(low);
    EXPECT_EQ((*low.reply)[0].float64(), kFan0Min);
    EXPECT_EQ(sim.value(FanKey::target(0)), kFan0Min);
}

TEST_F(DaemonEndToEnd, ControllingClientThatInvalidatesHandsEveryFanBack) {
    SimMachine& sim = startSim();
    ASSERT_NO_FATAL_FAILURE(startDaemon());
    AppClient& client = connect();
    ASSERT_NO_FATAL_FAILURE(engageFan0(client));
    const Outcome second = client.call(protocol::setManualControl.selector, {std::int64_t{1}, true});
    ASSERT_TRUE(second.reply && (*second.reply)[0].isNil()) << describe(second);
    ASSERT_TRUE(sim.allManual());

    client.invalidate();
    EXPECT_TRUE(eventually([&] { return sim.automatic(); }));
    EXPECT_EQ(daemon_->countLog(kClientGone), 1u);
    EXPECT_EQ(daemon_->countLog(kHeartbeatLost), 0u) << "the disconnect, not the watchdog, restored";
}

TEST_F(DaemonEndToEnd, ControllingClientProcessThatDiesHandsTheFansBack) {
    SimMachine& sim = startSim();
    ASSERT_NO_FATAL_FAILURE(startDaemon());
    const auto output = directory_ / "probe.out";
    ChildProcess app({ZEPHRANE_PROBE_APP, {directory_.string(), "0", "7000", "hold"}, {}, output});
    ASSERT_TRUE(eventually([&] { return readFile(output).find('\n') != std::string::npos; })) << readFile(output);
    ASSERT_EQ(readFile(output), "reply 5349.000000 0\n");
    ASSERT_EQ(sim.value(FanKey::mode(0)), 1);

    app.kill();  // SIGKILL: no chance to say goodbye
    EXPECT_TRUE(eventually([&] { return sim.automatic(); }));
    EXPECT_EQ(daemon_->countLog(kClientGone), 1u);
    EXPECT_EQ(daemon_->countLog(kHeartbeatLost), 0u) << "the disconnect, not the watchdog, restored";
}

TEST_F(DaemonEndToEnd, LostHeartbeatFailsSafeAfterTheTimeoutAndNeverBefore) {
    SimMachine& sim = startSim();
    ASSERT_NO_FATAL_FAILURE(startDaemon());
    AppClient& client = connect();
    ASSERT_NO_FATAL_FAILURE(engageFan0(client));

    // Taken before the beat is sent: the daemon records the beat later, so
    // until 5 s after this no fail-safe can have happened, however slow any
    // of the three processes runs. (When it happens after that is the
    // watchdog's own business: its tests drive its clock.)
    const auto lastBeat = Clock::now();
    const Outcome beat = client.heartbeat();
    ASSERT_TRUE(beat.reply) << describe(beat);
    const auto seenAfter = handedBackNotBefore(sim, lastBeat, Seconds(5.0));
    ASSERT_TRUE(seenAfter) << "the fans stayed in manual mode";
    RecordProperty("secondsToFailSafe", std::to_string(seenAfter->count()));
    EXPECT_EQ(daemon_->countLog(kHeartbeatLost), 1u);
    EXPECT_TRUE(client.heartbeat().reply) << "the link itself is still up";
}

// The app holding the fans freezes while another client of the app's keeps
// beating on a link of its own.
TEST_F(DaemonEndToEnd, AnotherClientsBeatsDoNotKeepAFrozenControllersFans) {
    SimMachine& sim = startSim();
    ASSERT_NO_FATAL_FAILURE(startDaemon());
    AppClient& controller = connect();
    ASSERT_NO_FATAL_FAILURE(engageFan0(controller));
    AppClient other(directory_);
    ASSERT_TRUE(eventually(
        [&] {
            const Outcome beat = other.heartbeat();
            EXPECT_TRUE(beat.reply) << describe(beat);
            return sim.automatic();
        },
        20s, 200ms))
        << "the other client's beats kept the fans in manual mode";
    EXPECT_EQ(daemon_->countLog(kHeartbeatLost), 1u);
}

// The app goes away with one restore key hung: every other key is handed
// back within the write bound, and once the key answers again the watchdog
// hands it back too. (The firmware gives every fan back once "Ftst" is 0, so
// only a hung "Ftst" is left for the watchdog.)
TEST_F(DaemonEndToEnd, AHungKeyKeepsNoOtherFromBeingHandedBack) {
    const struct {
        const char* key;
        std::string logged;
        bool leftForTheWatchdog;
    } hung[] = {
        {"F0Md", "restore fan 0 failed: no answer within 1.0 s", false},
        {"F1Md", "restore fan 1 failed: no answer within 1.0 s", false},
        {"Ftst", "Ftst reset failed: no answer within 1.0 s", true},
    };
    for (const auto& row : hung) {
        SCOPED_TRACE(row.key);
        SimMachine& sim = startSim();
        ASSERT_NO_FATAL_FAILURE(startDaemon(std::string("daemon-") + row.key + ".log"));
        AppClient& client = connect();
        ASSERT_NO_FATAL_FAILURE(engageFan0(client));
        const Outcome second = client.call(protocol::setManualControl.selector, {std::int64_t{1}, true});
        ASSERT_TRUE(second.reply && (*second.reply)[0].isNil()) << describe(second);

        sim.hang(row.key);
        const auto gone = Clock::now();
        client.invalidate();
        const auto othersAutomatic = [&] {
            for (const char* key : {"F0Md", "F1Md", "Ftst"})
                if (key != std::string_view(row.key) && sim.value(key) != 0) return false;
            return true;
        };
        ASSERT_TRUE(eventually(othersAutomatic, 20s, 10ms)) << daemon_->logText();
        RecordProperty(std::string("secondsToRestoreWith") + row.key + "Hung",
                       std::to_string(Seconds(Clock::now() - gone).count()));
        if (row.leftForTheWatchdog) {
            EXPECT_EQ(sim.value(row.key), 1);
        }
        EXPECT_TRUE(daemon_->waitForLog(row.logged)) << daemon_->logText();

        sim.control({{"command", "clearFaults"}});
        EXPECT_TRUE(eventually([&] { return sim.automatic(); })) << "the watchdog never tried again";

        client_.reset();
        daemon_.reset();
        sim_.reset();
    }
}

TEST_F(DaemonEndToEnd, TerminationSignalsRestoreAutomaticControlAndExitZero) {
    SimMachine& sim = startSim();
    for (const int number : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(::strsignal(number));
        ASSERT_NO_FATAL_FAILURE(startDaemon("daemon-" + std::to_string(number) + ".log"));
        AppClient& client = connect();
        ASSERT_NO_FATAL_FAILURE(engageFan0(client));

        daemon_->process().signal(number);
        const std::optional<int> status = daemon_->process().waitForExit(20s);
        ASSERT_TRUE(status) << "still running";
        EXPECT_EQ(exitCode(*status), 0) << "wait status " << *status;
        EXPECT_TRUE(sim.automatic());
        EXPECT_EQ(daemon_->countLog("received signal " + std::to_string(number) +
                                    " \u2014 restoring Apple automatic control and exiting"),
                  1u)
            << daemon_->logText();
        EXPECT_FALSE(std::filesystem::exists(daemon_->socketPath())) << "it left its socket behind";
        client_.reset();
    }
}

// Something already at the socket's path is never followed, replaced or
// served over: the daemon says why and exits with status 1, the fans handed
// back as at every start.
TEST_F(DaemonEndToEnd, ASocketPathItCannotServeEndsTheDaemonWithStatusOne) {
    SimMachine& sim = startSim();
    const auto path = directory_ / HelperConstants::machServiceName;
    const auto precious = directory_ / "precious";
    std::ofstream(precious) << "root's";
    ASSERT_EQ(::chmod(precious.c_str(), 0600), 0);
    const auto makeLink = [&] { std::filesystem::create_symlink(precious, path); };
    const auto makeFile = [&] { std::ofstream(path) << "a file"; };
    int other = -1;
    const auto makeListener = [&] {
        other = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.c_str(), path.string().size());
        ASSERT_EQ(::bind(other, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(::listen(other, 4), 0);
    };
    const struct {
        const char* edge;
        std::function<void()> make;
        std::string reason;
    } cases[] = {
        {"a symlink to a file of root's", makeLink, "\"" + path.string() + "\" exists and is not a socket"},
        {"a regular file", makeFile, "\"" + path.string() + "\" exists and is not a socket"},
        {"another process's socket", makeListener, "another process serves \"" + path.string() + "\""},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.edge);
        ASSERT_NO_FATAL_FAILURE(row.make());
        struct stat before {};
        ASSERT_EQ(::lstat(path.c_str(), &before), 0);
        expectNoSanitizerReport();
        daemon_ = std::make_unique<DaemonProcess>(launch());
        const std::optional<int> status = daemon_->process().waitForExit(20s);
        ASSERT_TRUE(status) << "still running";
        EXPECT_EQ(exitCode(*status), 1) << "wait status " << *status << "\n" << daemon_->logText();
        const auto messages = daemon_->logMessages();
        const std::string fault = "cannot listen for connections: " + row.reason;
        EXPECT_TRUE(std::any_of(messages.begin(), messages.end(),
                                [&](const std::string& m) { return m.starts_with(fault); }))
            << daemon_->logText();
        struct stat after {};
        ASSERT_EQ(::lstat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << "what was there was replaced";
        EXPECT_TRUE(sim.automatic());
        std::filesystem::remove(path);
        if (other >= 0) ::close(std::exchange(other, -1));
    }
    struct stat status {};
    ASSERT_EQ(::stat(precious.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
}

// Started with a low soft descriptor limit (by hand, by another service
// manager), the daemon still keeps as many connections as its hard limit lets.
TEST_F(DaemonEndToEnd, TheDaemonTakesTheDescriptorsItsHardLimitAllows) {
    startSim();
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    if (saved.rlim_max <= 256) GTEST_SKIP() << "the hard limit is already low";
    rlimit lowered = saved;
    lowered.rlim_cur = 256;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
    startDaemon();  // inherits the lowered limit
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
    ASSERT_FALSE(HasFatalFailure());

    std::ifstream limits("/proc/" + std::to_string(daemon_->pid()) + "/limits");
    std::string line;
    while (std::getline(limits, line) && !line.starts_with("Max open files")) {
    }
    std::istringstream fields(line.substr(std::string("Max open files").size()));
    std::uint64_t soft = 0, hard = 0;
    fields >> soft >> hard;
    EXPECT_EQ(soft, static_cast<std::uint64_t>(saved.rlim_max)) << line;
    EXPECT_EQ(hard, static_cast<std::uint64_t>(saved.rlim_max)) << line;
}

TEST_F(DaemonEndToEnd, WithoutTheSMCTheDaemonExitsWithStatusOne) {
    // No simulator: no AppleSMC service at all.
    daemon_ = std::make_unique<DaemonProcess>(launch());
    const std::optional<int> status = daemon_->process().waitForExit(20s);
    ASSERT_TRUE(status) << "still running";
    EXPECT_EQ(exitCode(*status), 1) << "wait status " << *status;
    const auto messages = daemon_->logMessages();
    const std::string fault = "cannot open AppleSMC: serviceNotFound";
    EXPECT_TRUE(std::any_of(messages.begin(), messages.end(),
                            [&](const std::string& m) { return m.starts_with(fault); }))
        << daemon_->logText();
    EXPECT_FALSE(std::filesystem::exists(daemon_->socketPath())) << "nothing was ever served";
}

TEST_F(DaemonEndToEnd, StartUpHandsBackFansAnEarlierRunLeftInManualMode) {
    SimMachine& sim = startSim();
    auto bridge = sim.openBridge();
    bridge->write(FanKey::forceTest, 1.0);
    // The firmware takes manual mode only once Ftst has been held a while.
    ASSERT_TRUE(eventually([&] {
        try {
            for (int fan = 0; fan < sim.fanCount(); ++fan) bridge->write(FanKey::mode(fan), 1.0);
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }));
    ASSERT_TRUE(sim.allManual());

    ASSERT_NO_FATAL_FAILURE(startDaemon());
    // Restored before the listener took its first connection.
    EXPECT_TRUE(sim.automatic());
}

// The simulator dies with a fan engaged and a new one starts (with its own
// fans in manual mode, left so by someone): the daemon's connection to the
// old one is dead for good, so at the next beat it hands the fans back
// through a connection to the new machine, says why and exits with status 1,
// and a fresh daemon serves the new machine.
TEST_F(DaemonEndToEnd, ADaemonWhoseSMCWentAwayHandsBackAndExitsWithStatusOne) {
    startSim();
    ASSERT_NO_FATAL_FAILURE(startDaemon());
    AppClient& client = connect();
    ASSERT_NO_FATAL_FAILURE(engageFan0(client));

    sim_.reset();  // SIGKILL: no word to anyone
    SimMachine& fresh = startSim();
    auto bridge = fresh.openBridge();
    bridge->write(FanKey::forceTest, 1.0);
    ASSERT_TRUE(eventually([&] {
        try {
            bridge->write(FanKey::mode(0), 1.0);
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }));
    ASSERT_FALSE(fresh.automatic());

    client.heartbeat();
    const std::optional<int> status = daemon_->process().waitForExit(20s);
    ASSERT_TRUE(status) << "the daemon carried on without its SMC";
    EXPECT_EQ(exitCode(*status), 1) << "wait status " << *status;
    EXPECT_EQ(daemon_->countLog("AppleSMC connection lost \u2014 restoring Apple automatic control through a new one "
                                "and exiting"),
              1u)
        << daemon_->logText();
    EXPECT_TRUE(fresh.automatic()) << "handed back on the new machine";

    client_.reset();
    ASSERT_NO_FATAL_FAILURE(startDaemon("daemon-fresh.log"));
    ASSERT_NO_FATAL_FAILURE(engageFan0(connect()));
    EXPECT_EQ(fresh.value(FanKey::mode(0)), 1) << "the fresh daemon drives the new machine";
}

TEST_F(DaemonEndToEnd, HungHardwareQueueIsOvercomeByTheEmergencyRestore) {
    SimMachine& sim = startSim();
    ASSERT_NO_FATAL_FAILURE(startDaemon());
    AppClient& client = connect();
    ASSERT_NO_FATAL_FAILURE(engageFan0(client));

    // The next target write never returns, and the hardware queue with it:
    // no beat is recorded after this request (which counts as one, later
    // than this time), nor is it ever answered.
    sim.hang(FanKey::target(0));
    const auto lastBeat = Clock::now();
    auto stuck = client.send(protocol::setTargetRPM.selector, {std::int64_t{0}, 3000.0});

    // Not before the time-out (5 s) and the hand-off check (4 s) after it.
    const auto seenAfter = handedBackNotBefore(sim, lastBeat, Seconds(9.0));
    ASSERT_TRUE(seenAfter) << "the fans stayed in manual mode";
    RecordProperty("secondsToEmergencyRestore", std::to_string(seenAfter->count()));
    EXPECT_TRUE(daemon_->waitForLog("EMERGENCY restore: completed"));
    EXPECT_EQ(daemon_->countLog(kHeartbeatLost), 1u) << "later ticks stay quiet while the hand-off is pending";
    EXPECT_EQ(stuck.wait_for(0s), std::future_status::timeout) << "the stuck request has no answer";

    // Leaving with the queue still stuck: the exit restore gives up on the
    // queue and goes through a connection of its own.
    daemon_->process().signal(SIGTERM);
    const std::optional<int> status = daemon_->process().waitForExit(20s);
    ASSERT_TRUE(status) << "still running";
    EXPECT_EQ(exitCode(*status), 0) << "wait status " << *status;
    EXPECT_GE(daemon_->countLog("exit restore: hw queue did not respond within 2.000000s \u2014 escalating to the "
                                "emergency SMC connection"),
              1u);
    EXPECT_TRUE(sim.automatic());
}

TEST_F(DaemonEndToEnd, ClientsWithoutTheAppsIdentityAreRefusedAndChangeNothing) {
    SimMachine& sim = startSim();
    ASSERT_NO_FATAL_FAILURE(startDaemon());

    // The app's own identity in files the trust rule must not accept.
    const auto foreignOwner = directory_ / "owned-by-nobody";
    std::filesystem::copy_file(ZEPHRANE_PROBE_APP, foreignOwner);
    ASSERT_EQ(::chown(foreignOwner.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(foreignOwner.c_str(), 0755), 0);
    const auto groupWritable = directory_ / "group-writable";
    std::filesystem::copy_file(ZEPHRANE_PROBE_APP, groupWritable);
    ASSERT_EQ(::chmod(groupWritable.c_str(), 0775), 0);
    // The genuine app, run by another user with that user's library in it.
    const auto injected = directory_ / "injected.so";
    std::filesystem::copy_file(ZEPHRANE_INJECTED_LIBRARY, injected);
    ASSERT_EQ(::chown(injected.c_str(), 65534, 65534), 0);
    // (A sanitized program starts with a library loaded ahead of its runtime
    // only when told the order does not matter.)
    const std::vector<std::string> preloaded{"LD_PRELOAD=" + injected.string(),
                                             "ASAN_OPTIONS=verify_asan_link_order=0"};

    const struct {
        const char* edge;
        std::filesystem::path program;
        std::vector<std::string> environment;
    } intruders[] = {
        {"no identity at all", ZEPHRANE_PROBE_ANONYMOUS, {}},
        {"the app's identifier under another team", ZEPHRANE_PROBE_IMPOSTOR, {}},
        {"the app's identity in a file another user owns", foreignOwner, {}},
        {"the app's identity in a file its group may write", groupWritable, {}},
        {"the app itself with another user's library preloaded", ZEPHRANE_PROBE_APP, preloaded},
    };
    int run = 0;
    for (const auto& row : intruders) {
        SCOPED_TRACE(row.edge);
        const auto output = directory_ / ("probe-" + std::to_string(run++) + ".out");
        ChildProcess probe({row.program.string(), {directory_.string(), "0", "7000"}, row.environment, output});
        const std::optional<int> status = probe.waitForExit(20s);
        ASSERT_TRUE(status) << "the probe never finished";
        const std::string line = readFile(output);
        const bool refused = line.starts_with("error NSCocoaErrorDomain 4097 ") ||
                             line.starts_with("error NSCocoaErrorDomain 4099 ");
        EXPECT_TRUE(refused) << line;
        EXPECT_TRUE(sim.automatic());
        // (Not the target key itself: the firmware's own curve moves it as
        // the machine warms, under a loaded host too.)
        EXPECT_EQ(daemon_->countLog("Ftst diagnostic mode engaged (M3/M4 unlock)"), 0u) << "a request was served";
    }

    // The same probe with the app's identity intact gets through, so the
    // refusals above are the peer check's doing.
    const auto output = directory_ / "probe-app.out";
    ChildProcess app({ZEPHRANE_PROBE_APP, {directory_.string(), "0", "7000"}, {}, output});
    ASSERT_TRUE(app.waitForExit(20s));
    EXPECT_EQ(readFile(output), "reply 5349.000000 0\n");
    EXPECT_TRUE(eventually([&] { return sim.automatic(); })) << "the app probe left, so its fan was handed back";
}

// The genuine app started by an unprivileged program that traces it from
// its first instruction, and so could make it connect and ask for any
// speed: refused. The same app run by the same user untraced gets through,
// so the refusal is the trace's doing.
TEST_F(DaemonEndToEnd, TheAppTracedByAnotherUserIsRefusedAndChangesNothing) {
    constexpr uid_t kNobody = 65534;
    // Where that user can reach the sockets and write its answer.
    ASSERT_EQ(::chmod(directory_.c_str(), 0755), 0);
    SimMachine& sim = startSim();
    ASSERT_NO_FATAL_FAILURE(startDaemon());

    const struct {
        const char* edge;
        test::TracedStart::Trace trace;
        bool refused;
    } runs[] = {
        {"untraced", test::TracedStart::Trace::no, false},
        {"traced from its start", test::TracedStart::Trace::yes, true},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.edge);
        const auto output = directory_ / (std::string("probe-") + (run.refused ? "traced" : "untraced") + ".out");
        const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::fchown(fd, kNobody, kNobody), 0);
        test::TracedStart probe({ZEPHRANE_PROBE_APP, directory_.string(), "0", "7000"}, kNobody, fd, run.trace);
        ::close(fd);
        ASSERT_TRUE(probe.waitForExit(20s)) << "the probe never finished";
        const std::string line = readFile(output);
        if (run.refused) {
            EXPECT_TRUE(line.starts_with("error NSCocoaErrorDomain 4097 ") ||
                        line.starts_with("error NSCocoaErrorDomain 4099 "))
                << line;
            EXPECT_TRUE(sim.automatic());
            EXPECT_EQ(daemon_->countLog("Ftst diagnostic mode engaged (M3/M4 unlock)"), 1u)
                << "only the untraced run was served";
        } else {
            EXPECT_EQ(line, "reply 5349.000000 0\n");
            EXPECT_TRUE(eventually([&] { return sim.automatic(); })) << "it left, so its fan was handed back";
        }
    }
}

// Programs a local user crafted to make the identity check read and keep as
// much as it will, four at a time, while the app holds a fan and beats: each
// is refused, and every beat of the app is answered meanwhile.
TEST_F(DaemonEndToEnd, CraftedProgramsAreRefusedWhileTheAppsBeatsAreAnswered) {
    namespace crafted = codesign::crafted;
    const crafted::Bytes app = crafted::readFile(ZEPHRANE_PROBE_APP);
    const struct {
        const char* edge;
        crafted::Shape shape;
    } shapes[] = {
        {"many sections", {65278, 1024, crafted::Fill::identityNotes}},
        {"huge notes", {65278, 64 * 1024, crafted::Fill::hugeNote}},
        {"many identity notes", {4096, 64 * 1024, crafted::Fill::identityNotes}},
    };
    // Made first: crafting takes a while, and the app must not miss a beat.
    std::vector<std::filesystem::path> programs;
    for (const auto& row : shapes) {
        programs.push_back(directory_ / ("crafted-" + std::to_string(programs.size())));
        crafted::writeProgram(programs.back(), crafted::craft(app, row.shape));
        ASSERT_EQ(::chown(programs.back().c_str(), 65534, 65534), 0);  // as its maker would own it
    }

    SimMachine& sim = startSim();
    ASSERT_NO_FATAL_FAILURE(startDaemon());
    AppClient& client = connect();
    ASSERT_NO_FATAL_FAILURE(engageFan0(client));
    int run = 0;
    for (const auto& row : shapes) {
        SCOPED_TRACE(row.edge);
        const auto& program = programs[static_cast<std::size_t>(run)];
        std::vector<std::unique_ptr<ChildProcess>> probes;
        std::vector<std::filesystem::path> outputs;
        for (int i = 0; i < 4; ++i) {
            outputs.push_back(directory_ / ("crafted-" + std::to_string(run) + "-" + std::to_string(i) + ".out"));
            probes.push_back(std::make_unique<ChildProcess>(
                ProcessSpec{program.string(), {directory_.string(), "0", "7000"}, {}, outputs.back()}));
        }
        int beats = 0;
        const bool allDone = eventually([&] {
            const Outcome beat = client.heartbeat();
            EXPECT_TRUE(beat.reply) << describe(beat);
            ++beats;
            return std::all_of(probes.begin(), probes.end(), [](auto& probe) { return probe->hasExited(); });
        });
        ASSERT_TRUE(allDone) << "the crafted programs never finished";
        EXPECT_GT(beats, 0);
        for (const auto& output : outputs) {
            const std::string line = readFile(output);
            EXPECT_TRUE(line.starts_with("error NSCocoaErrorDomain 4097 ") ||
                        line.starts_with("error NSCocoaErrorDomain 4099 "))
                << line;
        }
        ++run;
    }
    EXPECT_EQ(sim.value(FanKey::mode(0)), 1) << "the app kept its fan throughout";
    EXPECT_EQ(daemon_->countLog(kHeartbeatLost), 0u);
}

// What a raw connection should see after sending something.
enum class Expect {
    dropped,          // the daemon closes the connection
    invalidRequest,   // an error answer, 4101, and the connection serves on
    policyRefusal,    // the daemon's 1001
    indexOutOfRange,  // the daemon's 1002
};

struct BadInput {
    const char* edge;
    std::function<void(RawXpcClient&)> send;
    Expect expect;
};

std::vector<std::uint8_t> bigEndianLength(std::uint32_t length) {
    return {static_cast<std::uint8_t>(length >> 24), static_cast<std::uint8_t>(length >> 16),
            static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
}

Json targetRequest(Json fan, Json rpm) {
    return request(7, protocol::setTargetRPM.selector, Json::array({std::move(fan), std::move(rpm)}));
}

std::vector<BadInput> badInputs() {
    const std::string target(protocol::setTargetRPM.selector);
    const std::string beat(protocol::heartbeat.selector);
    auto message = [](Json m) { return [m](RawXpcClient& c) { c.sendMessage(m); }; };
    auto frame = [](std::vector<std::uint8_t> payload) { return [payload](RawXpcClient& c) { c.sendFrame(payload); }; };
    auto bytesThenEnd = [](std::vector<std::uint8_t> bytes) {
        return [bytes](RawXpcClient& c) {
            c.sendBytes(bytes);
            c.shutdownWrite();
        };
    };
    Json nested = Json::array({1});
    for (int i = 0; i < 20; ++i) nested = Json::array({nested});
    std::vector<std::uint8_t> truncatedPayload = bigEndianLength(100);
    truncatedPayload.resize(14, 0xA3);
    const double inf = std::numeric_limits<double>::infinity();
    const auto int64Max = std::numeric_limits<std::int64_t>::max();
    const auto int64Min = std::numeric_limits<std::int64_t>::min();

    return {
        {"a header cut short", bytesThenEnd({0x00, 0x00}), Expect::dropped},
        {"a payload cut short", bytesThenEnd(truncatedPayload), Expect::dropped},
        {"a length just over the frame limit",
         [](RawXpcClient& c) { c.sendBytes(bigEndianLength(static_cast<std::uint32_t>(xpc::wire::kMaxFrame + 1))); },
         Expect::dropped},
        {"a length of 4 GiB", [](RawXpcClient& c) { c.sendBytes(bigEndianLength(0xFFFFFFFF)); }, Expect::dropped},
        {"an empty payload", frame({}), Expect::dropped},
        {"garbage that is no CBOR", frame({0xFF, 0xFE, 0x13, 0x37, 0x00}), Expect::dropped},
        {"a CBOR item with bytes after it", frame({0xA0, 0x00}), Expect::dropped},
        {"a message that is not a map", message(Json::array({1, 2, 3})), Expect::dropped},
        {"a message without an id", message({{"sel", beat}, {"args", Json::array()}}), Expect::dropped},
        {"a negative id", message({{"id", -1}, {"sel", beat}, {"args", Json::array()}}), Expect::dropped},
        {"nesting past the limit", message(request(7, target, nested)), Expect::dropped},
        {"an unknown selector", message(request(7, "eraseFirmwareWithReply:", Json::array())), Expect::invalidRequest},
        {"no selector", message({{"id", 7}, {"args", Json::array()}}), Expect::invalidRequest},
        {"arguments that are no array", message({{"id", 7}, {"sel", beat}, {"args", 5}}), Expect::invalidRequest},
        {"a fan index as text", message(targetRequest("0", 3000.0)), Expect::invalidRequest},
        {"a fan index as a double", message(targetRequest(0.0, 3000.0)), Expect::invalidRequest},
        {"a speed as an integer", message(targetRequest(0, 3000)), Expect::invalidRequest},
        {"a speed as a Boolean", message(targetRequest(0, true)), Expect::invalidRequest},
        {"a fan index past 64 bits", message(targetRequest(std::numeric_limits<std::uint64_t>::max(), 3000.0)),
         Expect::invalidRequest},
        {"too few arguments", message(request(7, target, Json::array({0}))), Expect::invalidRequest},
        {"too many arguments", message(request(7, target, Json::array({0, 3000.0, true}))), Expect::invalidRequest},
        {"a heartbeat with an argument", message(request(7, beat, Json::array({1}))), Expect::invalidRequest},
        {"a NaN speed", message(targetRequest(0, std::numeric_limits<double>::quiet_NaN())), Expect::policyRefusal},
        {"an infinite speed", message(targetRequest(0, inf)), Expect::policyRefusal},
        {"a negative speed", message(targetRequest(0, -1.0)), Expect::policyRefusal},
        {"the largest fan index", message(targetRequest(int64Max, 3000.0)), Expect::indexOutOfRange},
        {"the smallest fan index", message(targetRequest(int64Min, 3000.0)), Expect::indexOutOfRange},
    };
}

// The answer to request 7, checked against what the row expects.
void expectAnswer(RawXpcClient& raw, Expect expect) {
    if (expect == Expect::dropped) {
        EXPECT_TRUE(raw.closedByPeer()) << "the connection stayed open";
        return;
    }
    const std::optional<Json> answer = raw.receive();
    ASSERT_TRUE(answer) << "no answer";
    EXPECT_EQ(answer->value("id", 0), 7) << answer->dump();
    if (expect == Expect::invalidRequest) {
        ASSERT_TRUE(answer->contains("error")) << answer->dump();
        EXPECT_EQ((*answer)["error"].value("code", 0), xpc::cocoa::replyInvalid) << answer->dump();
    } else {
        ASSERT_TRUE(answer->contains("reply")) << answer->dump();
        const Json& reply = (*answer)["reply"];
        ASSERT_EQ(reply.size(), 2u) << answer->dump();
        EXPECT_EQ(reply[0], 0.0);
        EXPECT_EQ(reply[1].value("domain", ""), protocol::errorDomain);
        EXPECT_EQ(reply[1].value("code", 0),
                  expect == Expect::policyRefusal ? protocol::rejectedByWritePolicy : protocol::fanIndexOutOfRange);
    }
    // Answered, not dropped: the same connection still serves.
    raw.sendMessage(request(8, protocol::heartbeat.selector, Json::array()));
    const std::optional<Json> beat = raw.receive();
    ASSERT_TRUE(beat && beat->contains("reply")) << (beat ? beat->dump() : "no answer");
}

TEST_F(DaemonEndToEnd, BadInputOnRawSocketsIsAnsweredOrDroppedAndLeaksNothing) {
    SimMachine& sim = startSim();
    ASSERT_NO_FATAL_FAILURE(startDaemon());
    AppClient& client = connect();
    ASSERT_TRUE(client.heartbeat().reply);

    // A raw client that gets hold of a fan and then misbehaves is dropped,
    // and its fan handed back with it.
    {
        RawXpcClient raw(daemon_->socketPath());
        raw.sendMessage(targetRequest(0, 4000.0));
        const std::optional<Json> answer = raw.receive();
        ASSERT_TRUE(answer && answer->contains("reply")) << (answer ? answer->dump() : "no answer");
        EXPECT_EQ((*answer)["reply"][0], 4000.0);
        ASSERT_EQ(sim.value(FanKey::mode(0)), 1);
        raw.sendFrame(std::vector<std::uint8_t>{0xFF});
        EXPECT_TRUE(raw.closedByPeer());
        EXPECT_TRUE(eventually([&] { return sim.automatic(); }));
        EXPECT_EQ(daemon_->countLog(kClientGone), 1u);
    }

    // Taken once the daemon has done everything it does lazily (a first
    // engage starts the hardware queue's timers).
    const auto baseline = daemon_->descriptors();
    ASSERT_TRUE(baseline && !baseline->empty());

    for (const BadInput& row : badInputs()) {
        SCOPED_TRACE(row.edge);
        {
            RawXpcClient raw(daemon_->socketPath());
            row.send(raw);
            expectAnswer(raw, row.expect);
        }
        const Outcome beat = client.heartbeat();
        ASSERT_TRUE(beat.reply) << "the daemon stopped serving others: " << describe(beat);
    }
    EXPECT_TRUE(sim.automatic()) << "no bad request engaged a fan";

    // A crowd that connects and leaves in every way at once.
    for (int i = 0; i < 1000; ++i) {
        RawXpcClient raw(daemon_->socketPath());
        if (i % 3 == 1) raw.sendBytes(bigEndianLength(64));
        if (i % 3 == 2) raw.sendMessage(request(1, protocol::heartbeat.selector, Json::array()));
    }
    ASSERT_TRUE(client.heartbeat().reply) << "the daemon stopped serving after the crowd";
    EXPECT_TRUE(eventually([&] { return daemon_->descriptors() == baseline; }))
        << "before:\n" << test::describe(baseline) << "after:\n" << test::describe(daemon_->descriptors());
    EXPECT_TRUE(sim.automatic());
}

TEST_F(DaemonEndToEnd, SocketActivationStartsTheDaemonOnTheFirstConnection) {
    const auto activator = findOnPath("systemd-socket-activate");
    if (!activator) GTEST_SKIP() << "systemd-socket-activate is not installed";
    startSim();
    DaemonLaunch how = launch();
    how.socketActivator = *activator;
    daemon_ = std::make_unique<DaemonProcess>(how);

    // The activator holds the socket; nobody has connected yet.
    ASSERT_TRUE(eventually([&] { return std::filesystem::exists(daemon_->socketPath()); }));
    const auto exe = [&] {
        std::error_code error;
        return std::filesystem::read_symlink("/proc/" + std::to_string(daemon_->pid()) + "/exe", error);
    };
    EXPECT_EQ(exe(), std::filesystem::canonical(*activator)) << "the daemon ran before anyone asked for it";

    // The connection that wakes the daemon is served by it. (It is a raw
    // one: the app's client checks its peer the moment it connects, when
    // the process behind the socket is still the activator.)
    {
        RawXpcClient raw(daemon_->socketPath());
        raw.sendMessage(request(1, protocol::heartbeat.selector, Json::array()));
        const std::optional<Json> beat = raw.receive();
        ASSERT_TRUE(beat && beat->contains("reply")) << (beat ? beat->dump() : "no answer") << daemon_->logText();
    }
    EXPECT_EQ(exe(), std::filesystem::path(ZEPHRANE_DAEMON_PROGRAM));
    EXPECT_EQ(daemon_->countLog("Zephrane SMC helper " + std::string(helperBuildVersion) + " started"), 1u);

    AppClient& client = connect();
    const Outcome version = client.call(protocol::helperVersion.selector, {});
    ASSERT_TRUE(version.reply) << describe(version);
    EXPECT_EQ(*(*version.reply)[0].string(), helperBuildVersion);
}

TEST_F(DaemonEndToEnd, AnInheritedSocketNamesTheDaemonToTheAppNotTheProgramThatMadeIt) {
    startSim();
    // The service manager's part, played by this program: it makes the
    // socket and listens on it, so connections name this program until the
    // daemon says otherwise.
    const auto path = directory_ / HelperConstants::machServiceName;
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.string().size());
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 16), 0);

    DaemonLaunch how = launch();
    how.inheritedListener = listener;
    daemon_ = std::make_unique<DaemonProcess>(how);
    ::close(listener);
    ASSERT_TRUE(daemon_->waitUntilServing()) << daemon_->logText();

    AppClient& client = connect();
    const Outcome beat = client.heartbeat();
    EXPECT_TRUE(beat.reply) << describe(beat);

    // Its socket belongs to whoever made it: the daemon leaves it on its way out.
    daemon_->process().signal(SIGTERM);
    ASSERT_TRUE(daemon_->process().waitForExit(20s));
    EXPECT_TRUE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace zephrane::helper::testing
