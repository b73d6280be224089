#include "sim/ControlRequestHandler.hpp"

#include <gtest/gtest.h>

#include "platform/oslog/OSLog.hpp"
#include "SimFixtures.hpp"

namespace zephrane::sim {
namespace {

using namespace std::chrono_literals;

Json send(const ControlRequestHandler& handler, std::string_view text) {
    const Reply reply = handler.handle(std::vector<std::uint8_t>(text.begin(), text.end()));
    EXPECT_EQ(reply.kind, Reply::Kind::answer);
    return Json::parse(reply.payload);
}

const Json kOk = {{"ok", true}};

TEST(ControlRequestHandlerTest, FaultCommandsReachTheMachineAndAreLogged) {
    oslog::setOutput(oslog::Output::none);
    oslog::CaptureSink capture;
    SimulatedSMC smc(testing::fixtureProfile());
    const ControlRequestHandler handler(smc);

    EXPECT_EQ(send(handler, R"({"command": "hang", "key": "F0Ac"})"), kOk);
    EXPECT_FALSE(smc.call(testing::readRequest("F0Ac", 4)).has_value());
    EXPECT_EQ(send(handler, R"({"command": "removeKey", "key": "TB0T"})"), kOk);
    EXPECT_FALSE(smc.peek("TB0T").has_value());
    EXPECT_EQ(send(handler, R"({"command": "refuseOpens"})"), kOk);
    EXPECT_EQ(smc.open(), iokit::kIOReturnNotPermitted) << "the default code";
    EXPECT_EQ(send(handler, R"({"command": "refuseOpens", "code": 3758097088})"), kOk);
    EXPECT_EQ(smc.open(), iokit::kIOReturnNoDevice) << "a code given unsigned";
    EXPECT_EQ(send(handler, R"({"command": "modeNeverTakes", "fan": 0})"), kOk);
    EXPECT_EQ(testing::resultOf(smc.call(testing::writeRequest("F0Md", 1, SMCDataType::ui8()))->record), 0x81);
    EXPECT_EQ(send(handler, R"({"command": "shortAnswer"})"), kOk);
    EXPECT_EQ(smc.call(testing::readRequest("F0Mx", 4))->size, 79u);
    EXPECT_EQ(send(handler, R"({"command": "hang"})"), kOk);
    EXPECT_FALSE(smc.call(testing::readRequest("F0Mx", 4)).has_value());

    EXPECT_EQ(send(handler, R"({"command": "clearFaults"})"), kOk);
    EXPECT_TRUE(smc.call(testing::readRequest("F0Ac", 4)).has_value());
    EXPECT_TRUE(smc.peek("TB0T").has_value());
    EXPECT_EQ(smc.open(), iokit::kIOReturnSuccess);

    std::vector<std::string> lines;
    for (const auto& record : capture.records("com.zephrane.sim", "server")) lines.push_back(record.message);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "fault set: calls about \"F0Ac\" hang",
                         "fault set: key \"TB0T\" removed",
                         "fault set: opens refused with 0xE00002E2",
                         "fault set: opens refused with 0xE00002C0",
                         "fault set: fan 0 never takes manual mode",
                         "fault set: the next answer has 79 bytes",
                         "fault set: every call hangs",
                         "faults cleared",
                     }));
}

