#include "shared/CustomMode.hpp"

#include <cmath>
#include <type_traits>

#include <gtest/gtest.h>

#include "shared/JsonCoding.hpp"

namespace zephrane {
namespace {

static_assert(std::is_copy_constructible_v<CustomMode> && std::is_copy_assignable_v<CustomMode>);

const Uuid kId = *Uuid::parse("6F1C2A3B-4D5E-4F60-8172-93A4B5C6D7E8");

CustomMode makeMode(ModeSpeed speed = ModeSpeed::fixed(0.7)) {
    return CustomMode(kId, "Gaming", "gamecontroller.fill", speed, ModeSensor::source(ControlSource::gpuAverage),
                      std::nullopt, false);
}

// A stored mode in the current form; tests edit one key at a time.
Json storedMode() {
    return json::parse(R"({
        "id": "6F1C2A3B-4D5E-4F60-8172-93A4B5C6D7E8",
        "name": "Gaming",
        "symbolName": "gamecontroller.fill",
        "speed": {"fixed": {"percentage": 0.7}},
        "controlSensor": {"source": {"_0": "gpuAverage"}},
        "drivesMainReadout": false
    })");
}

void expectDecodingError(const Json& stored, DecodingError::Kind kind, std::string_view path) {
    try {
        CustomMode::fromJson(stored);
        ADD_FAILURE() << "decoded " << stored.dump();
    } catch (const DecodingError& e) {
        EXPECT_EQ(e.kind(), kind) << e.what();
        EXPECT_EQ(e.codingPath(), path) << e.what();
    }
}

TEST(ModeSpeed, CaseAndPercentageMakeTheValue) {
    EXPECT_EQ(ModeSpeed::floor(0.25).displayName(), "Minimum");
    EXPECT_EQ(ModeSpeed::fixed(0.25).displayName(), "Fixed");
    EXPECT_EQ(ModeSpeed::fixed(0.25).percentage(), 0.25);
    EXPECT_EQ(ModeSpeed::floor(0.25), ModeSpeed::floor(0.25));
    EXPECT_NE(ModeSpeed::floor(0.25), ModeSpeed::fixed(0.25));
    EXPECT_NE(ModeSpeed::floor(0.25), ModeSpeed::floor(0.3));
}

TEST(ModeSensor, CaseAndPayloadMakeTheValue) {
    auto source = ModeSensor::source(ControlSource::cpuEfficiency);
    auto sensor = ModeSensor::sensor("perf.0");
    EXPECT_EQ(source.controlSource(), ControlSource::cpuEfficiency);
    EXPECT_EQ(source.sensorId(), std::nullopt);
    EXPECT_EQ(sensor.sensorId(), "perf.0");
    EXPECT_EQ(sensor.controlSource(), std::nullopt);
    EXPECT_NE(source, ModeSensor::source(ControlSource::hottest));
    EXPECT_NE(sensor, ModeSensor::sensor("perf.1"));
    EXPECT_NE(ModeSensor::sensor("hottest"), ModeSensor::source(ControlSource::hottest));
}

// Every way a speed enters a mode clamps it the same way and keeps the case.
TEST(CustomMode, EverySpeedEnteringAModeIsClamped) {
    struct Row {
        const char* edge;
        ModeSpeed given;
        ModeSpeed expected;
    };
    const Row rows[] = {
        {"above 1", ModeSpeed::fixed(2), ModeSpeed::fixed(1)},
        {"slightly above 1", ModeSpeed::fixed(1.7), ModeSpeed::fixed(1)},
        {"below 0", ModeSpeed::floor(-1), ModeSpeed::floor(0)},
        {"slightly below 0", ModeSpeed::floor(-0.3), ModeSpeed::floor(0)},
        {"exactly 1 stays", ModeSpeed::floor(1), ModeSpeed::floor(1)},
        {"inside stays", ModeSpeed::fixed(0.55), ModeSpeed::fixed(0.55)},
        {"infinity", ModeSpeed::fixed(INFINITY), ModeSpeed::fixed(1)},
        {"minus infinity", ModeSpeed::floor(-INFINITY), ModeSpeed::floor(0)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.edge);
        EXPECT_EQ(makeMode(row.given).speed(), row.expected) << "constructor";

        CustomMode assigned = makeMode();
        assigned.setSpeed(row.given);
        EXPECT_EQ(assigned.speed(), row.expected) << "setSpeed";

        if (std::isfinite(row.given.percentage())) {
            Json stored = storedMode();
            stored["speed"] = row.given.toJson();
            EXPECT_EQ(CustomMode::fromJson(stored).speed(), row.expected) << "decoding";
        }
    }
}

TEST(CustomMode, ClampTurnsNegativeZeroAndNaNIntoZero) {
    EXPECT_FALSE(std::signbit(makeMode(ModeSpeed::floor(-0.0)).speed().percentage()));
    // A NaN speed would make the mode, and with it the whole stored list,
    // impossible to write back.
    CustomMode mode = makeMode(ModeSpeed::fixed(NAN));
    EXPECT_EQ(mode.speed(), ModeSpeed::fixed(0));
    mode.setSpeed(ModeSpeed::floor(NAN));
    EXPECT_EQ(mode.speed(), ModeSpeed::floor(0));
    EXPECT_NO_THROW(mode.toJson());
}

TEST(ModeSpeed, NonFinitePercentageIsRefusedOnWrite) {
    // JSON cannot carry NaN; writing it must fail loudly rather than store null.
    EXPECT_THROW(ModeSpeed::fixed(NAN).toJson(), EncodingError);
}

TEST(ModeSpeed, DecodingAloneDoesNotClamp) {
    auto speed = ModeSpeed::fromJson(json::parse(R"({"fixed":{"percentage":1.7}})"));
    EXPECT_EQ(speed, ModeSpeed::fixed(1.7));
}

TEST(CustomMode, StoredFormIsExactAndRoundTrips) {
    CustomMode mode = makeMode();
    Json stored = mode.toJson();
    EXPECT_EQ(stored, storedMode());
    EXPECT_FALSE(stored.contains("displaySensor"));
    EXPECT_EQ(CustomMode::fromJson(json::parse(stored.dump())), mode);

    mode.setDisplaySensor(ModeSensor::sensor("perf.0"));
    mode.setControlSensor(ModeSensor::sensor("die.2"));
    mode.setDrivesMainReadout(true);
    mode.setSpeed(ModeSpeed::floor(0.25));
    stored = mode.toJson();
    EXPECT_EQ(stored["displaySensor"], json::parse(R"({"sensor":{"id":"perf.0"}})"));
    EXPECT_EQ(stored["speed"], json::parse(R"({"floor":{"percentage":0.25}})"));
    EXPECT_EQ(stored["drivesMainReadout"], true);
    EXPECT_EQ(CustomMode::fromJson(json::parse(stored.dump())), mode);
}

TEST(CustomMode, LegacyFloorPercentageIsReadAndNeverWritten) {
    Json legacy = json::parse(R"({"id":"6f1c2a3b-4d5e-4f60-8172-93a4b5c6d7e8","name":"Old","symbolName":"moon.fill",
                                  "floorPercentage":0.4})");
    CustomMode mode = CustomMode::fromJson(legacy);
    EXPECT_EQ(mode.id(), kId);
    EXPECT_EQ(mode.speed(), ModeSpeed::floor(0.4));
    EXPECT_EQ(mode.controlSensor(), ModeSensor::source(ControlSource::hottest));
    EXPECT_EQ(mode.displaySensor(), std::nullopt);
    EXPECT_FALSE(mode.drivesMainReadout());

