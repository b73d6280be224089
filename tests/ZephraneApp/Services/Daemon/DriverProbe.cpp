// An app process for the end-to-end tests: it carries the app's identity,
// brings the daemon link up, drives fan 0 to the speed given as its argument,
// prints "written <rpm>" (or each failure, trying again a few times) and
// then runs until the file given as its second argument appears, when it
// returns from main normally (so the exit restore runs), unless the test
// kills it first.
#include <cstdio>
#include <filesystem>
#include <string>

#include <QCoreApplication>
#include <QTimer>

#include <qcoro/qcorotask.h>

#include "ZephraneApp/Services/Daemon/SMCDriverActor.hpp"
#include "platform/codesign/EmbeddedIdentity.hpp"

ZEPHRANE_EMBED_IDENTITY("com.zephrane.app", "ZPHRN4B7Q2");

namespace {

// A loaded machine can make a handshake or a write miss its time-out; the
// app then tries again, and so does the probe, a few times, before it gives
// up with status 2.
constexpr int kAttempts = 5;

QCoro::Task<void> drive(zephrane::SMCDriverActor& driver, double rpm) {
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        const auto state = co_await driver.connect();
        if (state.kind() != zephrane::SMCDriverActor::HelperState::Kind::connected) {
            std::printf("not connected: %s\n", state.reason().c_str());
            std::fflush(stdout);
            continue;
        }
        try {
            const double written = co_await driver.setTargetRPM(0, rpm);
            std::printf("written %.0f\n", written);
            std::fflush(stdout);
            co_return;
        } catch (const std::exception& e) {
            std::printf("write failed: %s\n", e.what());
            std::fflush(stdout);
        }
    }
    QCoreApplication::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) return 64;
    const double rpm = std::stod(argv[1]);
    const std::filesystem::path quitFile = argv[2];
    zephrane::SMCDriverActor driver;
    drive(driver, rpm);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (std::filesystem::exists(quitFile)) QCoreApplication::quit();
    });
    poll.start(20);
    return QCoreApplication::exec();
}
