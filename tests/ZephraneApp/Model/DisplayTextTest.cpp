#include "ZephraneApp/Model/DisplayText.hpp"

#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

TEST(DisplayTextTest, FanNamesByCountAndPosition) {
    struct Row { std::vector<std::int64_t> ids; std::int64_t id; const char* name; };
    const Row rows[] = {
        {{0}, 0, "Fan"},         {{0, 1}, 0, "Left Fan"},  {{0, 1}, 1, "Right Fan"},
        {{1, 3}, 3, "Right Fan"}, {{1, 3}, 1, "Left Fan"},  {{0, 1, 2}, 2, "Fan 3"},
        {{}, 0, "Fan 1"},
        {{}, std::numeric_limits<std::int64_t>::max(), "Fan 9223372036854775807"},
    };
    for (const Row& row : rows) EXPECT_EQ(fanDisplayName(row.id, row.ids), row.name) << row.id;
}

TEST(DisplayTextTest, ControlSourceCaptionFirstMatchWins) {
    FanProfile userCurve{Uuid::random(), "Silent Stealth", ControlMode::adaptiveCurve, 0, "", {}};
    FanProfile userLock{Uuid::random(), "Desk", ControlMode::constantRPM, 3000, "", {}};
    struct Row {
        const char* name;
        bool boost, meeting;
        std::optional<FanPreset> preset;
        bool manual;
        std::optional<FanProfile> profile;
        const char* caption;
    };
    const Row rows[] = {
        {"boost beats everything", true, true, FanPreset::quiet, true, FanProfile::silentStealth(),
         "Max: overheat response"},
        {"meeting quiet on the quiet preset", false, true, FanPreset::quiet, true, std::nullopt,
         "Quiet: microphone in use"},
        {"meeting quiet on another preset falls through", false, true, FanPreset::auto_, false,
         FanProfile::nimbraStandard(), "Balanced curve"},
        {"meeting quiet with no preset falls through", false, true, std::nullopt, false, std::nullopt,
         "macOS automatic control"},
        {"manual target", false, false, std::nullopt, true, FanProfile::maxThermalBlast(), "Manual control"},
        {"no profile", false, false, std::nullopt, false, std::nullopt, "macOS automatic control"},
        {"the automatic profile", false, false, std::nullopt, false, FanProfile::appleAuto(),
         "macOS automatic control"},
        {"quiet curve", false, false, FanPreset::quiet, false, FanProfile::silentStealth(), "Quiet curve"},
        {"max cooling", false, false, FanPreset::max, false, FanProfile::maxThermalBlast(), "Max cooling"},
        {"a user's locked speed", false, false, std::nullopt, false, userLock, "Speed locked"},
        {"a user's curve named like a built-in", false, false, std::nullopt, false, userCurve, "Silent Stealth"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(makeControlSourceCaption(row.boost, row.meeting, row.preset, row.manual, row.profile), row.caption)
            << row.name;
}

}  // namespace
}  // namespace zephrane
