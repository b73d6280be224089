#include "sim/ControlRequestHandler.hpp"

#include <cstdio>
#include <limits>
#include <stdexcept>
#include <string>

#include "platform/oslog/OSLog.hpp"
#include "shared/FourCC.hpp"
#include "shared/NumberText.hpp"

namespace zephrane::sim {
namespace {

const oslog::Logger& log() { return oslog::logger("com.zephrane.sim", "server"); }

class CommandError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string keyName(const json::ObjectReader& command) {
    std::string key = command.string("key");
    if (key.size() != 4) throw CommandError("a key has four characters: \"" + key + "\"");
    return key;
}

std::string hex(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    char buffer[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(buffer, sizeof buffer, out.empty() ? "%02x" : " %02x", b);
        out += buffer;
    }
    return out;
}

iokit::kern_return_t openCode(const json::ObjectReader& command) {
    const std::int64_t code = command.optionalInt64("code").value_or(iokit::kIOReturnNotPermitted);
    if (code < std::numeric_limits<std::int32_t>::min() || code > std::numeric_limits<std::uint32_t>::max())
        throw CommandError("a kernel code has 32 bits");
    if (code == 0) throw CommandError("a refused open needs a non-zero code");
    return iokit::ioReturn(static_cast<std::uint32_t>(code));
}

Json keyJson(const KeyView& key) {
    Json out = {{"ok", true}, {"key", key.name}, {"type", FourCC::string(key.type)}, {"size", key.bytes.size()},
                {"bytes", hex(key.bytes)}};
    if (key.value) out["value"] = *key.value;
    out["readable"] = key.readable;
    out["writable"] = key.writable;
    return out;
}

Json failure(const std::string& text) { return {{"ok", false}, {"error", text}}; }

}  // namespace

Reply ControlRequestHandler::handle(std::span<const std::uint8_t> payload) const {
    Json answer;
    try {
        answer = handleCommand(json::parse(std::string(payload.begin(), payload.end())));
    } catch (const DecodingError& e) {
        answer = failure(e.what());
    }
    const std::string text = answer.dump();
    return Reply::answer({text.begin(), text.end()});
}

Json ControlRequestHandler::handleCommand(const Json& command) const {
    try {
        const json::ObjectReader reader(command, "", "command");
        return apply(reader, reader.string("command"));
    } catch (const DecodingError& e) {
        return failure(e.what());
    } catch (const CommandError& e) {
        return failure(e.what());
    } catch (const std::out_of_range& e) {
        return failure(e.what());
    }
}

Json ControlRequestHandler::apply(const json::ObjectReader& command, const std::string& name) const {
    const Json ok = {{"ok", true}};
    if (name == "hang") {
        if (command.contains("key")) {
            const std::string key = keyName(command);
            smc_.hangKey(key);
            log().info("fault set: calls about \"" + key + "\" hang");
        } else {
            smc_.hangAll();
            log().info("fault set: every call hangs");
        }
        return ok;
    }
    if (name == "removeKey") {
        const std::string key = keyName(command);
        if (!smc_.removeKey(key)) throw CommandError("no key \"" + key + "\"");
        log().info("fault set: key \"" + key + "\" removed");
        return ok;
    }
    if (name == "refuseOpens") {
        const iokit::kern_return_t code = openCode(command);
        smc_.refuseOpens(code);
        char text[16];
        std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
        log().info(std::string("fault set: opens refused with ") + text);
        return ok;
    }
    if (name == "modeNeverTakes") {
        const std::int64_t fan = command.int64("fan");
        if (fan < 0 || fan > 9) throw CommandError("no fan " + std::to_string(fan));
        smc_.modeNeverTakes(static_cast<int>(fan));
        log().info("fault set: fan " + std::to_string(fan) + " never takes manual mode");
        return ok;
    }
    if (name == "shortAnswer") {
        const std::int64_t bytes = command.optionalInt64("bytes").value_or(79);
        if (bytes < 0 || bytes > 79) throw CommandError("a short answer has 0 to 79 bytes");
        smc_.shortAnswerNext(static_cast<std::size_t>(bytes));
        log().info("fault set: the next answer has " + std::to_string(bytes) + " bytes");
        return ok;
    }
    if (name == "clearFaults") {
        smc_.clearFaults();
        log().info("faults cleared");
        return ok;
    }
    if (name == "setLoad") {
        const std::optional<double> load = command.optionalNumber("load");
        if (load && !(*load >= 0 && *load <= 1)) throw CommandError("a load lies in 0 to 1");
        smc_.setLoadOverride(load);
        log().info(load ? "load fixed at " + shortestText(*load) : std::string("load back to its source"));
        return ok;
    }
    if (name == "setDieTemperature") {
        const std::optional<double> celsius = command.optionalNumber("celsius");
        smc_.holdDieTemperature(celsius);
        log().info(celsius ? "die held at " + shortestText(*celsius) + " °C" : std::string("die back to its load"));
        return ok;
    }
    if (name == "readKey") {
        const std::string key = keyName(command);
        const std::optional<KeyView> view = smc_.peek(key);
        if (!view) throw CommandError("no key \"" + key + "\"");
        return keyJson(*view);
    }
    if (name == "status") {
        return {{"ok", true},
                {"machine", smc_.name()},
                {"elapsedSeconds", seconds(smc_.elapsed())},
                {"load", smc_.lastLoad()},
                {"dieC", smc_.dieC()},
                {"fans", smc_.fanCount()},
                {"unansweredCalls", smc_.unansweredCalls()}};
    }
    if (name == "setAdapter") {
        const bool connected = command.boolean("connected");
        smc_.setAdapterConnected(connected);
        log().info(connected ? "adapter plugged in" : "adapter unplugged");
        return ok;
    }
    if (name == "setBatteryLevel") {
        const double percent = command.number("percent");
        if (!(percent >= 0 && percent <= 100)) throw CommandError("a battery level lies in 0 to 100");
        smc_.setBatteryLevel(percent);
        log().info("battery level set to " + shortestText(percent) + "%");
        return ok;
    }
    if (name == "drainBattery") {
        const double points = command.number("percent");
        if (!(points >= 0 && points <= 100)) throw CommandError("a drain lies in 0 to 100 points");
        smc_.drainBattery(points);
        log().info("battery drained by " + shortestText(points) + " points");
        return ok;
    }
    if (name == "setLid") {
        const bool closed = command.boolean("closed");
        smc_.setLidClosed(closed);
        log().info(closed ? "lid closed" : "lid opened");
        return ok;
    }
    throw CommandError("unknown command \"" + name + "\"");
}

}  // namespace zephrane::sim
