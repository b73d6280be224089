#include "sim/MachineProfile.hpp"

#include <fstream>
#include <set>
#include <sstream>

#include "shared/FanKey.hpp"
#include "shared/FourCC.hpp"
#include "shared/SMCDataCodec.hpp"
#include "sim/SMCRecord.hpp"

namespace zephrane::sim {
namespace {

using json::ObjectReader;

[[noreturn]] void fail(std::string_view path, std::string_view what) {
    throw ProfileError(std::string(what) + " (at \"" + std::string(path) + "\")");
}

Driver decodeDriver(const ObjectReader& reader) {
    const std::string text = reader.string("driver");
    if (text == "die") return Driver::die;
    if (text == "board") return Driver::board;
    if (text == "battery") return Driver::battery;
    if (text == "load") return Driver::load;
    fail(reader.path("driver"), "unknown driver \"" + text + "\"");
}

double positive(const ObjectReader& reader, std::string_view key) {
    const double value = reader.number(key);
    if (!(value > 0)) fail(reader.path(key), "must be greater than 0");
    return value;
}

std::vector<std::uint8_t> decodeHexBytes(const std::string& text, std::string_view path) {
    std::vector<std::uint8_t> bytes;
    std::istringstream in(text);
    std::string pair;
    while (in >> pair) {
        if (pair.size() != 2 || pair.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            fail(path, "bytes must be two-digit hex numbers separated by spaces");
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(pair, nullptr, 16)));
    }
    return bytes;
}

ProfileKey decodeKey(const Json& value, const std::string& path) {
    const ObjectReader reader(value, path, "key");
    ProfileKey key;
    key.name = reader.string("key");
    if (key.name.size() != 4) fail(reader.path("key"), "a key name has four characters");
    const std::string type = reader.string("type");
    if (type.size() != 4) fail(reader.path("type"), "a type has four characters");
    key.type = FourCC::code(type);
    key.bytes = decodeHexBytes(reader.string("bytes"), reader.path("bytes"));
    const std::int64_t size = reader.int64("size");
    if (size < 1 || size > static_cast<std::int64_t>(record::kValueCapacity))
        fail(reader.path("size"), "a key's size lies in 1 to 32");
    if (static_cast<std::size_t>(size) != key.bytes.size()) fail(reader.path("bytes"), "byte count differs from size");
    const SMCDataType dataType(key.type);
    if (dataType.kind() != SMCDataType::Kind::other && dataType.width() != key.bytes.size())
        fail(reader.path("size"), "size differs from the width of type \"" + type + "\"");
    key.readable = reader.optionalBool("readable").value_or(true);
    key.writable = reader.optionalBool("writable").value_or(false);
    const std::uint8_t defaultAttributes =
        (key.readable ? kAttributeReadable : 0) | (key.writable ? kAttributeWritable : 0);
    const std::int64_t attributes = reader.optionalInt64("attributes").value_or(defaultAttributes);
    if (attributes < 0 || attributes > 255) fail(reader.path("attributes"), "attributes are one byte");
    key.attributes = static_cast<std::uint8_t>(attributes);
    return key;
}

FanControlParams decodeFanControl(const Json& value) {
    const ObjectReader reader(value, "fanControl", "fanControl");
    FanControlParams params;
    params.rampRpmPerSecond = positive(reader, "rampRpmPerSecond");
    params.autoOffBelowC = reader.optionalNumber("autoOffBelowC");
    params.autoMinAtC = reader.number("autoMinAtC");
    params.autoMaxAtC = reader.number("autoMaxAtC");
    if (!(params.autoMinAtC < params.autoMaxAtC)) fail(reader.path("autoMaxAtC"), "must lie above autoMinAtC");
    const double unlock = reader.optionalNumber("unlockDelaySeconds").value_or(0);
    if (!(unlock >= 0)) fail(reader.path("unlockDelaySeconds"), "must not be negative");
    params.unlockDelay = fromSeconds(unlock);
    return params;
}

ThermalParams decodeThermal(const Json& value) {
    const ObjectReader reader(value, "thermal", "thermal");
    ThermalParams t;
    t.ambientC = reader.number("ambientC");
    t.idleWatts = reader.number("idleWatts");
    t.maxWatts = reader.number("maxWatts");
    if (!(t.idleWatts >= 0 && t.maxWatts >= t.idleWatts)) fail(reader.path("maxWatts"), "needs 0 <= idle <= max");
    t.heatCapacityJoulesPerK = positive(reader, "heatCapacityJoulesPerK");
    t.passiveWattsPerK = positive(reader, "passiveWattsPerK");
    t.fanWattsPerK = reader.number("fanWattsPerK");
    if (!(t.fanWattsPerK >= 0)) fail(reader.path("fanWattsPerK"), "must not be negative");
    t.throttleC = reader.number("throttleC");
    t.boardCoupling = reader.number("boardCoupling");
    t.boardTimeConstant = fromSeconds(positive(reader, "boardTimeConstantSeconds"));
    t.batteryCoupling = reader.number("batteryCoupling");
    t.batteryTimeConstant = fromSeconds(positive(reader, "batteryTimeConstantSeconds"));
    t.parkedBelowC = reader.number("parkedBelowC");
    t.unparkAtLoad = reader.optionalNumber("unparkAtLoad");
    return t;
}

double nonNegative(const ObjectReader& reader, std::string_view key) {
    const double value = reader.number(key);
    if (!(value >= 0)) fail(reader.path(key), "must not be negative");
    return value;
}

BatteryParams decodeBattery(const Json& value) {
    const ObjectReader reader(value, "battery", "battery");
    BatteryParams b;
    b.designCapacityMah = positive(reader, "designCapacityMah");
    b.fullChargeCapacityMah = positive(reader, "fullChargeCapacityMah");
    b.nominalChargeCapacityMah = positive(reader, "nominalChargeCapacityMah");
    b.emptyMillivolts = positive(reader, "emptyMillivolts");
    b.fullMillivolts = reader.number("fullMillivolts");
    if (!(b.fullMillivolts > b.emptyMillivolts)) fail(reader.path("fullMillivolts"), "must lie above emptyMillivolts");
    b.cycleCount = reader.int64("cycleCount");
    if (b.cycleCount < 0) fail(reader.path("cycleCount"), "must not be negative");
    b.levelPercent = reader.number("levelPercent");
    if (!(b.levelPercent >= 0 && b.levelPercent <= 100)) fail(reader.path("levelPercent"), "must lie in 0 to 100");
    b.platformWatts = nonNegative(reader, "platformWatts");
    b.maxChargeMilliamps = positive(reader, "maxChargeMilliamps");
    b.timeScale = positive(reader, "timeScale");
    return b;
}

AdapterParams decodeAdapter(const Json& value) {
    const ObjectReader reader(value, "adapter", "adapter");
    AdapterParams a;
    a.watts = positive(reader, "watts");
    a.millivolts = positive(reader, "millivolts");
    a.connected = reader.optionalBool("connected").value_or(true);
    return a;
}

AcceleratorSpec decodeAccelerator(const Json& value, const std::string& path) {
    const ObjectReader reader(value, path, "accelerator");
    AcceleratorSpec a;
    a.ioClass = reader.string("class");
    if (a.ioClass.empty()) fail(reader.path("class"), "must not be empty");
    a.model = reader.string("model");
    a.coreCount = reader.int64("coreCount");
    if (a.coreCount < 1) fail(reader.path("coreCount"), "must be at least 1");
    a.idleUtilization = nonNegative(reader, "idleUtilization");
    a.loadGain = nonNegative(reader, "loadGain");
    return a;
}

double decodedValue(const ProfileKey& key, std::string_view path) {
    try {
        return SMCDataCodec::decode(key.bytes, SMCDataType(key.type));
    } catch (const SMCCodecError& e) {
        fail(path, "\"" + key.name + "\" cannot be decoded: " + e.description());
    }
}

// The keys the simulated firmware drives must exist with types it can
// decode and encode; "#KEY" and "FNum" must say what the table holds.
void checkFirmwareKeys(const MachineProfile& profile) {
    const ProfileKey* count = profile.find("#KEY");
    if (count == nullptr || SMCDataType(count->type).kind() != SMCDataType::Kind::ui32)
        fail("keys", "\"#KEY\" (ui32) is missing");
    const ProfileKey* fanCount = profile.find(FanKey::fanCount);
    if (fanCount == nullptr) fail("keys", "\"FNum\" is missing");
    const double fans = decodedValue(*fanCount, "keys");
    if (!(fans >= 0 && fans <= 10)) fail("keys", "\"FNum\" must lie in 0 to 10");
    for (int i = 0; i < static_cast<int>(fans); ++i) {
        for (const auto& name :
             {FanKey::current(i), FanKey::minimum(i), FanKey::maximum(i), FanKey::target(i), FanKey::mode(i)}) {
            const ProfileKey* key = profile.find(name);
            if (key == nullptr) fail("keys", "fan key \"" + name + "\" is missing");
            decodedValue(*key, "keys");
        }
        const double min = decodedValue(*profile.find(FanKey::minimum(i)), "keys");
        const double max = decodedValue(*profile.find(FanKey::maximum(i)), "keys");
        if (!(min >= 0 && min < max)) fail("keys", "fan " + std::to_string(i) + " needs 0 <= minimum < maximum");
    }
    if (const ProfileKey* forceTest = profile.find(FanKey::forceTest)) decodedValue(*forceTest, "keys");
}

}  // namespace

