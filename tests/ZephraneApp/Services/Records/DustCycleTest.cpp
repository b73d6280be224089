#include "ZephraneApp/Services/Records/DustCycle.hpp"

#include <chrono>
#include <limits>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

namespace zephrane {

void PrintTo(const DustCycle::Verdict& verdict, std::ostream* out) {
    if (const auto* run = std::get_if<DustCycle::Run>(&verdict))
        *out << "run(" << run->dutyFraction << ", step " << run->stepIndex << ", " << run->remaining.count()
             << " ns left)";
    else if (std::holds_alternative<DustCycle::Finished>(verdict))
        *out << "finished";
    else if (std::holds_alternative<DustCycle::AbortOverTemp>(verdict))
        *out << "abortOverTemp";
    else
        *out << "abortHelperLost";
}

namespace {

using namespace std::chrono_literals;
using Duration = DustCycle::Duration;

DustCycle::Verdict run(double duty, int step, Duration remaining) { return DustCycle::Run{duty, step, remaining}; }

TEST(DustCycle, PatternPulsesFiveTimesHighThenLow) {
    const auto pattern = DustCycle::pattern();
    ASSERT_EQ(pattern.size(), 10u);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        SCOPED_TRACE(i);
        const DustCycle::Step expected = i % 2 == 0 ? DustCycle::Step{0.8, 3s} : DustCycle::Step{0.3, 2s};
        EXPECT_EQ(pattern[i], expected);
    }
    EXPECT_EQ(DustCycle::totalDuration(), 25s);
}

struct VerdictCase {
    std::string name;
    Duration elapsed;
    double controlTemp;
    bool helperConnected;
    DustCycle::Verdict expected;
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

const VerdictCase kVerdicts[] = {
    {"the start is the first high step with the whole cycle left", 0s, 60, true, run(0.8, 0, 25s)},
    {"just before the first boundary is still step 0", 3s - 1ns, 60, true, run(0.8, 0, 22s + 1ns)},
    {"a step's end instant belongs to the next step", 3s, 60, true, run(0.3, 1, 22s)},
    {"inside the first low step, remaining counts the whole cycle", 4s, 60, true, run(0.3, 1, 21s)},
    {"the second pair starts high again", 5s, 60, true, run(0.8, 2, 20s)},
    {"the last step", 24500ms, 60, true, run(0.3, 9, 500ms)},
    {"exactly the total duration is finished", 25s, 60, true, DustCycle::Finished{}},
    {"long after the end is finished", 1h, 60, true, DustCycle::Finished{}},
    {"a negative elapsed time is step 0 with more than the cycle left", -2s, 60, true, run(0.8, 0, 27s)},
    {"the abort temperature itself aborts", 10s, 85.0, true, DustCycle::AbortOverTemp{}},
    {"just below the abort temperature runs", 10s, 84.9, true, run(0.8, 4, 15s)},
    {"a temperature that is not a number aborts", 10s, kNaN, true, DustCycle::AbortOverTemp{}},
    {"over temperature wins over a finished pattern", 30s, 90, true, DustCycle::AbortOverTemp{}},
    {"a lost daemon comes before the temperature", 10s, 90, false, DustCycle::AbortHelperLost{}},
    {"a lost daemon comes before the end of the pattern", 30s, 60, false, DustCycle::AbortHelperLost{}},
};

TEST(DustCycle, Verdict) {
    for (const auto& c : kVerdicts) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DustCycle::verdict(c.elapsed, c.controlTemp, c.helperConnected), c.expected);
    }
}

}  // namespace
}  // namespace zephrane