TEST(ControlRequestHandlerTest, LoadAndInspection) {
    oslog::setOutput(oslog::Output::none);
    SimulatedSMC smc(testing::fixtureProfile());
    const ControlRequestHandler handler(smc);

    EXPECT_EQ(send(handler, R"({"command": "setLoad", "load": 1})"), kOk);
    smc.advance(1s);
    EXPECT_EQ(smc.lastLoad(), 1.0);
    EXPECT_EQ(send(handler, R"({"command": "setLoad", "load": null})"), kOk);
    smc.advance(1s);
    EXPECT_EQ(smc.lastLoad(), 0.0) << "back to the source (constant 0)";

    EXPECT_EQ(send(handler, R"({"command": "readKey", "key": "F0Mx"})"),
              Json::parse(R"({"ok": true, "key": "F0Mx", "type": "flt ", "size": 4, "bytes": "00 40 9c 45",
                              "value": 5000.0, "readable": true, "writable": false})"));
    EXPECT_EQ(send(handler, R"({"command": "readKey", "key": "LSOF"})"),
              Json::parse(R"({"ok": true, "key": "LSOF", "type": "hex_", "size": 2, "bytes": "ab cd",
                              "readable": true, "writable": false})"))
        << "no value for a type the codec does not know";

    const Json status = send(handler, R"({"command": "status"})");
    EXPECT_EQ(status["machine"], "fixture");
    EXPECT_EQ(status["fans"], 1);
    EXPECT_DOUBLE_EQ(status["elapsedSeconds"].get<double>(), 2.0);
    EXPECT_EQ(status["unansweredCalls"], 0);

    // A test waits on this count to know a call is hanging at the machine.
    smc.hangKey("F0Mx");
    ASSERT_FALSE(smc.call(testing::readRequest("F0Mx", 4)).has_value());
    ASSERT_TRUE(smc.call(testing::readRequest("F0Ac", 4)).has_value());
    EXPECT_EQ(send(handler, R"({"command": "status"})")["unansweredCalls"], 1);
}

// The readings that follow the die move before the answer, so a reader of
// the shared key table needs no advance to see them.
TEST(ControlRequestHandlerTest, AHeldDieMovesItsReadingsAtOnceUntilReleased) {
    oslog::setOutput(oslog::Output::none);
    oslog::CaptureSink capture;
    SimulatedSMC smc(testing::fixtureProfile());
    const ControlRequestHandler handler(smc);
    const double tp01 = *smc.peek("Tp01")->value;
    const double battery = *smc.peek("TB0T")->value;
    const double idleDie = smc.dieC();

    EXPECT_EQ(send(handler, R"({"command": "setDieTemperature", "celsius": 90})"), kOk);
    EXPECT_DOUBLE_EQ(smc.dieC(), 90);
    EXPECT_NEAR(*smc.peek("Tp01")->value, tp01 + (90 - idleDie), 1e-3) << "the die-following core";
    EXPECT_DOUBLE_EQ(*smc.peek("TB0T")->value, battery) << "the battery follows only as time passes";
    smc.advance(2s);
    EXPECT_DOUBLE_EQ(smc.dieC(), 90) << "held through an advance";
    EXPECT_GT(*smc.peek("TB0T")->value, battery);

    EXPECT_EQ(send(handler, R"({"command": "setDieTemperature", "celsius": null})"), kOk);
    smc.advance(2s);
    EXPECT_LT(smc.dieC(), 89) << "cooling toward its load's (constant 0) temperature again";

    std::vector<std::string> lines;
    for (const auto& record : capture.records("com.zephrane.sim", "server")) lines.push_back(record.message);
    EXPECT_EQ(lines, (std::vector<std::string>{"die held at 90.0 °C", "die back to its load"}));
}

TEST(ControlRequestHandlerTest, PowerCommandsMoveTheAdapterBatteryAndLid) {
    oslog::setOutput(oslog::Output::none);
    oslog::CaptureSink capture;
    SimulatedSMC smc(testing::builtInProfile("fanless-laptop"));
    const ControlRequestHandler handler(smc);

    EXPECT_EQ(send(handler, R"({"command": "setAdapter", "connected": false})"), kOk);
    EXPECT_EQ(smc.providingPowerSourceType(), "Battery Power");
    EXPECT_EQ(smc.externalPowerAdapterDetails(), std::nullopt);
    EXPECT_EQ(send(handler, R"({"command": "setAdapter", "connected": true})"), kOk);
    EXPECT_EQ(smc.providingPowerSourceType(), "AC Power");
    EXPECT_EQ(send(handler, R"({"command": "setBatteryLevel", "percent": 40})"), kOk);
    EXPECT_DOUBLE_EQ(smc.power().levelPercent(), 40);
    EXPECT_EQ(send(handler, R"({"command": "drainBattery", "percent": 15.5})"), kOk);
    EXPECT_DOUBLE_EQ(smc.power().levelPercent(), 24.5);
    EXPECT_EQ(send(handler, R"({"command": "setLid", "closed": true})"), kOk);
    EXPECT_TRUE(smc.power().lidClosed());
    EXPECT_EQ(send(handler, R"({"command": "setLid", "closed": false})"), kOk);
    EXPECT_FALSE(smc.power().lidClosed());

    std::vector<std::string> lines;
    for (const auto& record : capture.records("com.zephrane.sim", "server")) lines.push_back(record.message);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "adapter unplugged",
                         "adapter plugged in",
                         "battery level set to 40.0%",
                         "battery drained by 15.5 points",
                         "lid closed",
                         "lid opened",
                     }));
}

