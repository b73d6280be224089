// A program for the code-signing tests. It carries the identity its build
// names (or none), connects to the Unix socket named by its argument and
// stays until the test hangs up, so the test can check it as a live peer.
// With "--leave" it hangs up at once: a peer that is gone. With
// "--load <library>" it first loads that library, as code injected into a
// genuine program would be.
#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string_view>

#include "platform/codesign/EmbeddedIdentity.hpp"

#if defined(PEER_IDENTIFIER)
ZEPHRANE_EMBED_IDENTITY(PEER_IDENTIFIER, PEER_TEAM);
#endif

int main(int argc, char** argv) {
    if (argc < 2) return 0;
    if (argc > 3 && std::string_view(argv[2]) == "--load" && ::dlopen(argv[3], RTLD_NOW) == nullptr) return 4;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (std::strlen(argv[1]) >= sizeof address.sun_path) return 2;
    std::strcpy(address.sun_path, argv[1]);

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return 3;
    if (argc > 2 && std::string_view(argv[2]) == "--leave") return 0;
    char byte;
    while (::read(fd, &byte, 1) > 0) {
    }
    return 0;
}
