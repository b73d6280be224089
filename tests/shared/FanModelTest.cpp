#include "shared/FanModel.hpp"

#include <algorithm>
#include <limits>
#include <thread>

#include <gtest/gtest.h>

#include "shared/JsonCoding.hpp"

namespace zephrane {
namespace {

TEST(FanStatus, StoredFormLeavesOutValidityAndReadsItAsTrue) {
    FanStatus fan{1, 2000, 1200, 6000, 2500, true, false};
    Json stored = fan.toJson();
    EXPECT_EQ(stored.size(), 6u);
    EXPECT_FALSE(stored.contains("currentRPMValid"));
    FanStatus back = FanStatus::fromJson(stored);
    EXPECT_TRUE(back.currentRPMValid);
    back.currentRPMValid = false;
    EXPECT_EQ(back, fan);
}

TEST(FanStatus, ValidityTakesPartInEqualityAndHashing) {
    FanStatus a{0, 2000, 1200, 6000, 2500, false, true};
    FanStatus b = a;
    b.currentRPMValid = false;
    EXPECT_NE(a, b);
    EXPECT_NE(std::hash<FanStatus>{}(a), std::hash<FanStatus>{}(b));
}

TEST(ControlMode, RawValues) {
    EXPECT_EQ(controlModeFromRawValue(2), ControlMode::adaptiveCurve);
    EXPECT_EQ(controlModeFromRawValue(-1), std::nullopt);
    EXPECT_EQ(controlModeFromRawValue(3), std::nullopt);
}

TEST(FanPreset, AutoIsShownAsBalancedAndStoredAsAuto) {
    EXPECT_EQ(displayName(FanPreset::auto_), "Balanced");
    EXPECT_EQ(rawValue(FanPreset::auto_), "auto");
    EXPECT_EQ(fromRawValue<FanPreset>("auto"), FanPreset::auto_);
    EXPECT_EQ(fromRawValue<FanPreset>("Balanced"), std::nullopt);
}

TEST(FanProfile, BuiltinsInOrderWithFixedIdentities) {
    const auto& list = FanProfile::builtins();
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0], FanProfile::appleAuto());
    EXPECT_EQ(list[1], FanProfile::silentStealth());
    EXPECT_EQ(list[2], FanProfile::nimbraStandard());
    EXPECT_EQ(list[3], FanProfile::maxThermalBlast());
    EXPECT_EQ(list[0].id.uuidString(), "00000000-0000-0000-0000-000000000001");
    EXPECT_EQ(list[3].id.uuidString(), "00000000-0000-0000-0000-000000000004");
    EXPECT_EQ(FanProfile::silentStealth().name, "Silent Stealth");
    EXPECT_EQ(FanProfile::maxThermalBlast().constantTargetRPM, std::numeric_limits<std::int64_t>::max());
    for (const auto* p : {&FanProfile::silentStealth(), &FanProfile::nimbraStandard()}) {
        EXPECT_TRUE(std::is_sorted(p->curvePoints.begin(), p->curvePoints.end(),
                                   [](auto& a, auto& b) { return a.temperature < b.temperature; }));
        EXPECT_EQ(p->targetSensorGroupID, "max");
    }
}

TEST(FanProfile, BuiltinsAreMadeOnceEvenUnderConcurrentFirstUse) {
    std::vector<const FanProfile*> seen(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = &FanProfile::nimbraStandard(); });
    for (auto& t : threads) t.join();
    for (auto* p : seen) EXPECT_EQ(p, seen.front());
}

TEST(FanProfile, LargestIntegerTargetSurvivesTheStoredForm) {
    Json stored = FanProfile::maxThermalBlast().toJson();
    EXPECT_NE(stored.dump().find("9223372036854775807"), std::string::npos);
    EXPECT_EQ(FanProfile::fromJson(json::parse(stored.dump())), FanProfile::maxThermalBlast());
    EXPECT_EQ(FanProfile::fromJson(json::parse(FanProfile::appleAuto().toJson().dump())), FanProfile::appleAuto());
}

TEST(FanProfile, StoredCurveFromAnEarlierRunHasOtherPointIdentities) {
    FanProfile earlier = FanProfile::silentStealth();
    for (auto& p : earlier.curvePoints) p.id = Uuid::random();
    FanProfile back = FanProfile::fromJson(json::parse(earlier.toJson().dump()));
    EXPECT_EQ(back.id, FanProfile::silentStealth().id);
    EXPECT_NE(back, FanProfile::silentStealth());
    EXPECT_EQ(back, earlier);
}

TEST(FanProfile, ForeignOrBrokenStoredFormsFailCleanly) {
    Json good = FanProfile::silentStealth().toJson();
    auto broken = [&](auto edit) {
        Json copy = good;
        edit(copy);
        return copy;
    };
    const Json cases[] = {
        broken([](Json& j) { j["mode"] = 3; }),
        broken([](Json& j) { j["mode"] = "2"; }),
        broken([](Json& j) { j["id"] = "00000000-0000-0000-0000-00000000000Z"; }),
        broken([](Json& j) { j.erase("targetSensorGroupID"); }),
        broken([](Json& j) { j["constantTargetRPM"] = 1.5; }),
        broken([](Json& j) { j["curvePoints"] = Json::object(); }),
        broken([](Json& j) { j["curvePoints"][0].erase("rpmPercentage"); }),
        Json::array(),
        Json("profile"),
    };
    for (const auto& c : cases) EXPECT_THROW(FanProfile::fromJson(c), DecodingError) << c.dump();
}

}  // namespace
}  // namespace zephrane
