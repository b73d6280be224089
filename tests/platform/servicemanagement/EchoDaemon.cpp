// A stand-in daemon for the service manager's end-to-end tests: takes the
// listening socket handed over on start (LISTEN_FDS / LISTEN_PID, through
// the same code the real daemon uses) and answers each line with its pid
// and the line. What it does is chosen by the environment, which
// zephrane-launchd passes on:
//
//   ECHO_DAEMON_EVENTS  a file it appends "start <pid> <LISTEN_FDNAMES>",
//                       "term <pid>" and "exit <pid>" lines to
//   ECHO_DAEMON_MODE    serve (default): until SIGTERM
//                       once: exits after its first connection closes
//                       ignore-term: notes SIGTERM and carries on
//                       crash: exits with status 3 at once
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "platform/xpc/SocketActivation.hpp"

namespace {

int events = -1;
bool ignoreTerm = false;

void note(const std::string& line) {
    const std::string text = line + "\n";
    if (events >= 0) (void)!::write(events, text.data(), text.size());
}

void onTerm(int) {
    // Only async-signal-safe calls: the text is built without allocating.
    char text[48] = "term ";
    char digits[24];
    int count = 0;
    for (long pid = ::getpid(); pid > 0 && count < 23; pid /= 10) digits[count++] = static_cast<char>('0' + pid % 10);
    int length = 5;
    while (count > 0) text[length++] = digits[--count];
    text[length++] = '\n';
    if (events >= 0) (void)!::write(events, text, static_cast<std::size_t>(length));
    if (!ignoreTerm) ::_exit(0);
}

void serve(int client, const std::string& pid) {
    std::string line;
    char c = 0;
    for (;;) {
        const ssize_t got = ::read(client, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        if (c != '\n') {
            line += c;
            continue;
        }
        const std::string reply = pid + " " + line + "\n";
        if (::send(client, reply.data(), reply.size(), MSG_NOSIGNAL) < 0) break;
        line.clear();
    }
    ::close(client);
}

}  // namespace

int main() {
    if (const char* path = std::getenv("ECHO_DAEMON_EVENTS"))
        events = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const std::string mode = std::getenv("ECHO_DAEMON_MODE") ? std::getenv("ECHO_DAEMON_MODE") : "serve";
    ignoreTerm = mode == "ignore-term";
    const std::string pid = std::to_string(::getpid());
    const char* names = std::getenv("LISTEN_FDNAMES");
    const std::string fdNames = names ? names : "-";

    struct sigaction action{};
    action.sa_handler = onTerm;
    ::sigaction(SIGTERM, &action, nullptr);

    std::optional<int> listener;
    try {
        listener = zephrane::xpc::takeActivatedSocket();
    } catch (const std::exception&) {
    }
    if (!listener) {
        note("nosocket " + pid);
        return 2;
    }
    note("start " + pid + " " + fdNames);
    if (mode == "crash") return 3;
    for (;;) {
        const int client = ::accept4(*listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            if (errno == EINTR) continue;
            note("accept-failed " + pid);
            return 4;
        }
        serve(client, pid);
        if (mode == "once") {
            note("exit " + pid);
            return 0;
        }
    }
}
