// What a hostile local user's connection costs the daemon before it is
// refused: programs crafted to make the peer check read and keep as much as
// it will (tests/platform/codesign/CraftedElf.hpp), owned by an unprivileged
// user as an attacker's would be, connecting to the daemon's listener with
// the real code-signing check and the app's requirement.
//
//   BM_PeerCheckOfCraftedProgram  one check of one such live peer: its time,
//                                 and how far it raised the process's peak
//                                 resident memory (peak_rss_mb)
//   BM_ListenerStallUnderCraftedPeers  four such peers at a time connecting
//                                 to a listener while a timer on the
//                                 listener's executor (the thread that
//                                 serves every connection) notes how late
//                                 it runs: the longest delay (max_stall_ms)
//
// Run as root: the crafted programs are handed to uid 65534.
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <asio.hpp>
#include <benchmark/benchmark.h>

#include "CraftedElf.hpp"
#include "platform/codesign/CodeSigning.hpp"
#include "platform/xpc/CodeSignValidator.hpp"
#include "platform/xpc/IoThread.hpp"
#include "platform/xpc/Listener.hpp"
#include "shared/HelperConstants.hpp"

extern char** environ;

namespace zephrane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
namespace crafted = codesign::crafted;

constexpr uid_t kNobody = 65534;

struct NamedShape {
    const char* name;
    crafted::Shape shape;
};

// The three of the review, the last cut to 2048 sections: the full 65278 of
// identity notes would hold some 80 million identities in a reader that
// keeps them all, more memory than a shared machine should lend a benchmark.
const NamedShape kShapes[] = {
    {"many_sections", {65278, 1024, crafted::Fill::identityNotes}},
    {"huge_notes", {65278, 64 * 1024, crafted::Fill::hugeNote}},
    {"many_identity_notes", {2048, 64 * 1024, crafted::Fill::identityNotes}},
};

fs::path makeTempDir() {
    char pattern[] = "/tmp/zfw-peercheck-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    ::chmod(pattern, 0755);
    return pattern;
}

// Kibibytes of "VmHWM:" or "VmRSS:" in /proc/self/status.
long statusKiB(std::string_view field) {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.starts_with(field)) return std::stol(line.substr(field.size()));
    return 0;
}

// The peak resident size starts again from the current one.
void resetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

class CraftedPrograms {
public:
    CraftedPrograms() : dir_(makeTempDir()) {
        const crafted::Bytes peer = crafted::readFile(ZEPHRANE_BENCH_IDENTITY_PEER);
        for (const NamedShape& shape : kShapes) {
            const fs::path path = dir_ / shape.name;
            crafted::writeProgram(path, crafted::craft(peer, shape.shape));
            if (::chown(path.c_str(), kNobody, kNobody) != 0) throw std::runtime_error("chown needs root");
        }
    }
    ~CraftedPrograms() {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    fs::path program(std::size_t shape) const { return dir_ / kShapes[shape].name; }
    const fs::path& dir() const { return dir_; }

private:
    fs::path dir_;
};

// Starts `program` connecting to `socketPath`; it stays until hung up on.
pid_t spawnPeer(const fs::path& program, const std::string& socketPath) {
    std::string programText = program.string();
    std::string socketText = socketPath;
    char* argv[] = {programText.data(), socketText.data(), nullptr};
    pid_t pid = -1;
    if (::posix_spawn(&pid, programText.c_str(), nullptr, nullptr, argv, environ) != 0)
        throw std::runtime_error("cannot start " + programText);
    return pid;
}

void reap(pid_t pid) {
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

void BM_PeerCheckOfCraftedProgram(benchmark::State& state) {
    const CraftedPrograms programs;
    const fs::path socketPath = programs.dir() / "check.sock";
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, socketPath.c_str());
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(listener, 4) != 0)
        throw std::runtime_error("cannot listen");
    const pid_t peer = spawnPeer(programs.program(static_cast<std::size_t>(state.range(0))), socketPath);
    pollfd ready{listener, POLLIN, 0};
    if (::poll(&ready, 1, 10'000) != 1) throw std::runtime_error("the crafted peer did not connect");
    const int connection = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);

    const auto requirement = codesign::Requirement::parse(HelperConstants::clientRequirement());
    const long baseline = statusKiB("VmRSS:");
    resetPeakMemory();
    for (auto _ : state) {
        const auto verdict = codesign::checkPeer(connection, requirement, codesign::TrustPolicy{});
        if (!verdict) state.SkipWithError("a crafted peer was admitted");
        benchmark::DoNotOptimize(verdict);
    }
    state.counters["peak_rss_mb"] = static_cast<double>(statusKiB("VmHWM:") - baseline) / 1024.0;
    state.SetLabel(kShapes[state.range(0)].name);
    ::close(connection);
    ::close(listener);
    reap(peer);
}
BENCHMARK(BM_PeerCheckOfCraftedProgram)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

// Accepts every connection with the app's requirement, as the daemon does.
struct RequireTheApp final : xpc::ListenerDelegate {
    bool shouldAcceptNewConnection(const std::shared_ptr<xpc::Connection>& connection) override {
        connection->setCodeSigningRequirement(HelperConstants::clientRequirement());
        connection->resume();
        return true;
    }
};

// A 1 ms timer on `executor`, rearmed from each expiry, noting the longest
// time between when it was due and when it ran.
class StallMeter {
public:
    explicit StallMeter(asio::any_io_executor executor) : timer_(executor) {
        asio::post(executor, [this] { arm(); });
    }
    void stop() {
        std::atomic<bool> stopped{false};
        asio::post(timer_.get_executor(), [this, &stopped] {
            stopping_ = true;
            timer_.cancel();
            stopped = true;
        });
        while (!stopped) std::this_thread::sleep_for(1ms);
    }
    double maxStallMs() const { return worst_.load(); }

private:
    void arm() {
        timer_.expires_after(1ms);
        timer_.async_wait([this](const std::error_code& error) {
            if (error || stopping_) return;
            const double late =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - timer_.expiry()).count();
            if (late > worst_.load()) worst_ = late;
            arm();
        });
    }

    asio::steady_timer timer_;
    bool stopping_ = false;  // executor only
    std::atomic<double> worst_{0};
};

void BM_ListenerStallUnderCraftedPeers(benchmark::State& state) {
    const CraftedPrograms programs;
    const fs::path socketDir = programs.dir() / "xpc";
    fs::create_directory(socketDir);
    xpc::IoThread io;
    xpc::ListenerSettings settings;
    settings.directory = socketDir.string();
    settings.socketActivation = false;
    settings.validator = xpc::codeSignValidator();
    xpc::Listener listener(io.executor(), std::string(HelperConstants::machServiceName), settings);
    listener.setDelegate(std::make_shared<RequireTheApp>());
    listener.resume();

    const long baseline = statusKiB("VmRSS:");
    resetPeakMemory();
    StallMeter meter(io.executor());
    const fs::path program = programs.program(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        // Four at once, as in the review; each leaves once refused.
        std::vector<pid_t> peers;
        for (int i = 0; i < 4; ++i) peers.push_back(spawnPeer(program, listener.socketPath()));
        for (const pid_t peer : peers) reap(peer);
    }
    meter.stop();
    state.counters["max_stall_ms"] = meter.maxStallMs();
    state.counters["peak_rss_mb"] = static_cast<double>(statusKiB("VmHWM:") - baseline) / 1024.0;
    state.SetLabel(kShapes[state.range(0)].name);
    listener.invalidate();
}
BENCHMARK(BM_ListenerStallUnderCraftedPeers)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
}  // namespace zephrane