    Json written = mode.toJson();
    EXPECT_FALSE(written.contains("floorPercentage"));
    EXPECT_EQ(written["speed"], json::parse(R"({"floor":{"percentage":0.4}})"));
    EXPECT_EQ(written["id"], "6F1C2A3B-4D5E-4F60-8172-93A4B5C6D7E8");

    Json clamped = legacy;
    clamped["floorPercentage"] = 3;
    EXPECT_EQ(CustomMode::fromJson(clamped).speed(), ModeSpeed::floor(1));
}

TEST(CustomMode, SpeedWinsOverLegacyKey) {
    Json both = storedMode();
    both["floorPercentage"] = "not even a number";
    EXPECT_EQ(CustomMode::fromJson(both).speed(), ModeSpeed::fixed(0.7));

    Json nullSpeed = storedMode();
    nullSpeed["speed"] = nullptr;
    nullSpeed["floorPercentage"] = 0.1;
    EXPECT_EQ(CustomMode::fromJson(nullSpeed).speed(), ModeSpeed::floor(0.1));
}

TEST(CustomMode, ToleratesExtraKeys) {
    Json stored = storedMode();
    stored["speed"] = json::parse(R"({"floor":{"percentage":0.3,"unit":"x"},"turbo":true})");
    stored["addedLater"] = {1, 2};
    EXPECT_EQ(CustomMode::fromJson(stored).speed(), ModeSpeed::floor(0.3));
}

