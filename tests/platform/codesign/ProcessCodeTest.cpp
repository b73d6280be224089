// Live peers: the test listens on a Unix socket and starts one of the peer
// programs, which connects back. A socketpair() would not do: both of its
// ends name the process that created the pair, never the child using one.
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TracedStart.hpp"
#include "platform/codesign/CodeSigning.hpp"
#include "shared/HelperConstants.hpp"

extern char** environ;

namespace zephrane::codesign {
namespace {

namespace fs = std::filesystem;

const Identity kApp{"com.zephrane.app", "ZPHRN4B7Q2"};

// Root in CI; elsewhere the tests trust the user running them.
TrustPolicy trusted() { return TrustPolicy{::getuid()}; }

const Requirement& clientRequirement() {
    static const Requirement requirement = Requirement::parse(HelperConstants::clientRequirement());
    return requirement;
}

fs::path makeScratch(const fs::path& parent) {
    std::string pattern = (parent / "codesign-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

struct Peer {
    pid_t pid = -1;  // our child, reaped by finish()
    int connection = -1;
    pid_t process = -1;  // the peer's process when another process started it
    pid_t tracer = -1;
};

class LivePeers : public ::testing::Test {
protected:
    LivePeers() {
        address_.sun_family = AF_UNIX;
        const std::string socketPath = (sockets_ / "peer.sock").string();
        std::strncpy(address_.sun_path, socketPath.c_str(), sizeof address_.sun_path - 1);
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::bind(listener_, reinterpret_cast<const sockaddr*>(&address_), sizeof address_) != 0 ||
            ::listen(listener_, 4) != 0)
            throw std::runtime_error("cannot listen");
    }

    ~LivePeers() override {
        for (const Peer& peer : peers_) finish(peer);
        ::close(listener_);
        fs::remove_all(sockets_);
        fs::remove_all(programs_);
    }

    // A copy of `program` with exactly `mode`, in a directory we may
    // execute from (the build tree, not a possibly noexec /tmp).
    fs::path install(const char* program, mode_t mode, const std::string& name = "peer") {
        const fs::path path = programs_ / name;
        fs::copy_file(program, path, fs::copy_options::overwrite_existing);
        EXPECT_EQ(::chmod(path.c_str(), mode), 0);
        return path;
    }

    // Starts `program`, which connects to us; the peer stays until finish()
    // unless told "--leave", in which case it exits right after connecting.
    // `environment` is added to ours, replacing what it names.
    Peer start(const fs::path& program, std::vector<std::string> options = {},
               std::vector<std::string> environment = {}) {
        std::vector<std::string> args{program.string(), address_.sun_path};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<char*> envp;
        const auto replaced = [&](std::string_view entry) {
            const auto name = entry.substr(0, entry.find('=') + 1);
            return std::any_of(environment.begin(), environment.end(),
                               [&](const std::string& e) { return e.starts_with(name); });
        };
        for (char** e = environ; *e != nullptr; ++e)
            if (!replaced(*e)) envp.push_back(*e);
        for (auto& e : environment) envp.push_back(e.data());
        envp.push_back(nullptr);

        Peer peer;
        const int error = ::posix_spawn(&peer.pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data());
        if (error != 0) {
            ADD_FAILURE() << "cannot start " << program << ": " << std::strerror(error);
            return peer;
        }
        pollfd ready{listener_, POLLIN, 0};
        if (::poll(&ready, 1, 10'000) == 1) peer.connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (peer.connection < 0) ADD_FAILURE() << program << " did not connect";
        peers_.push_back(peer);
        return peer;
    }

    // Starts `program` as `user` (which needs root), traced from its start
    // by a tracer of that user or not traced at all; it connects to us like
    // start()'s. The peer's directories and socket become everyone's to
    // reach.
    enum class Tracing { fromTheStart, none };
    Peer startAs(const fs::path& program, uid_t user, Tracing tracing) {
        EXPECT_EQ(::chmod(programs_.c_str(), 0755), 0);
        EXPECT_EQ(::chmod(sockets_.c_str(), 0755), 0);
        EXPECT_EQ(::chmod(address_.sun_path, 0777), 0);
        const std::vector<std::string> command{program.string(), address_.sun_path};
        Peer peer;
        if (tracing == Tracing::fromTheStart) {
            traced_.push_back(std::make_unique<test::TracedStart>(command, user));
            peer.tracer = traced_.back()->tracer();
        } else {
            // The same start without the trace: as the user, forked by a
            // process that gives up root first.
            traced_.push_back(std::make_unique<test::TracedStart>(command, user, -1, test::TracedStart::Trace::no));
        }
        peer.process = traced_.back()->traced();
        pollfd ready{listener_, POLLIN, 0};
        if (::poll(&ready, 1, 10'000) == 1) peer.connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (peer.connection < 0) ADD_FAILURE() << program << " did not connect";
        peers_.push_back(peer);
        return peer;
    }

    // Hangs up and reaps the peer.
    static void finish(const Peer& peer) {
        if (peer.connection >= 0) ::close(peer.connection);
        if (peer.pid > 0) ::waitpid(peer.pid, nullptr, 0);
    }

    static std::string failure(const Peer& peer, const fs::path& program, const std::string& why) {
        return "peer process " + std::to_string(peer.pid) + " (" + program.string() + "): " + why;
    }

    const fs::path programs_ = makeScratch(fs::path(PEER_APP_PATH).parent_path());
    const fs::path sockets_ = makeScratch(fs::temp_directory_path());
    sockaddr_un address_{};
    int listener_ = -1;
    std::vector<Peer> peers_;
    std::vector<std::unique_ptr<test::TracedStart>> traced_;  // after peers_: their connections close first
};

TEST_F(LivePeers, OnlyTheGenuineAppInstalledSafelyPasses) {
    const struct {
        const char* edge;
        const char* program;
        mode_t mode;
        std::optional<std::string> failure;
    } cases[] = {
        {"genuine, writable by its owner only", PEER_APP_PATH, 0755, std::nullopt},
        {"genuine, read-only", PEER_APP_PATH, 0555, std::nullopt},
        {"genuine but group-writable", PEER_APP_PATH, 0775,
         "anchor apple generic: the executable is writable by others than its owner (mode 0775)"},
        {"genuine but world-writable", PEER_APP_PATH, 0757,
         "anchor apple generic: the executable is writable by others than its owner (mode 0757)"},
        {"another program's identity", PEER_INTRUDER_PATH, 0755,
         "identifier \"com.example.intruder\" does not match \"com.zephrane.app\""},
        {"no identity", PEER_UNSIGNED_PATH, 0755,
         "identifier \"com.zephrane.app\": the executable embeds no identity"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const fs::path program = install(c.program, c.mode, "peer" + std::to_string(n++));
        const Peer peer = start(program);
        const auto verdict = checkPeer(peer.connection, clientRequirement(), trusted());
        if (c.failure)
            EXPECT_EQ(verdict, failure(peer, program, *c.failure)) << c.edge;
        else
            EXPECT_EQ(verdict, std::nullopt) << c.edge;
    }
}

// What checkPeer says when run by an unprivileged user (in a child that
// gives up root), which may not open a root process's executable.
std::optional<std::string> checkAsNobody(int connection, const Requirement& requirement) {
    int answer[2];
    if (::pipe(answer) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(answer[0]);
        constexpr uid_t kNobody = 65534;
        if (::setresgid(kNobody, kNobody, kNobody) != 0 || ::setresuid(kNobody, kNobody, kNobody) != 0) _exit(3);
        const auto verdict = checkPeer(connection, requirement, TrustPolicy{0});
        const std::string text = verdict ? "F" + *verdict : "P";
        (void)!::write(answer[1], text.data(), text.size());
        _exit(0);
    }
    ::close(answer[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = ::read(answer[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
    ::close(answer[0]);
    ::waitpid(child, nullptr, 0);
    if (text.empty()) return "the unprivileged check did not answer";
    if (text == "P") return std::nullopt;
    return text.substr(1);
}

TEST_F(LivePeers, AnUnprivilegedCheckerJudgesARootPeerByTheFileItWasStartedAs) {
    if (::getuid() != 0) GTEST_SKIP() << "needs root to run peers a checker may not look into";
    // The unprivileged checker must be able to read the programs themselves,
    // so they go where anyone may look (the build tree may sit in a private
    // folder), and the folder goes again at the end.
    struct Shared {
        fs::path dir = makeScratch(fs::temp_directory_path());
        ~Shared() { fs::remove_all(dir); }
    } shared;
    ASSERT_EQ(::chmod(shared.dir.c_str(), 0755), 0);
    const auto place = [&](const char* program, const char* name) {
        const fs::path path = shared.dir / name;
        fs::copy_file(program, path);
        EXPECT_EQ(::chmod(path.c_str(), 0755), 0);
        return path;
    };
    const fs::path app = place(PEER_APP_PATH, "app");
    const fs::path intruder = place(PEER_INTRUDER_PATH, "intruder");

    const Peer genuine = start(app);
    EXPECT_EQ(checkAsNobody(genuine.connection, clientRequirement()), std::nullopt);

    const Peer other = start(intruder);
    const auto refused = checkAsNobody(other.connection, clientRequirement());
    ASSERT_TRUE(refused.has_value());
    EXPECT_NE(refused->find("identifier \"com.example.intruder\" does not match"), std::string::npos) << *refused;
}

// The genuine app, safely installed, with code of another's in it.
TEST_F(LivePeers, CodeInjectedIntoTheGenuineAppFails) {
    const bool root = ::getuid() == 0;
    const fs::path app = install(PEER_APP_PATH, 0755, "app");
    const auto library = [&](const std::string& name, mode_t mode, uid_t owner) {
        const fs::path path = install(INJECTED_LIBRARY_PATH, mode, name);
        if (owner != ::getuid()) {
            EXPECT_EQ(::chown(path.c_str(), owner, owner), 0);
        }
        return path.string();
    };
    const std::string safe = library("safe.so", 0755, ::getuid());
    // A sanitized program refuses to start with a library loaded ahead of
    // its runtime unless told the order does not matter.
    const std::string preload = "LD_PRELOAD=" + safe;
    const std::string anyOrder = "ASAN_OPTIONS=verify_asan_link_order=0";
    const std::string prefix = "anchor apple generic: the process has loaded \"";
    const struct {
        const char* edge;
        std::vector<std::string> options;
        std::vector<std::string> environment;
        std::optional<std::string> failure;
        bool needsRoot = false;
    } cases[] = {
        {"a library beyond anyone else's reach, loaded by the app itself", {"--load", safe}, {}, std::nullopt},
        {"the same library preloaded", {}, {preload, anyOrder},
         "anchor apple generic: the process's environment sets LD_PRELOAD"},
        {"a group-writable library", {"--load", library("group.so", 0775, ::getuid())}, {},
         prefix + (programs_ / "group.so").string() + "\", writable by others than its owner (mode 0775)"},
        {"a library another user owns", {"--load", root ? library("theirs.so", 0755, 4242) : safe}, {},
         prefix + (programs_ / "theirs.so").string() + "\", owned by uid 4242, not uid 0", true},
    };
    for (const auto& c : cases) {
        if (c.needsRoot && !root) continue;
        const Peer peer = start(app, c.options, c.environment);
        const auto verdict = checkPeer(peer.connection, clientRequirement(), trusted());
        if (c.failure)
            EXPECT_EQ(verdict, failure(peer, app, *c.failure)) << c.edge;
        else
            EXPECT_EQ(verdict, std::nullopt) << c.edge;
    }
}

// The genuine app started under a tracer, as an unprivileged program that
// wants to steer it would start it: refused, unless the tracer is root (or
// the trusted owner), who could change the program itself anyway.
TEST_F(LivePeers, TheGenuineAppTracedByAnotherUserFails) {
    if (::getuid() != 0) GTEST_SKIP() << "needs root to run peers and tracers as another user";
    constexpr uid_t kNobody = 65534;
    const fs::path app = install(PEER_APP_PATH, 0755, "app");

    const Peer untraced = startAs(app, kNobody, Tracing::none);
    EXPECT_EQ(checkPeer(untraced.connection, clientRequirement(), TrustPolicy{0}), std::nullopt)
        << "run by another user, the genuine app passes";

    const Peer traced = startAs(app, kNobody, Tracing::fromTheStart);
    EXPECT_EQ(checkPeer(traced.connection, clientRequirement(), TrustPolicy{0}),
              "peer process " + std::to_string(traced.process) + " (" + app.string() +
                  "): anchor apple generic: the process is being traced by process " + std::to_string(traced.tracer) +
                  " (uid 65534), which may steer it");

    const Peer debugged = startAs(app, 0, Tracing::fromTheStart);
    EXPECT_EQ(checkPeer(debugged.connection, clientRequirement(), TrustPolicy{0}), std::nullopt)
        << "root's debugger is no intruder";
}

TEST_F(LivePeers, CopyOwnedByAnotherUserFails) {
    if (::getuid() != 0) GTEST_SKIP() << "changing a file's owner needs root";
    const fs::path program = install(PEER_APP_PATH, 0755);
    ASSERT_EQ(::chown(program.c_str(), 4242, 4242), 0);
    const Peer peer = start(program);
    EXPECT_EQ(checkPeer(peer.connection, clientRequirement(), TrustPolicy{0}),
              failure(peer, program, "anchor apple generic: the executable is owned by uid 4242, not uid 0"));
}

TEST_F(LivePeers, IdentityComesFromTheRunningFileNotTheOneNowAtItsPath) {
    // An intruder starts, then puts the genuine app where its own file was.
    const fs::path intruder = install(PEER_INTRUDER_PATH, 0755, "swapped");
    const Peer peer = start(intruder);
    const fs::path genuine = install(PEER_APP_PATH, 0755, "genuine");
    fs::rename(genuine, intruder);
    ASSERT_EQ(readEmbeddedIdentity(intruder.string()), kApp);

    const auto code = codeInfoForProcess(peer.pid);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(code->executablePath, intruder.string() + " (deleted)");
    EXPECT_EQ(code->identity, (Identity{"com.example.intruder", "EXMPL0000X"}));
    EXPECT_EQ(checkPeer(peer.connection, clientRequirement(), trusted()),
              failure(peer, intruder.string() + " (deleted)",
                      "identifier \"com.example.intruder\" does not match \"com.zephrane.app\""));
}

TEST_F(LivePeers, PeerThatIsGoneFails) {
    const Peer peer = start(install(PEER_APP_PATH, 0755), {"--leave"});
    ASSERT_EQ(::waitpid(peer.pid, nullptr, 0), peer.pid);
    peers_.back().pid = -1;  // reaped already
    EXPECT_EQ(checkPeer(peer.connection, clientRequirement(), trusted()),
              "peer process " + std::to_string(peer.pid) + " is gone");
    EXPECT_EQ(codeInfoForProcess(peer.pid), std::nullopt);
}

TEST(PeerCheck, WithoutAConnectedPeerItFails) {
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    EXPECT_EQ(checkPeer(pipeEnds[0], clientRequirement(), trusted()),
              "cannot identify the peer: Socket operation on non-socket");
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    EXPECT_EQ(checkPeer(-1, clientRequirement(), trusted()), "cannot identify the peer: Bad file descriptor");
}

TEST(PeerCheck, BothEndsOfASocketpairNameItsCreator) {
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
    const auto self = codeInfoForProcess(::getpid());
    ASSERT_TRUE(self.has_value());
    EXPECT_EQ(checkPeer(ends[1], Requirement::parse("identifier com.zephrane.app"), trusted()),
              "peer process " + std::to_string(::getpid()) + " (" + self->executablePath +
                  "): identifier \"com.zephrane.app\": the executable embeds no identity");
    ::close(ends[0]);
    ::close(ends[1]);
}

TEST(ProcessCode, DescribesTheExecutableOfALiveProcess) {
    const auto self = codeInfoForProcess(::getpid());
    ASSERT_TRUE(self.has_value());
    struct stat status {};
    ASSERT_EQ(::stat("/proc/self/exe", &status), 0);
    EXPECT_EQ(self->executablePath, fs::read_symlink("/proc/self/exe").string());
    EXPECT_EQ(self->owner, status.st_uid);
    EXPECT_EQ(self->mode, status.st_mode & 07777);
    EXPECT_EQ(self->identity, std::nullopt);

    EXPECT_EQ(codeInfoForProcess(0), std::nullopt);
    EXPECT_EQ(codeInfoForProcess(-1), std::nullopt);
}

}  // namespace
}  // namespace zephrane::codesign
