#include "ZephraneApp/Services/Records/FanHealthMonitor.hpp"

#include <chrono>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace zephrane {

void PrintTo(const FanHealthMonitor::Event& event, std::ostream* out) {
    if (const auto* s = std::get_if<FanHealthMonitor::Stalled>(&event))
        *out << "stalled(fan " << s->fan << ")";
    else if (const auto* u = std::get_if<FanHealthMonitor::Underperforming>(&event))
        *out << "underperforming(fan " << u->fan << ", " << u->actualRPM << " of " << u->commandedRPM << ")";
    else
        *out << "recovered(fan " << std::get<FanHealthMonitor::Recovered>(event).fan << ")";
}

namespace {

using namespace std::chrono_literals;
using Event = FanHealthMonitor::Event;
using Warning = FanHealthMonitor::Warning;

constexpr int kFan = 1;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const FanHealthMonitor::Instant kT0 = FanHealthMonitor::Instant{} + 1000h;

// One tick: when (from T0), the command, the reading, and what it reports.
struct Tick {
    std::chrono::milliseconds at;
    std::optional<double> commandedRPM;
    double actualRPM;
    std::optional<Event> expected;
    std::optional<Warning> warningAfter;
};

struct Scenario {
    std::string name;
    std::vector<Tick> ticks;
};

const Event kStalled = FanHealthMonitor::Stalled{kFan};
const Event kRecovered = FanHealthMonitor::Recovered{kFan};
Event underperforming(double actual, double commanded) {
    return FanHealthMonitor::Underperforming{kFan, actual, commanded};
}

const std::vector<Scenario> kScenarios = {
    {"a still fan is reported stalled once, at 20 s",
     {{0s, 1200, 0, {}, {}},
      {19999ms, 1200, 0, {}, {}},
      {20s, 1200, 0, kStalled, Warning::stalled},
      {21s, 1200, 0, {}, Warning::stalled},
      {200s, 1200, 0, {}, Warning::stalled}}},
    {"the first tick past the window reports, even late",
     {{0s, 1200, 0, {}, {}}, {35s, 1200, 0, kStalled, Warning::stalled}}},
    {"a fan above 0.7 of its command is never reported",
     {{0s, 1200, 900, {}, {}}, {100s, 1200, 900, {}, {}}}},
    {"a reading of exactly the floor is not stalled but is low",
     {{0s, 1200, 100, {}, {}}, {30s, 1200, 100, {}, {}}, {90s, 1200, 100, underperforming(100, 1200),
                                                          Warning::underperforming}}},
    {"a low fan is reported at 90 s with its figures, then stays quiet",
     {{0s, 1200, 800, {}, {}},
      {89s, 1200, 800, {}, {}},
      {90s, 1200, 800, underperforming(800, 1200), Warning::underperforming},
      {95s, 1200, 0, {}, Warning::underperforming}}},
    {"exactly 0.7 of the command is not low and restarts the low timer",
     {{0s, 1000, 690, {}, {}}, {50s, 1000, 700, {}, {}}, {60s, 1000, 690, {}, {}}, {140s, 1000, 690, {}, {}},
      {150s, 1000, 690, underperforming(690, 1000), Warning::underperforming}}},
    {"exactly 0.9 of the command recovers; just under does not",
     {{0s, 1000, 0, {}, {}},
      {20s, 1000, 0, kStalled, Warning::stalled},
      {21s, 1000, 899, {}, Warning::stalled},
      {22s, 1000, 900, kRecovered, std::nullopt},
      {23s, 1000, 900, {}, {}}}},
    {"one spinning reading restarts the stall window",
     {{0s, 1200, 0, {}, {}}, {15s, 1200, 1200, {}, {}}, {16s, 1200, 0, {}, {}}, {35s, 1200, 0, {}, {}},
      {36s, 1200, 0, kStalled, Warning::stalled}}},
    {"a stall does not stop the low timer that was running",
     {{0s, 1000, 500, {}, {}}, {80s, 1000, 0, {}, {}}, {95s, 1000, 500, underperforming(500, 1000),
                                                       Warning::underperforming}}},
    {"a command move of more than 10 % restarts both timers",
     {{0s, 1000, 0, {}, {}}, {15s, 1150, 0, {}, {}}, {34s, 1150, 0, {}, {}}, {35s, 1150, 0, kStalled,
                                                                              Warning::stalled}}},
    {"a command move of exactly 10 % keeps the timers",
     {{0s, 1000, 0, {}, {}}, {15s, 1100, 0, {}, {}}, {20s, 1100, 0, kStalled, Warning::stalled}}},
    {"a command move keeps an active warning",
     {{0s, 1000, 0, {}, {}}, {20s, 1000, 0, kStalled, Warning::stalled},
      {21s, 3000, 0, {}, Warning::stalled}, {22s, 3000, 2700, kRecovered, std::nullopt}}},
    {"a command below 500 never judges and ends a warning",
     {{0s, 499, 0, {}, {}}, {100s, 499, 0, {}, {}}, {101s, 1200, 0, {}, {}},
      {121s, 1200, 0, kStalled, Warning::stalled}, {122s, 499, 0, kRecovered, std::nullopt},
      {123s, 499, 0, {}, {}}}},
    {"no command ends a warning and forgets the timers",
     {{0s, 1200, 0, {}, {}}, {20s, 1200, 0, kStalled, Warning::stalled},
      {21s, std::nullopt, 0, kRecovered, std::nullopt}, {22s, 1200, 0, {}, {}}, {41s, 1200, 0, {}, {}},
      {42s, 1200, 0, kStalled, Warning::stalled}}},
    {"a command that is not a number is not judged",
     {{0s, kNaN, 0, {}, {}}, {100s, kNaN, 0, {}, {}}}},
};

TEST(FanHealthMonitor, Scenarios) {
    for (const auto& scenario : kScenarios) {
        SCOPED_TRACE(scenario.name);
        FanHealthMonitor monitor;
        for (const auto& tick : scenario.ticks) {
            SCOPED_TRACE(testing::Message() << "at " << tick.at.count() << " ms");
            EXPECT_EQ(monitor.observe(kFan, tick.commandedRPM, tick.actualRPM, kT0 + tick.at), tick.expected);
            EXPECT_EQ(monitor.warning(kFan), tick.warningAfter);
        }
    }
}

TEST(FanHealthMonitor, FansAreJudgedApart) {
    FanHealthMonitor monitor;
    EXPECT_EQ(monitor.warning(0), std::nullopt) << "a fan never observed has no warning";
    monitor.observe(0, 1200, 0, kT0);
    monitor.observe(1, 1200, 1200, kT0);
    EXPECT_EQ(monitor.observe(1, 1200, 1200, kT0 + 20s), std::nullopt);
    EXPECT_EQ(monitor.observe(0, 1200, 0, kT0 + 20s), Event{FanHealthMonitor::Stalled{0}});
    EXPECT_EQ(monitor.warning(0), Warning::stalled);
    EXPECT_EQ(monitor.warning(1), std::nullopt);
    EXPECT_EQ(monitor.warning(2), std::nullopt);
}

}  // namespace
}  // namespace zephrane