TEST(CustomMode, ForeignOrBrokenStoredFormsFailWithDecodingError) {
    using K = DecodingError::Kind;
    struct Row {
        const char* edge;
        const char* key;  // key of storedMode() to replace, or "" to replace the whole value
        const char* value;
        K kind;
        const char* path;
    };
    const Row rows[] = {
        {"not an object", "", R"([1,2])", K::typeMismatch, ""},
        {"text", "", R"("mode")", K::typeMismatch, ""},
        {"malformed UUID", "id", R"("6F1C2A3B-4D5E-4F60-8172")", K::dataCorrupted, "id"},
        {"UUID as number", "id", "7", K::typeMismatch, "id"},
        {"name of wrong type", "name", "true", K::typeMismatch, "name"},
        {"null symbol", "symbolName", "null", K::valueNotFound, "symbolName"},
        {"speed with both cases", "speed", R"({"floor":{"percentage":0.1},"fixed":{"percentage":0.2}})",
         K::typeMismatch, "speed"},
        {"speed with no case", "speed", R"({})", K::typeMismatch, "speed"},
        {"speed with unknown case only", "speed", R"({"turbo":{"percentage":0.2}})", K::typeMismatch, "speed"},
        {"speed not an object", "speed", "0.5", K::typeMismatch, "speed"},
        {"speed payload not an object", "speed", R"({"floor":0.5})", K::typeMismatch, "speed.floor"},
        {"speed payload null", "speed", R"({"floor":null})", K::valueNotFound, "speed.floor"},
        {"percentage missing", "speed", R"({"fixed":{}})", K::keyNotFound, "speed.fixed.percentage"},
        {"percentage as text", "speed", R"({"fixed":{"percentage":"0.5"}})", K::typeMismatch,
         "speed.fixed.percentage"},
        {"unknown control source", "controlSensor", R"({"source":{"_0":"coolest"}})", K::dataCorrupted,
         "controlSensor.source._0"},
        {"control source missing", "controlSensor", R"({"source":{}})", K::keyNotFound, "controlSensor.source._0"},
        {"sensor without id", "controlSensor", R"({"sensor":{"name":"perf.0"}})", K::keyNotFound,
         "controlSensor.sensor.id"},
        {"sensor with both cases", "controlSensor", R"({"sensor":{"id":"a"},"source":{"_0":"hottest"}})",
         K::typeMismatch, "controlSensor"},
        {"display sensor id a number", "displaySensor", R"({"sensor":{"id":3}})", K::typeMismatch,
         "displaySensor.sensor.id"},
        {"display sensor an array", "displaySensor", R"([])", K::typeMismatch, "displaySensor"},
        {"readout flag as text", "drivesMainReadout", R"("yes")", K::typeMismatch, "drivesMainReadout"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.edge);
        Json stored = storedMode();
        if (*row.key)
            stored[row.key] = json::parse(row.value);
        else
            stored = json::parse(row.value);
        expectDecodingError(stored, row.kind, row.path);
    }
}

