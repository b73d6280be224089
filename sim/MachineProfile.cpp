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

// Gathers the problems of one profile, so that a load names them all: each
// part is decoded on its own, and a part that fails adds its problem and
// leaves the rest to be checked.
class Problems {
public:
    // Runs `decode`; a ProfileError or DecodingError it throws becomes a
    // problem. True when it succeeded.
    template <class Decode>
    bool attempt(Decode&& decode) {
        try {
            decode();
            return true;
        } catch (const ProfileError& e) {
            list_.insert(list_.end(), e.problems().begin(), e.problems().end());
        } catch (const DecodingError& e) {
            list_.emplace_back(e.what());
        }
        return false;
    }

    void add(std::string_view path, std::string_view what) {
        list_.push_back(std::string(what) + " (at \"" + std::string(path) + "\")");
    }

    void throwIfAny() {
        if (!list_.empty()) throw ProfileError(std::move(list_));
    }

private:
    std::vector<std::string> list_;
};

// Every field of a key is checked, so one key reports all its problems;
// absent when it has any.
std::optional<ProfileKey> decodeKey(const Json& value, const std::string& path, Problems& problems) {
    std::optional<ObjectReader> reader;
    if (!problems.attempt([&] { reader.emplace(value, path, "key"); })) return std::nullopt;
    ProfileKey key;
    bool good = problems.attempt([&] {
        key.name = reader->string("key");
        if (key.name.size() != 4) fail(reader->path("key"), "a key name has four characters");
    });
    good &= problems.attempt([&] {
        const std::string type = reader->string("type");
        if (type.size() != 4) fail(reader->path("type"), "a type has four characters");
        key.type = FourCC::code(type);
    });
    good &= problems.attempt([&] {
        key.bytes = decodeHexBytes(reader->string("bytes"), reader->path("bytes"));
        const std::int64_t size = reader->int64("size");
        if (size < 1 || size > static_cast<std::int64_t>(kMaxKeySize))
            fail(reader->path("size"), "a key's size lies in 1 to " + std::to_string(kMaxKeySize));
        if (static_cast<std::size_t>(size) != key.bytes.size())
            fail(reader->path("bytes"), "byte count differs from size");
    });
    good &= problems.attempt([&] {
        key.readable = reader->optionalBool("readable").value_or(true);
        key.writable = reader->optionalBool("writable").value_or(false);
        const std::uint8_t defaultAttributes =
            (key.readable ? kAttributeReadable : 0) | (key.writable ? kAttributeWritable : 0);
        const std::int64_t attributes = reader->optionalInt64("attributes").value_or(defaultAttributes);
        if (attributes < 0 || attributes > 255) fail(reader->path("attributes"), "attributes are one byte");
        key.attributes = static_cast<std::uint8_t>(attributes);
    });
    if (!good) return std::nullopt;
    return key;
}

// The name a key that has a problem still gives, if any.
std::optional<std::string> nameOf(const Json& key) {
    if (!key.is_object()) return std::nullopt;
    const auto name = key.find("key");
    if (name == key.end() || !name->is_string()) return std::nullopt;
    return name->get<std::string>();
}

// The key table in the firmware's order, without the keys that have a
// problem; returns the names of those, so that the firmware's checks do
// not report them a second time as missing.
std::set<std::string> decodeKeys(const Json& keys, MachineProfile& profile, Problems& problems) {
    std::set<std::string> seen;
    std::set<std::string> broken;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::string path = json::indexPath("keys", i);
        std::optional<ProfileKey> key = decodeKey(keys[i], path, problems);
        if (key && !seen.insert(key->name).second) {
            problems.add(path, "duplicate key \"" + key->name + "\"");
            key.reset();
        }
        if (!key) {
            if (std::optional<std::string> name = nameOf(keys[i])) broken.insert(std::move(*name));
            continue;
        }
        profile.keys.push_back(std::move(*key));
    }
    return broken;
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

std::optional<double> decodedValue(const ProfileKey& key, Problems& problems) {
    try {
        return SMCDataCodec::decode(key.bytes, SMCDataType(key.type));
    } catch (const SMCCodecError& e) {
        problems.add("keys", "\"" + key.name + "\" cannot be decoded: " + e.description());
        return std::nullopt;
    }
}