int MachineProfile::fanCount() const {
    const ProfileKey* key = find(FanKey::fanCount);
    return key == nullptr ? 0 : static_cast<int>(SMCDataCodec::decode(key->bytes, SMCDataType(key->type)));
}

const ProfileKey* MachineProfile::find(std::string_view keyName) const {
    for (const ProfileKey& key : keys)
        if (key.name == keyName) return &key;
    return nullptr;
}

MachineProfile MachineProfile::fromJson(const Json& value) {
    try {
        const ObjectReader reader(value, "", "machine");
        MachineProfile profile;
        profile.name = reader.string("name");
        profile.description = reader.contains("description") ? reader.string("description") : "";
        profile.thermal = decodeThermal(reader.require("thermal"));

        const Json& follow = json::requireArray(reader.require("follow"), "follow", "follow");
        for (std::size_t i = 0; i < follow.size(); ++i) {
            const ObjectReader rule(follow[i], json::indexPath("follow", i), "rule");
            profile.follow.push_back({rule.string("prefix"), decodeDriver(rule), rule.number("gain")});
        }

        const Json& services = json::requireArray(reader.require("hidServices"), "hidServices", "hidServices");
        for (std::size_t i = 0; i < services.size(); ++i) {
            const ObjectReader service(services[i], json::indexPath("hidServices", i), "service");
            HIDServiceSpec spec;
            if (const Json* product = service.find("product")) spec.product = *product;
            spec.baseC = service.optionalNumber("baseC");
            if (spec.baseC) {
                spec.driver = decodeDriver(service);
                spec.gain = service.number("gain");
            }
            profile.hidServices.push_back(std::move(spec));
        }

        const Json& keys = json::requireArray(reader.require("keys"), "keys", "keys");
        std::set<std::string> seen;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            ProfileKey key = decodeKey(keys[i], json::indexPath("keys", i));
            if (!seen.insert(key.name).second) fail(json::indexPath("keys", i), "duplicate key \"" + key.name + "\"");
            profile.keys.push_back(std::move(key));
        }
        checkFirmwareKeys(profile);
        if (profile.fanCount() > 0) profile.fanControl = decodeFanControl(reader.require("fanControl"));

        if (const Json* battery = reader.find("battery")) profile.battery = decodeBattery(*battery);
        if (const Json* adapter = reader.find("adapter")) profile.adapter = decodeAdapter(*adapter);
        if (const Json* lid = reader.find("lid")) {
            const ObjectReader lidReader(*lid, "lid", "lid");
            profile.lid = LidParams{lidReader.optionalBool("closed").value_or(false)};
        }
        if (const Json* accelerators = reader.find("accelerators")) {
            json::requireArray(*accelerators, "accelerators", "accelerators");
            for (std::size_t i = 0; i < accelerators->size(); ++i)
                profile.accelerators.push_back(
                    decodeAccelerator((*accelerators)[i], json::indexPath("accelerators", i)));
        }
        return profile;
    } catch (const DecodingError& e) {
        throw ProfileError(e.what());
    }
}

MachineProfile MachineProfile::load(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in) throw ProfileError("cannot open machine profile \"" + path.string() + "\"");
    std::stringstream text;
    text << in.rdbuf();
    try {
        return fromJson(json::parse(text.str()));
    } catch (const std::exception& e) {
        throw ProfileError("machine profile \"" + path.string() + "\": " + e.what());
    }
}

}  // namespace zephrane::sim
