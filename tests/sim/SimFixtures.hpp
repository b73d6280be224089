// Small machines and helpers shared by the simulator's tests. The fixture
// machine is tiny on purpose: every key a test touches is visible here.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <span>
#include <string_view>
#include <thread>
#include <vector>

#include "shared/FourCC.hpp"
#include "shared/SMCDataCodec.hpp"
#include "sim/MachineProfile.hpp"
#include "sim/SMCRecord.hpp"

namespace zephrane::sim::testing {

struct FixtureOptions {
    bool forceTest = false;        // the machine has "Ftst"
    double unlockDelaySeconds = 2;
};

// One fan (1200 to 5000 rpm, automatic curve from 40 to 80 degrees C), a
// die-following core, a parked core (awake from load 0.5), a core sensor that
// is not there, a battery, a load-following power, a key the codec cannot
// decode, a key that cannot be read and a generic writable key.
inline MachineProfile fixtureProfile(FixtureOptions options = {}) {
    Json keys = Json::array({
        {{"key", "#KEY"}, {"type", "ui32"}, {"size", 4}, {"bytes", "00 00 00 00"}},
        {{"key", "ACID"}, {"type", "ui8 "}, {"size", 1}, {"bytes", "07"}},
        {{"key", "F0Ac"}, {"type", "flt "}, {"size", 4}, {"bytes", "00 00 96 44"}},  // 1200
        {{"key", "F0Md"}, {"type", "ui8 "}, {"size", 1}, {"bytes", "00"}, {"writable", true}},
        {{"key", "F0Mn"}, {"type", "flt "}, {"size", 4}, {"bytes", "00 00 96 44"}},  // 1200
        {{"key", "F0Mx"}, {"type", "flt "}, {"size", 4}, {"bytes", "00 40 9c 45"}},  // 5000
        {{"key", "F0Tg"}, {"type", "flt "}, {"size", 4}, {"bytes", "00 00 96 44"}, {"writable", true}},
        {{"key", "FNum"}, {"type", "ui8 "}, {"size", 1}, {"bytes", "01"}},
    });
    if (options.forceTest)
        keys.push_back({{"key", "Ftst"}, {"type", "ui8 "}, {"size", 1}, {"bytes", "00"}, {"writable", true}});
    for (const Json& key : Json::array({
             {{"key", "LSOF"}, {"type", "hex_"}, {"size", 2}, {"bytes", "ab cd"}},
             {{"key", "PSTR"}, {"type", "flt "}, {"size", 4}, {"bytes", "00 00 00 41"}},  // 8
             {{"key", "RHID"}, {"type", "ch8*"}, {"size", 3}, {"bytes", "00 00 00"}, {"readable", false}},
             {{"key", "TB0T"}, {"type", "flt "}, {"size", 4}, {"bytes", "00 00 d8 41"}},  // 27
             {{"key", "Tp00"}, {"type", "flt "}, {"size", 4}, {"bytes", "00 00 a0 40"}},  // 5, parked
             {{"key", "Tp01"}, {"type", "flt "}, {"size", 4}, {"bytes", "00 00 0c 42"}},  // 35
             {{"key", "Tp04"}, {"type", "flt "}, {"size", 4}, {"bytes", "00 00 00 00"}},  // not there
             {{"key", "ZW16"}, {"type", "ui16"}, {"size", 2}, {"bytes", "00 00"}, {"writable", true}},
         }))
        keys.push_back(key);

    const Json machine = {
        {"name", "fixture"},
        {"fanControl",
         {{"rampRpmPerSecond", 1000}, {"autoMinAtC", 40}, {"autoMaxAtC", 80},
          {"unlockDelaySeconds", options.unlockDelaySeconds}}},
        {"thermal",
         {{"ambientC", 24}, {"idleWatts", 6}, {"maxWatts", 60}, {"heatCapacityJoulesPerK", 10},
          {"passiveWattsPerK", 0.5}, {"fanWattsPerK", 2.0}, {"throttleC", 105}, {"boardCoupling", 0.6},
          {"boardTimeConstantSeconds", 20}, {"batteryCoupling", 0.5}, {"batteryTimeConstantSeconds", 30},
          {"parkedBelowC", 12}, {"unparkAtLoad", 0.5}}},
        {"follow", Json::array({{{"prefix", "Tp"}, {"driver", "die"}, {"gain", 1.0}},
                                {{"prefix", "TB"}, {"driver", "battery"}, {"gain", 1.0}},
                                {{"prefix", "PSTR"}, {"driver", "load"}, {"gain", 50}}})},
        {"hidServices", Json::array({{{"product", "PMU tdie1"}, {"baseC", 35}, {"driver", "die"}, {"gain", 1.0}},
                                     {{"baseC", 30}, {"driver", "board"}, {"gain", 0.5}},
                                     {{"product", "AppleHIDKeyboardEventDriver"}}})},
        {"keys", keys},
    };
    return MachineProfile::fromJson(machine);
}

inline MachineProfile builtInProfile(std::string_view name) {
    return MachineProfile::load(std::filesystem::path(ZEPHRANE_SIM_MACHINES_DIR) / (std::string(name) + ".json"));
}

// Requests built with literal offsets, independent of sim/SMCRecord.hpp, so a
// wrong offset there shows up here.
inline constexpr std::string_view kNoKey("\0\0\0\0", 4);

inline SMCRecord request(std::uint8_t command, std::string_view key = kNoKey, std::uint32_t dataSize = 0,
                         std::span<const std::uint8_t> bytes = {}, std::uint32_t index = 0) {
    SMCRecord r{};
    const std::uint32_t code = FourCC::code(key);
    std::memcpy(r.data() + 0, &code, 4);
    std::memcpy(r.data() + 28, &dataSize, 4);
    r[42] = command;
    std::memcpy(r.data() + 44, &index, 4);
    std::copy(bytes.begin(), bytes.end(), r.begin() + 48);
    return r;
}

inline SMCRecord infoRequest(std::string_view key) { return request(9, key); }
inline SMCRecord readRequest(std::string_view key, std::uint32_t size) { return request(5, key, size); }
inline SMCRecord indexRequest(std::uint32_t index) { return request(8, kNoKey, 0, {}, index); }

inline SMCRecord writeRequest(std::string_view key, double value, SMCDataType type) {
    const SMCDataCodec::Bytes bytes = SMCDataCodec::encode(value, type);
    return request(6, key, static_cast<std::uint32_t>(bytes.size()), bytes.span());
}

inline std::uint8_t resultOf(const SMCRecord& answer) { return answer[40]; }

inline std::uint32_t u32At(const SMCRecord& answer, std::size_t offset) {
    std::uint32_t value;
    std::memcpy(&value, answer.data() + offset, 4);
    return value;
}

// Polls `condition` until it holds or a generous deadline passes.
inline bool eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds deadline = std::chrono::seconds(20)) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return condition();
}

}  // namespace zephrane::sim::testing