// The keys the simulated firmware drives must exist with values it can
// decode and encode: "#KEY", which it keeps counting the listed keys, and,
// when "FNum" is there, the five keys of each fan it names. A machine
// without "FNum" has no fans for the firmware to drive. A key named in
// `broken` has had its problem reported already and is not missing.
// Returns the number of fans.
int checkFirmwareKeys(const MachineProfile& profile, const std::set<std::string>& broken, Problems& problems) {
    const ProfileKey* count = profile.find("#KEY");
    if (!broken.contains("#KEY") && (count == nullptr || SMCDataType(count->type).kind() != SMCDataType::Kind::ui32 ||
                                     count->bytes.size() != 4))
        problems.add("keys", "\"#KEY\" (ui32) is missing");
    if (const ProfileKey* forceTest = profile.find(FanKey::forceTest)) decodedValue(*forceTest, problems);

    const ProfileKey* fanCount = profile.find(FanKey::fanCount);
    if (fanCount == nullptr) return 0;
    const std::optional<double> fans = decodedValue(*fanCount, problems);
    if (!fans) return 0;
    if (!(*fans >= 0 && *fans <= 10)) {
        problems.add("keys", "\"FNum\" must lie in 0 to 10");
        return 0;
    }
    for (int i = 0; i < static_cast<int>(*fans); ++i) {
        auto value = [&](const std::string& name) -> std::optional<double> {
            const ProfileKey* key = profile.find(name);
            if (key != nullptr) return decodedValue(*key, problems);
            if (!broken.contains(name)) problems.add("keys", "fan key \"" + name + "\" is missing");
            return std::nullopt;
        };
        value(FanKey::current(i));
        value(FanKey::target(i));
        value(FanKey::mode(i));
        const std::optional<double> min = value(FanKey::minimum(i));
        const std::optional<double> max = value(FanKey::maximum(i));
        if (min && max && !(*min >= 0 && *min < *max))
            problems.add("keys", "fan " + std::to_string(i) + " needs 0 <= minimum < maximum");
    }
    return static_cast<int>(*fans);
}

std::string joined(std::string_view heading, const std::vector<std::string>& problems) {
    std::string text(heading);
    if (!heading.empty()) text += problems.size() > 1 ? ": " + std::to_string(problems.size()) + " problems: " : ": ";
    for (std::size_t i = 0; i < problems.size(); ++i) text += (i > 0 ? "; " : "") + problems[i];
    return text;
}

}  // namespace

ProfileError::ProfileError(std::vector<std::string> problems)
    : std::runtime_error(joined("", problems)), problems_(std::move(problems)) {}

ProfileError::ProfileError(std::string_view heading, const ProfileError& error)
    : std::runtime_error(joined(heading, error.problems())), problems_(error.problems()) {}

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
    MachineProfile profile;
    Problems problems;
    std::optional<ObjectReader> reader;
    if (!problems.attempt([&] { reader.emplace(value, "", "machine"); })) problems.throwIfAny();

    problems.attempt([&] { profile.name = reader->string("name"); });
    problems.attempt([&] { profile.description = reader->contains("description") ? reader->string("description") : ""; });
    problems.attempt([&] { profile.thermal = decodeThermal(reader->require("thermal")); });

    problems.attempt([&] {
        const Json& follow = json::requireArray(reader->require("follow"), "follow", "follow");
        for (std::size_t i = 0; i < follow.size(); ++i)
            problems.attempt([&] {
                const ObjectReader rule(follow[i], json::indexPath("follow", i), "rule");
                profile.follow.push_back({rule.string("prefix"), decodeDriver(rule), rule.number("gain")});
            });
    });

    problems.attempt([&] {
        const Json& services = json::requireArray(reader->require("hidServices"), "hidServices", "hidServices");
        for (std::size_t i = 0; i < services.size(); ++i)
            problems.attempt([&] {
                const ObjectReader service(services[i], json::indexPath("hidServices", i), "service");
                HIDServiceSpec spec;
                if (const Json* product = service.find("product")) spec.product = *product;
                spec.baseC = service.optionalNumber("baseC");
                if (spec.baseC) {
                    spec.driver = decodeDriver(service);
                    spec.gain = service.number("gain");
                }
                profile.hidServices.push_back(std::move(spec));
            });
    });

    std::set<std::string> brokenKeys;
    const bool haveKeys = problems.attempt([&] {
        brokenKeys = decodeKeys(json::requireArray(reader->require("keys"), "keys", "keys"), profile, problems);
    });
    if (haveKeys && checkFirmwareKeys(profile, brokenKeys, problems) > 0)
        problems.attempt([&] { profile.fanControl = decodeFanControl(reader->require("fanControl")); });

    problems.attempt([&] {
        if (const Json* battery = reader->find("battery")) profile.battery = decodeBattery(*battery);
    });
    problems.attempt([&] {
        if (const Json* adapter = reader->find("adapter")) profile.adapter = decodeAdapter(*adapter);
    });
    problems.attempt([&] {
        if (const Json* lid = reader->find("lid")) {
            const ObjectReader lidReader(*lid, "lid", "lid");
            profile.lid = LidParams{lidReader.optionalBool("closed").value_or(false)};
        }
    });
    problems.attempt([&] {
        const Json* accelerators = reader->find("accelerators");
        if (accelerators == nullptr) return;
        json::requireArray(*accelerators, "accelerators", "accelerators");
        for (std::size_t i = 0; i < accelerators->size(); ++i)
            problems.attempt([&] {
                profile.accelerators.push_back(decodeAccelerator((*accelerators)[i], json::indexPath("accelerators", i)));
            });
    });
    problems.throwIfAny();
    return profile;
}

MachineProfile MachineProfile::load(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in) throw ProfileError("cannot open machine profile \"" + path.string() + "\"");
    std::stringstream text;
    text << in.rdbuf();
    const std::string heading = "machine profile \"" + path.string() + "\"";
    try {
        return fromJson(json::parse(text.str()));
    } catch (const ProfileError& e) {
        throw ProfileError(heading, e);
    } catch (const std::exception& e) {
        throw ProfileError(heading + ": " + e.what());
    }
}

}  // namespace zephrane::sim
