#include "SimMachine.hpp"

#include <cstring>
#include <stdexcept>
#include <string>

#include <unistd.h>

#include "Eventually.hpp"
#include "platform/iokit/IOReturn.hpp"
#include "platform/iokit/SimulatorProtocol.hpp"
#include "shared/FanKey.hpp"
#include "smc/SMCError.hpp"

namespace zephrane::helper::testing {
namespace {

namespace wire = iokit::wire;

void putBigEndian32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::int32_t bigEndianReturn(const std::vector<std::uint8_t>& in) {
    const std::uint32_t value = std::uint32_t{in[0]} << 24 | std::uint32_t{in[1]} << 16 | std::uint32_t{in[2]} << 8 |
                                std::uint32_t{in[3]};
    return static_cast<std::int32_t>(value);
}

// The user client's wire spoken directly, so the test's connection owes
// nothing to the process environment the stand-in reads its path from.
class SimSocketTransport final : public SMCTransport {
public:
    explicit SimSocketTransport(const std::filesystem::path& socketPath) {
        if (socket_.connect(socketPath.string()) != 0) throw SMCError::serviceNotFound();
        socket_.setTimeout(std::chrono::seconds(10));
        std::vector<std::uint8_t> request{wire::kOpOpen};
        putBigEndian32(request, 0);
        std::vector<std::uint8_t> answer;
        if (socket_.send(request) != iokit::FrameSocket::Status::ok ||
            socket_.receive(answer, wire::kMaxPayload) != iokit::FrameSocket::Status::ok || answer.size() != 4)
            throw SMCError::openFailed(iokit::kIOReturnError);
        if (const auto code = bigEndianReturn(answer); code != iokit::kIOReturnSuccess)
            throw SMCError::openFailed(code);
    }

    SMCParamStruct call(const SMCParamStruct& request) override {
        std::lock_guard lock(mutex_);
        std::vector<std::uint8_t> frame{wire::kOpCall};
        putBigEndian32(frame, wire::kSMCSelector);
        const auto image = request.image();
        frame.insert(frame.end(), image.begin(), image.end());
        std::vector<std::uint8_t> answer;
        if (socket_.send(frame) != iokit::FrameSocket::Status::ok ||
            socket_.receive(answer, wire::kMaxPayload) != iokit::FrameSocket::Status::ok || answer.size() < 4)
            throw SMCError::callFailed(iokit::kIOReturnNotResponding);
        if (const auto code = bigEndianReturn(answer); code != iokit::kIOReturnSuccess)
            throw SMCError::callFailed(code);
        if (answer.size() != 4 + SMCParamStruct::kSize) throw SMCError::callFailed(iokit::kIOReturnUnderrun);
        return SMCParamStruct::fromImage(std::span<const std::uint8_t, SMCParamStruct::kSize>(answer.data() + 4,
                                                                                             SMCParamStruct::kSize));
    }

private:
    std::mutex mutex_;
    iokit::FrameSocket socket_;
};

}  // namespace

SimMachine::SimMachine(const std::filesystem::path& program, const std::filesystem::path& directory)
    : directory_(directory),
      process_({program.string(),
                {"--dir", directory.string(), "--machine", "two-fan-laptop", "--allow-writers", "0", "--allow-control",
                 std::to_string(::getuid())},
                {},
                directory / "sim.log"}) {
    const auto smcSocket = directory / wire::kSMCSocketName;
    const auto controlSocket = directory / wire::kControlSocketName;
    const bool up = eventually([&] {
        if (process_.hasExited()) return true;
        iokit::FrameSocket probe;
        return probe.connect(smcSocket.string()) == 0 && control_.connect(controlSocket.string()) == 0;
    });
    if (!up || process_.hasExited()) throw std::runtime_error("zephrane-sim did not come up in " + directory.string());
    control_.setTimeout(std::chrono::seconds(10));
    const Json status = control({{"command", "status"}});
    fanCount_ = status.value("fans", 0);
}

Json SimMachine::control(const Json& command) {
    std::lock_guard lock(controlLock_);
    const std::string text = command.dump();
    std::vector<std::uint8_t> payload(text.begin(), text.end());
    std::vector<std::uint8_t> answer;
    if (control_.send(payload) != iokit::FrameSocket::Status::ok ||
        control_.receive(answer, wire::kMaxPayload) != iokit::FrameSocket::Status::ok)
        throw std::runtime_error("the simulator's control socket failed");
    return Json::parse(answer.begin(), answer.end());
}

double SimMachine::value(std::string_view key) {
    const Json answer = control({{"command", "readKey"}, {"key", std::string(key)}});
    if (!answer.value("ok", false) || !answer.contains("value"))
        throw std::runtime_error("cannot read " + std::string(key) + ": " + answer.dump());
    return answer["value"].get<double>();
}

void SimMachine::hang(std::string_view key) {
    const Json answer = control({{"command", "hang"}, {"key", std::string(key)}});
    if (!answer.value("ok", false)) throw std::runtime_error("hang refused: " + answer.dump());
}

bool SimMachine::automatic() {
    for (int fan = 0; fan < fanCount_; ++fan)
        if (value(FanKey::mode(fan)) != 0) return false;
    return value(FanKey::forceTest) == 0;
}

bool SimMachine::allManual() {
    for (int fan = 0; fan < fanCount_; ++fan)
        if (value(FanKey::mode(fan)) != 1) return false;
    return fanCount_ > 0;
}

std::shared_ptr<SMCKernelBridge> SimMachine::openBridge() const {
    return std::make_shared<SMCKernelBridge>(std::make_unique<SimSocketTransport>(directory_ / wire::kSMCSocketName));
}

}  // namespace zephrane::helper::testing
