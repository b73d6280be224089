// What one call from the app to the daemon costs over the real IPC layer:
// the client connection, the socket, the CBOR frames, the listener and the
// daemon's service with its hardware queue, in this process. The SMC behind
// the service is the simulated two-fan laptop, called directly rather than
// over its socket, so the figures are the link's and the service's own.
//
// The app beats every 2.5 s and moves a fan's target at most a few times a
// second, so the tail matters more than the mean: every call's time is kept
// and p50 and p99 reported as counters (microseconds).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include <asio.hpp>
#include <benchmark/benchmark.h>

#include "ZephraneHelper/HelperListener.hpp"
#include "ZephraneHelper/HelperService.hpp"
#include "platform/xpc/ClientConnection.hpp"
#include "platform/xpc/Listener.hpp"
#include "shared/HelperConstants.hpp"
#include "shared/ZephraneXPCProtocol.hpp"
#include "sim/MachineProfile.hpp"
#include "sim/SimOptions.hpp"
#include "sim/SimulatedSMC.hpp"
#include "smc/SMCError.hpp"

namespace zephrane {
namespace {

namespace protocol = ZephraneXPCProtocol;
using namespace std::chrono_literals;

// The simulated SMC behind a bridge, one record in, one record out.
class SimulatedTransport final : public SMCTransport {
public:
    explicit SimulatedTransport(std::shared_ptr<sim::SimulatedSMC> smc) : smc_(std::move(smc)) {}

    SMCParamStruct call(const SMCParamStruct& request) override {
        const std::optional<sim::SMCAnswer> answer = smc_->call(request.image());
        if (!answer || answer->size != SMCParamStruct::kSize) throw SMCError::callFailed(iokit::kIOReturnNotResponding);
        return SMCParamStruct::fromImage(answer->record);
    }

private:
    std::shared_ptr<sim::SimulatedSMC> smc_;
};

// Both ends of the link in one process: the peer checks, which run once per
// connection and not per call, accept anyone here.
class Link {
public:
    Link()
        : dir_(makeTempDir()),
          smc_(std::make_shared<sim::SimulatedSMC>(laptop(), sim::constantLoad(0.2))),
          service_(helper::HelperService::create(bridge(), options())),
          listener_(io_.get_executor(), std::string(HelperConstants::machServiceName), listenerSettings()) {
        listener_.setDelegate(std::make_shared<helper::HelperListener>(service_));
        listener_.resume();
        thread_ = std::thread([this] { io_.run(); });

        xpc::ClientSettings settings;
        settings.directory = dir_.string();
        client_ = xpc::ClientConnection::create(std::string(HelperConstants::machServiceName),
                                                xpc::ConnectionOptions::privileged, std::move(settings));
        client_->setRemoteObjectInterface(helper::HelperListener::exportedInterface());
        client_->resume();
    }

    ~Link() {
        client_->invalidate();
        client_.reset();
        service_->shutdown();
        asio::post(io_, [this] { listener_.invalidate(); });
        work_.reset();
        thread_.join();  // once the last connection has seen the client go
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    xpc::Values call(std::string_view selector, xpc::Values arguments) {
        std::promise<xpc::Values> promise;
        auto reply = promise.get_future();
        client_->send(
            selector, std::move(arguments), [&promise](xpc::Values values) { promise.set_value(std::move(values)); },
            [&promise](const xpc::Error& error) {
                promise.set_exception(std::make_exception_ptr(std::runtime_error(error.description)));
            });
        return reply.get();
    }

    // Fan 0 in manual mode: the firmware takes the mode only after "Ftst"
    // has been held a while of the machine's time, which passes only when
    // advanced.
    void engageFan0() {
        auto engaged = std::async(std::launch::async, [this] {
            return call(protocol::setTargetRPM.selector, {std::int64_t{0}, 3000.0});
        });
        while (engaged.wait_for(20ms) != std::future_status::ready) smc_->advance(500ms);
        const xpc::Values reply = engaged.get();
        if (reply.size() != 2 || !reply[1].isNil()) throw std::runtime_error("fan 0 did not engage");
    }

private:
    static const sim::MachineProfile& laptop() {
        static const auto* profile = new sim::MachineProfile(
            sim::MachineProfile::load(sim::resolveMachine("two-fan-laptop", sim::builtInMachineDirs())));
        return *profile;
    }

    static std::filesystem::path makeTempDir() {
        char pattern[] = "/tmp/zfw-bench-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
        return pattern;
    }

    std::shared_ptr<SMCKernelBridge> bridge() const {
        return std::make_shared<SMCKernelBridge>(std::make_unique<SimulatedTransport>(smc_));
    }

    helper::HelperService::Options options() const {
        helper::HelperService::Options o;
        o.openBridge = [this] { return bridge(); };
        return o;
    }

    xpc::ListenerSettings listenerSettings() const {
        xpc::ListenerSettings settings;
        settings.directory = dir_.string();
        settings.socketActivation = false;
        settings.validator = [](int, const std::string&) -> std::optional<std::string> { return std::nullopt; };
        return settings;
    }

    std::filesystem::path dir_;
    std::shared_ptr<sim::SimulatedSMC> smc_;
    std::shared_ptr<helper::HelperService> service_;
    asio::io_context io_{1};
    asio::executor_work_guard<asio::io_context::executor_type> work_{io_.get_executor()};
    xpc::Listener listener_;
    std::thread thread_;
    std::shared_ptr<xpc::ClientConnection> client_;
};

// Times each call by hand, then reports the percentiles in microseconds.
template <class Call>
void timeCalls(benchmark::State& state, Call&& call) {
    std::vector<double> micros;
    micros.reserve(100000);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        call();
        micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(micros.begin(), micros.end());
    auto at = [&](double q) { return micros[static_cast<std::size_t>(q * static_cast<double>(micros.size() - 1))]; };
    state.counters["p50_us"] = at(0.50);
    state.counters["p99_us"] = at(0.99);
}

void BM_HeartbeatRoundTrip(benchmark::State& state) {
    Link link;
    link.call(protocol::heartbeat.selector, {});  // connects
    timeCalls(state, [&] { benchmark::DoNotOptimize(link.call(protocol::heartbeat.selector, {})); });
}
BENCHMARK(BM_HeartbeatRoundTrip)->UseRealTime()->MinTime(2.0);

// A fan already in manual mode: vetting against cached bounds and one
// target write. Each call also refreshes the watchdog, so no beats are
// needed between them.
void BM_SetTargetOnEngagedFanRoundTrip(benchmark::State& state) {
    Link link;
    link.engageFan0();
    double rpm = 2000;
    timeCalls(state, [&] {
        rpm = rpm == 2000 ? 2500 : 2000;
        benchmark::DoNotOptimize(link.call(protocol::setTargetRPM.selector, {std::int64_t{0}, rpm}));
    });
}
BENCHMARK(BM_SetTargetOnEngagedFanRoundTrip)->UseRealTime()->MinTime(2.0);

}  // namespace
}  // namespace zephrane