TEST(ControlRequestHandlerTest, PowerCommandsFailOnAMachineWithoutThePart) {
    oslog::setOutput(oslog::Output::none);
    SimulatedSMC desktop(testing::builtInProfile("one-fan-desktop"));
    const ControlRequestHandler handler(desktop);
    struct Row {
        const char* text;
        const char* error;
    } rows[] = {
        {R"({"command": "setAdapter", "connected": false})", "no power adapter"},
        {R"({"command": "setBatteryLevel", "percent": 50})", "no battery"},
        {R"({"command": "drainBattery", "percent": 5})", "no battery"},
        {R"({"command": "setLid", "closed": true})", "no lid"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const Json answer = send(handler, row.text);
        EXPECT_EQ(answer["ok"], false);
        EXPECT_NE(answer["error"].get<std::string>().find(row.error), std::string::npos) << answer.dump();
    }
    EXPECT_EQ(desktop.providingPowerSourceType(), "AC Power");
}

TEST(ControlRequestHandlerTest, BadCommandsGetAnErrorAndChangeNothing) {
    oslog::setOutput(oslog::Output::none);
    SimulatedSMC smc(testing::fixtureProfile());
    const ControlRequestHandler handler(smc);
    struct Row {
        const char* edge;
        const char* text;
        const char* error;
    } rows[] = {
        {"not JSON", "{", "not valid JSON"},
        {"not an object", "[1]", "Expected to decode"},
        {"no command", R"({"key": "F0Ac"})", "No value associated with key \"command\""},
        {"unknown command", R"({"command": "explode"})", "unknown command \"explode\""},
        {"a key of three characters", R"({"command": "hang", "key": "F0A"})", "four characters"},
        {"a key that is not there", R"({"command": "removeKey", "key": "ZZZZ"})", "no key \"ZZZZ\""},
        {"reading a key that is not there", R"({"command": "readKey", "key": "ZZZZ"})", "no key \"ZZZZ\""},
        {"a fan that is not there", R"({"command": "modeNeverTakes", "fan": 3})", "no fan 3"},
        {"a fan index out of any range", R"({"command": "modeNeverTakes", "fan": -1})", "no fan -1"},
        {"a full-size short answer", R"({"command": "shortAnswer", "bytes": 80})", "0 to 79"},
        {"a load above 1", R"({"command": "setLoad", "load": 1.5})", "0 to 1"},
        {"a die below 0 °C", R"({"command": "setDieTemperature", "celsius": -1})", "0 to"},
        {"a die above its throttle temperature", R"({"command": "setDieTemperature", "celsius": 500})", "0 to"},
        {"a die temperature that is no number", R"({"command": "setDieTemperature", "celsius": "hot"})", "celsius"},
        {"an open refused with success", R"({"command": "refuseOpens", "code": 0})", "non-zero"},
        {"a code wider than 32 bits", R"({"command": "refuseOpens", "code": 4294967296})", "32 bits"},
        {"an adapter without its state", R"({"command": "setAdapter"})", "\"connected\""},
        {"a lid state that is not a Boolean", R"({"command": "setLid", "closed": 1})", "Bool"},
        {"a battery level above 100", R"({"command": "setBatteryLevel", "percent": 101})", "0 to 100"},
        {"a negative drain", R"({"command": "drainBattery", "percent": -5})", "0 to 100"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.edge);
        const Json answer = send(handler, row.text);
        EXPECT_EQ(answer["ok"], false);
        EXPECT_NE(answer["error"].get<std::string>().find(row.error), std::string::npos) << answer.dump();
    }
    EXPECT_EQ(smc.open(), iokit::kIOReturnSuccess);
    EXPECT_EQ(testing::resultOf(smc.call(testing::writeRequest("F0Md", 1, SMCDataType::ui8()))->record), 0);
}

}  // namespace
}  // namespace zephrane::sim
