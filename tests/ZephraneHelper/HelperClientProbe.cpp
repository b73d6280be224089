// A client of the daemon in a process of its own, built several times with a
// different code identity each (see CMakeLists.txt): it asks for a fan speed
// and prints what came back on one line,
//   reply <written rpm> <daemon error code, or 0>
//   error <domain> <code> <description>
//   timeout
// With "hold" it then stays connected, beating every second, until killed:
// the test's stand-in for an app that dies while it holds the fans.
//
// Usage: probe <service directory> <fan> <rpm> [hold]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>

#include "platform/codesign/EmbeddedIdentity.hpp"
#include "platform/xpc/ClientConnection.hpp"
#include "platform/xpc/CodeSignValidator.hpp"
#include "shared/HelperConstants.hpp"
#include "shared/ZephraneXPCProtocol.hpp"

#if defined(ZEPHRANE_PROBE_IDENTIFIER)
ZEPHRANE_EMBED_IDENTITY(ZEPHRANE_PROBE_IDENTIFIER, ZEPHRANE_PROBE_TEAM);
#endif

using namespace zephrane;

namespace {

std::string outcomeLine(const std::shared_ptr<xpc::ClientConnection>& connection, std::int64_t fan, double rpm) {
    auto promise = std::make_shared<std::promise<std::string>>();
    auto line = promise->get_future();
    connection->send(
        ZephraneXPCProtocol::setTargetRPM.selector, {fan, rpm},
        [promise](xpc::Values reply) {
            const double written = reply.size() == 2 ? reply[0].float64().value_or(-1) : -1;
            const xpc::Error* error = reply.size() == 2 ? reply[1].error() : nullptr;
            promise->set_value("reply " + std::to_string(written) + " " + std::to_string(error ? error->code : 0));
        },
        [promise](const xpc::Error& error) {
            promise->set_value("error " + error.domain + " " + std::to_string(error.code) + " " + error.description);
        });
    if (line.wait_for(std::chrono::seconds(15)) != std::future_status::ready) return "timeout";
    return line.get();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <service directory> <fan> <rpm> [hold]\n", argv[0]);
        return 2;
    }
    xpc::ClientSettings settings;
    settings.directory = argv[1];
    settings.validator = xpc::codeSignValidator();
    auto connection = xpc::ClientConnection::create(std::string(HelperConstants::machServiceName),
                                                    xpc::ConnectionOptions::privileged, std::move(settings));
    connection->setCodeSigningRequirement(HelperConstants::daemonRequirement());
    connection->resume();

    const std::string line = outcomeLine(connection, std::strtoll(argv[2], nullptr, 10), std::strtod(argv[3], nullptr));
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);

    if (argc > 4 && std::string(argv[4]) == "hold") {
        for (;;) {
            connection->send(ZephraneXPCProtocol::heartbeat.selector, {}, [](xpc::Values) {}, [](const xpc::Error&) {});
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
    }
    connection->invalidate();
    // The connection's I/O thread may still be winding down: no static
    // destructor may run under it.
    std::fflush(stdout);
    std::_Exit(0);
}
