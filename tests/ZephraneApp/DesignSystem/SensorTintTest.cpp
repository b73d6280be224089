#include "ZephraneApp/DesignSystem/Tokens/SensorTint.hpp"

#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

TEST(SensorTintTest, SensorTintsByIdFirstRuleWins) {
    using Theme::SystemColor;
    struct Row { const char* id; SystemColor tint; };
    const Row rows[] = {
        {"cpu.avg", SystemColor::blue},   {"perf.3", SystemColor::blue},   {"eff.0", SystemColor::blue},
        {"gpu.1", SystemColor::purple},   {"pwr.die", SystemColor::orange}, {"TB0T", SystemColor::green},
        {"TB1T", SystemColor::green},     {"TB2T", SystemColor::secondaryLabel},
        {"tb0t", SystemColor::secondaryLabel}, {"TH0x", SystemColor::gray}, {"TH0X", SystemColor::secondaryLabel},
        {"TDelta", SystemColor::cyan},    {"TPSP", SystemColor::teal},     {"TW0P", SystemColor::teal},
        {"", SystemColor::secondaryLabel}, {"CPU", SystemColor::secondaryLabel},
    };
    for (const Row& row : rows) EXPECT_EQ(sensorTint(row.id), row.tint) << row.id;
}

}  // namespace
}  // namespace zephrane
