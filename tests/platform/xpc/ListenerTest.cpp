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
        Listener second(thread.executor(), std::string(kServiceName), ListenerSettings{dir.path(), {}, false, {}});
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
    Listener overFile(thread.executor(), std::string(kServiceName), ListenerSettings{dir.path(), {}, false, {}});
    EXPECT_THROW(overFile.resume(), std::system_error);
    EXPECT_TRUE(std::filesystem::is_regular_file(dir.socketPath()));
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
    ListenerSettings settings{dir.path(), {}, false, pair[0]};
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
            if (::dup2(listening, kFirstActivatedDescriptor) != kFirstActivatedDescriptor) ::_exit(2);
            ::close(listening);
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