TEST(CustomMode, KeyCountRuleUsesItsOwnDescription) {
    try {
        ModeSensor::fromJson(json::parse(R"({"source":{"_0":"hottest"},"sensor":{"id":"a"}})"), "modes[0].display");
        FAIL();
    } catch (const DecodingError& e) {
        EXPECT_EQ(e.debugDescription(), "Invalid number of keys found, expected one.");
        EXPECT_EQ(e.codingPath(), "modes[0].display");
    }
}

TEST(CustomMode, MissingRequiredKeysReportTheKeyTheReaderNeeded) {
    for (const char* key : {"id", "name", "symbolName"}) {
        Json stored = storedMode();
        stored.erase(key);
        expectDecodingError(stored, DecodingError::Kind::keyNotFound, key);
    }
    // Neither the current nor the legacy speed: the legacy key is the one reported.
    Json noSpeed = storedMode();
    noSpeed.erase("speed");
    expectDecodingError(noSpeed, DecodingError::Kind::keyNotFound, "floorPercentage");
    noSpeed["floorPercentage"] = nullptr;
    expectDecodingError(noSpeed, DecodingError::Kind::valueNotFound, "floorPercentage");
}

TEST(CustomMode, ModeListFailsWholeOnFirstBadElement) {
    CustomMode second = makeMode(ModeSpeed::floor(0.2));
    second.setName("Second");
    std::vector<CustomMode> modes{makeMode(), second};
    Json stored = encodeCustomModes(modes);
    ASSERT_TRUE(stored.is_array());
    EXPECT_EQ(decodeCustomModes(json::parse(stored.dump())), modes);
    EXPECT_EQ(decodeCustomModes(Json::array()), std::vector<CustomMode>{});

    stored[1]["name"] = 5;
    try {
        decodeCustomModes(stored, "customModes");
        FAIL();
    } catch (const DecodingError& e) {
        EXPECT_EQ(e.codingPath(), "customModes[1].name");
    }
    EXPECT_THROW(decodeCustomModes(storedMode()), DecodingError);
}

TEST(CustomMode, TemplatesAreBuiltOncePerRun) {
    const CustomMode& gaming = CustomMode::gamingTemplate();
    EXPECT_EQ(&gaming, &CustomMode::gamingTemplate());
    EXPECT_EQ(CustomMode::gamingTemplate().id(), gaming.id());

    const auto& templates = CustomMode::templates();
    ASSERT_EQ(templates.size(), 3u);
    EXPECT_EQ(templates[0], CustomMode::gamingTemplate());
    EXPECT_EQ(templates[1], CustomMode::recordingTemplate());
    EXPECT_EQ(templates[2], CustomMode::renderingTemplate());
    EXPECT_NE(templates[0].id(), templates[1].id());
    EXPECT_NE(templates[1].id(), templates[2].id());

    EXPECT_EQ(gaming.name(), "Gaming");
    EXPECT_EQ(gaming.symbolName(), "gamecontroller.fill");
    EXPECT_EQ(gaming.speed(), ModeSpeed::fixed(0.7));
    EXPECT_EQ(gaming.controlSensor(), ModeSensor::source(ControlSource::gpuAverage));
    EXPECT_EQ(templates[1].name(), "Recording");
    EXPECT_EQ(templates[1].speed(), ModeSpeed::floor(0.25));
    EXPECT_EQ(templates[1].controlSensor(), ModeSensor::source(ControlSource::hottest));
    EXPECT_EQ(templates[2].name(), "Rendering");
    EXPECT_EQ(templates[2].symbolName(), "cube.fill");
    EXPECT_EQ(templates[2].speed(), ModeSpeed::floor(0.8));
    EXPECT_EQ(templates[2].controlSensor(), ModeSensor::source(ControlSource::cpuPerformance));
    for (const auto& t : templates) {
        EXPECT_EQ(t.displaySensor(), std::nullopt);
        EXPECT_FALSE(t.drivesMainReadout());
    }
}

}  // namespace
}  // namespace zephrane
