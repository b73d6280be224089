// Where the listener gets its socket: one it binds (and what it refuses to
// bind over), or one a service manager hands over.
#include "platform/xpc/Listener.hpp"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <fstream>

#include <gtest/gtest.h>

#include "platform/xpc/SocketActivation.hpp"
#include "XPCTestSupport.hpp"

namespace zephrane::xpc::test {
namespace {

int listeningSocketAt(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 || ::listen(fd, 16) != 0) {
        throw std::runtime_error("cannot listen at " + path);
    }
    return fd;
}

// A socket of the listener's own in `directory`, whatever this process inherited.
ListenerSettings ownSocket(const std::string& directory) {
    ListenerSettings settings;
    settings.directory = directory;
    settings.socketActivation = false;
    return settings;
}

bool answersWhoami(const TempDir& dir) {
    IoThread thread;
    auto client = ClientConnection::create(std::string(kServiceName), ConnectionOptions::privileged,
                                           clientSettings(dir, thread.executor()));
    client->resume();
    Outcomes outcomes;
    client->remoteObjectProxyWithErrorHandler(outcomes.errorFor(0)).send("whoami", {}, outcomes.replyFor(0));
    return outcomes.waitForAnswers(1) && outcomes.at(0).replies == 1;
}

TEST(Listener, BindsItsOwnSocketOpenToAllAndRemovesItWhenDone) {
    TempDir dir;
    ListenerSettings settings;
    settings.directory = dir.path() + "/made/here";
    const std::string path = *settings.directory + "/" + std::string(kServiceName);
    {
        TestService service(dir, settings);
        struct stat status {};
        ASSERT_EQ(::stat(path.c_str(), &status), 0);
        EXPECT_TRUE(S_ISSOCK(status.st_mode));
        EXPECT_EQ(status.st_mode & 0777, 0666u);  // the peer check decides, not the mode
        EXPECT_FALSE(service.listener().usesInheritedSocket());
        EXPECT_EQ(service.listener().socketPath(), path);
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(Listener, ReplacesTheSocketOfADeadServerButNeverALiveOneOrAFile) {
    TempDir dir;
    ::close(listeningSocketAt(dir.socketPath()));  // a dead server's leftover
    {
        TestService service(dir);
        EXPECT_TRUE(answersWhoami(dir));

        IoThread thread;
        Listener second(thread.executor(), std::string(kServiceName), ownSocket(dir.path()));
        try {
            second.resume();
            ADD_FAILURE() << "took the socket of a live server";
        } catch (const std::system_error& e) {
            EXPECT_EQ(e.code().value(), EADDRINUSE);
        }
        EXPECT_TRUE(answersWhoami(dir));
    }
    std::ofstream(dir.socketPath()) << "not a socket";
    IoThread thread;
    Listener overFile(thread.executor(), std::string(kServiceName), ownSocket(dir.path()));
    EXPECT_THROW(overFile.resume(), std::system_error);
    EXPECT_TRUE(std::filesystem::is_regular_file(dir.socketPath()));
}

int resumeError(const std::string& directory) {
    IoThread thread;
    Listener listener(thread.executor(), std::string(kServiceName), ownSocket(directory));
    try {
        listener.resume();
    } catch (const std::system_error& e) {
        return e.code().value();
    }
    return 0;
}

// Its own socket only in a directory nobody else may change (the rules are
// OwnSocket's): refused with EPERM, and nothing made there.
TEST(Listener, ServesOnlyInADirectoryNobodyElseMayChange) {
    TempDir dir;
    const struct {
        const char* edge;
        mode_t mode;
        uid_t owner;
    } refused[] = {
        {"group-writable", 0775, ::geteuid()},
        {"another user's", 0755, 4242},
    };
    int n = 0;
    for (const auto& c : refused) {
        if (c.owner != ::geteuid() && ::geteuid() != 0) continue;
        const std::string sub = dir.path() + "/d" + std::to_string(n++);
        ASSERT_EQ(::mkdir(sub.c_str(), 0700), 0);
        ASSERT_EQ(::chmod(sub.c_str(), c.mode), 0);
        if (c.owner != ::geteuid()) {
            ASSERT_EQ(::chown(sub.c_str(), c.owner, c.owner), 0);
        }
        EXPECT_EQ(resumeError(sub), EPERM) << c.edge;
        EXPECT_TRUE(std::filesystem::is_empty(sub)) << c.edge;
    }
}

// The mode is the socket's from its creation on, whatever the umask.
TEST(Listener, TheSocketIsOpenToAllWhateverTheUmask) {
    TempDir dir;
    const mode_t saved = ::umask(077);
    {
        TestService service(dir);
        ::umask(saved);
        struct stat status {};
        ASSERT_EQ(::stat(dir.socketPath().c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0666u);
        EXPECT_TRUE(answersWhoami(dir));
    }
    ::umask(saved);
}

// A peer of another user's, in a child that gives up root: connects, asks,
// says whether it was answered, and stays until destroyed.
class OtherUsersPeer {
public:
    OtherUsersPeer(const std::string& path, uid_t user) {
        int report[2];
        if (::pipe(report) != 0) throw std::runtime_error("pipe");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(report[0]);
            if (::setresgid(user, user, user) != 0 || ::setresuid(user, user, user) != 0) ::_exit(3);
            try {
                RawPeer peer(path);
                const char answer = served(peer, 1) ? 'y' : 'n';
                (void)!::write(report[1], &answer, 1);
                for (;;) ::pause();
            } catch (...) {
            }
            ::_exit(2);
        }
        ::close(report[1]);
        char answer = 0;
        answered_ = ::read(report[0], &answer, 1) == 1 && answer == 'y';
        ::close(report[0]);
    }
    ~OtherUsersPeer() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    OtherUsersPeer(const OtherUsersPeer&) = delete;
    OtherUsersPeer& operator=(const OtherUsersPeer&) = delete;
    bool answered() const { return answered_; }

private:
    pid_t pid_ = -1;
    bool answered_ = false;
};

// Past either limit a new connection is closed at once, the ones open are
// served on, one user's many leave room for another's, and room comes back
// as connections go.
TEST(Listener, ConnectionsPastItsLimitsAreClosedAtOnceWhileTheOthersAreServed) {
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);  // other users connect too
    ListenerSettings settings;
    settings.maxConnections = 3;
    settings.maxConnectionsPerUser = 2;
    TestService service(dir, settings);
    auto first = std::make_unique<RawPeer>(dir.socketPath());
    RawPeer second(dir.socketPath());
    ASSERT_TRUE(served(*first, 1));
    ASSERT_TRUE(served(second, 2));
    {
        RawPeer third(dir.socketPath());
        EXPECT_FALSE(served(third, 3)) << "a third connection of one user's";
    }
    EXPECT_TRUE(served(*first, 4));

    if (::geteuid() == 0) {
        OtherUsersPeer another(dir.socketPath(), 65534);
        EXPECT_TRUE(another.answered()) << "room is kept for another user";
        OtherUsersPeer yetAnother(dir.socketPath(), 65533);
        EXPECT_FALSE(yetAnother.answered()) << "past the total";
    }

    const int before = service.totalInvalidations();
    first.reset();
    ASSERT_TRUE(eventually([&] { return service.totalInvalidations() > before; }));
    RawPeer fourth(dir.socketPath());
    EXPECT_TRUE(served(fourth, 5)) << "room again once one has gone";
}

TEST(Listener, ServesASocketHandedOverInProcessAndLeavesItsFile) {
    TempDir dir;
    ListenerSettings settings;
    settings.listeningSocket = listeningSocketAt(dir.socketPath());
    {
        TestService service(dir, settings);
        EXPECT_TRUE(service.listener().usesInheritedSocket());
        EXPECT_TRUE(answersWhoami(dir));
    }
    EXPECT_TRUE(std::filesystem::exists(dir.socketPath()));  // the service manager's, not ours
}

TEST(Listener, RefusesADescriptorThatIsNotAListeningSocket) {
    TempDir dir;
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    ::close(pair[1]);
    IoThread thread;
    ListenerSettings settings = ownSocket(dir.path());
    settings.listeningSocket = pair[0];
    Listener listener(thread.executor(), std::string(kServiceName), settings);
    EXPECT_THROW(listener.resume(), std::system_error);
}

TEST(SocketActivation, IgnoresVariablesMeantForAnotherProcess) {
    ::setenv("LISTEN_PID", std::to_string(::getpid() + 1).c_str(), 1);
    ::setenv("LISTEN_FDS", "1", 1);
    EXPECT_FALSE(takeActivatedSocket());
    EXPECT_NE(::getenv("LISTEN_PID"), nullptr);  // not ours to remove
    ::unsetenv("LISTEN_PID");
    ::unsetenv("LISTEN_FDS");
}

// The way systemd starts the daemon: descriptor 3 and LISTEN_PID/LISTEN_FDS.
TEST(SocketActivation, AStartedServiceTakesDescriptorThreeAndClearsTheVariables) {
    TempDir dir;
    const int listening = listeningSocketAt(dir.socketPath());
    const pid_t server = ::fork();  // before any thread of ours exists
    ASSERT_GE(server, 0);
    if (server == 0) {
        try {
            // (When the socket is descriptor 3 already, closing the original
            // would close the one copy.)
            if (listening != kFirstActivatedDescriptor) {
                if (::dup2(listening, kFirstActivatedDescriptor) != kFirstActivatedDescriptor) ::_exit(2);
                ::close(listening);
            }
            ::setenv("LISTEN_PID", std::to_string(::getpid()).c_str(), 1);
            ::setenv("LISTEN_FDS", "1", 1);
            ::setenv("LISTEN_FDNAMES", "xpc", 1);
            TestService service(dir);
            const bool tookIt = service.listener().usesInheritedSocket() && !::getenv("LISTEN_PID") &&
                                !::getenv("LISTEN_FDS") && !::getenv("LISTEN_FDNAMES");
            if (!tookIt) ::_exit(3);
            for (;;) ::pause();
        } catch (...) {
        }
        ::_exit(1);
    }
    ::close(listening);
    EXPECT_TRUE(answersWhoami(dir));
    int status = 0;
    EXPECT_EQ(::waitpid(server, &status, WNOHANG), 0) << "the service ended with status " << status;
    ::kill(server, SIGKILL);
    ::waitpid(server, &status, 0);
}

}  // namespace
}  // namespace zephrane::xpc::test
