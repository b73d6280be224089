#include "shared/SensorModel.hpp"

#include <gtest/gtest.h>

#include "shared/JsonCoding.hpp"

namespace zephrane {
namespace {

TEST(SensorCategory, RawValuesMatchExactly) {
    EXPECT_EQ(fromRawValue<SensorCategory>("neuralEngine"), SensorCategory::neuralEngine);
    for (const char* raw : {"Neural Engine", "NeuralEngine", "cpu ", "CPU", ""})
        EXPECT_EQ(fromRawValue<SensorCategory>(raw), std::nullopt) << raw;
    std::vector<std::string_view> names;
    for (auto c : allCases<SensorCategory>()) names.push_back(displayName(c));
    EXPECT_EQ(names, (std::vector<std::string_view>{"CPU", "GPU", "Neural Engine", "Memory", "Battery", "Enclosure"}));
}

TEST(SMCSensor, StoredFormRoundTripsAndRejectsForeignValues) {
    SMCSensor sensor{"Tp01", "Tp01", "P-Core 1", SensorCategory::cpu, 45.5, SensorClass::temperature, "\u00B0C"};
    Json stored = sensor.toJson();
    EXPECT_EQ(stored.size(), 7u);
    EXPECT_EQ(stored["category"], "cpu");
    EXPECT_EQ(stored["sensorClass"], "temperature");
    EXPECT_EQ(SMCSensor::fromJson(json::parse(stored.dump())), sensor);

    Json foreign = stored;
    foreign["category"] = "CPU";
    EXPECT_THROW(SMCSensor::fromJson(foreign), DecodingError);
    Json missing = stored;
    missing.erase("unit");
    EXPECT_THROW(SMCSensor::fromJson(missing), DecodingError);
    Json extra = stored;
    extra["later"] = true;
    EXPECT_EQ(SMCSensor::fromJson(extra), sensor);
}

TEST(SMCSensor, EqualValuesHashAlikeIncludingSignedZero) {
    SMCSensor a{"k", "k", "n", SensorCategory::gpu, 0.0, SensorClass::power, "W"};
    SMCSensor b = a;
    b.currentTemp = -0.0;
    EXPECT_EQ(a, b);
    EXPECT_EQ(std::hash<SMCSensor>{}(a), std::hash<SMCSensor>{}(b));
}

TEST(AlertRule, StoredFormHasThreeKeys) {
    AlertRule rule{true, 95, false};
    Json stored = rule.toJson();
    EXPECT_EQ(stored, json::parse(R"({"enabled":true,"thresholdCelsius":95.0,"autoBoost":false})"));
    EXPECT_EQ(AlertRule::fromJson(stored), rule);
    EXPECT_THROW(AlertRule::fromJson(json::parse(R"({"enabled":1,"thresholdCelsius":95,"autoBoost":false})")),
                 DecodingError);
}

TEST(AlertRule, RulesPerCategoryAreStoredAsAlternatingArray) {
    std::map<SensorCategory, AlertRule> rules{{SensorCategory::battery, {true, 45, true}}};
    auto stored = json::encodeKeyedArray(rules, "", [](const AlertRule& r, std::string_view p) { return r.toJson(p); });
    ASSERT_TRUE(stored.is_array());
    EXPECT_EQ(stored[0], "battery");
    auto back = json::decodeKeyedArray<SensorCategory, AlertRule>(
        stored, "", [](const Json& v, std::string_view p) { return AlertRule::fromJson(v, p); });
    EXPECT_EQ(back, rules);
}

}  // namespace
}  // namespace zephrane
