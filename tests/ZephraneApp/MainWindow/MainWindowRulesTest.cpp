// The main window's rules without a view: sections and their storage, the
// status footer, the competitor table, the dashboard's thresholds, the fan
// modes, the dust cycle's texts and request check, the heat source rows, the
// sensors and daemon cards, and the window's visibility.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "ZephraneApp/DesignSystem/Tokens/SymbolTable.hpp"
#include "ZephraneApp/MainWindow/CompetingFanController.hpp"
#include "ZephraneApp/MainWindow/DashboardCards.hpp"
#include "ZephraneApp/MainWindow/DashboardLayout.hpp"
#include "ZephraneApp/MainWindow/DustCycleControl.hpp"
#include "ZephraneApp/MainWindow/FanMode.hpp"
#include "ZephraneApp/MainWindow/HeatSourceRules.hpp"
#include "ZephraneApp/MainWindow/MainWindowSections.hpp"
#include "ZephraneApp/MainWindow/WindowBehaviour.hpp"

namespace zephrane::mainwindow {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(MainWindowRulesTest, AStoredSectionReadsInEitherFormAndAnythingElseIsTheDashboard) {
    const struct {
        const char* stored;
        Section expected;
    } cases[] = {
        {"sensors", Section::sensors},    {"Sensors", Section::sensors},     {"modes", Section::modes},
        {"Modes", Section::modes},        {"settings", Section::settings},   {"Settings", Section::settings},
        {"dashboard", Section::dashboard}, {"Dashboard", Section::dashboard}, {"", Section::dashboard},
        {"SENSORS", Section::dashboard},  {"sensors ", Section::dashboard},  {"graphs", Section::dashboard},
    };
    for (const auto& c : cases) EXPECT_EQ(sectionFromStored(c.stored), c.expected) << '"' << c.stored << '"';
    for (const Section section : EnumCases<Section>::values) {
        EXPECT_EQ(sectionFromStored(storedValue(section)), section);
        EXPECT_NE(storedValue(section), rawValue(section)) << "the stored word is lower case";
    }
}

TEST(MainWindowRulesTest, EverySidebarAndCardSymbolIsInTheTable) {
    EXPECT_EQ(sectionSymbol(Section::dashboard), "gauge.with.dots.needle.67percent");
    EXPECT_EQ(sectionSymbol(Section::sensors), "list.bullet.rectangle");
    EXPECT_EQ(sectionSymbol(Section::modes), "square.grid.2x2");
    EXPECT_EQ(sectionSymbol(Section::settings), "gearshape");
    for (const Section section : EnumCases<Section>::values)
        EXPECT_TRUE(design::symbolNamed(sectionSymbol(section))) << sectionSymbol(section);
    // The QML of the window names these.
    for (const char* name : {"speedometer", "fan.slash", "exclamationmark.triangle.fill", "xmark", "sparkles", "cpu",
                             "lock.shield.fill", "flame.fill", "xmark.circle.fill", "chevron.right"})
        EXPECT_TRUE(design::symbolNamed(name)) << name;
}

TEST(MainWindowRulesTest, TheFooterSaysWhetherFanControlIsActive) {
    using enum HelperState::Kind;
    const struct {
        bool smc;
        HelperState::Kind helper;
        FooterState expected;
        const char* text;
    } cases[] = {
        {true, connected, FooterState::active, "Fan control active"},
        {true, enabled, FooterState::connecting, "Connecting\u2026"},
        {true, notRegistered, FooterState::connecting, "Connecting\u2026"},
        {true, requiresApproval, FooterState::connecting, "Connecting\u2026"},
        {true, unavailable, FooterState::connecting, "Connecting\u2026"},
        {false, connected, FooterState::unavailable, "Sensors unavailable"},
        {false, notRegistered, FooterState::unavailable, "Sensors unavailable"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(footerState(c.smc, c.helper), c.expected);
        EXPECT_EQ(footerText(footerState(c.smc, c.helper)), c.text);
    }
}

TEST(MainWindowRulesTest, TheTableOrderNamesTheCompetitor) {
    using Names = std::set<std::string>;
    const struct {
        const char* edge;
        Names running;
        std::optional<std::string> expected;
    } cases[] = {
        {"table order, not launch order", {"com.bjango.istatmenus", "com.crystalidea.macsfancontrol"},
         "Macs Fan Control"},
        {"iStat Menus 6", {"com.bjango.istatmenus6"}, "iStat Menus"},
        {"iStat Menus", {"com.bjango.istatmenus"}, "iStat Menus"},
        {"TG Pro among others", {"org.mozilla.firefox", "com.tunabellysoftware.TGPro"}, "TG Pro"},
        {"identifiers are exact", {"com.tunabellysoftware.tgpro", "com.crystalidea.macsfancontrol2"}, std::nullopt},
        {"nothing running", {}, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(competingFanController(c.running), c.expected) << c.edge;
    EXPECT_EQ(smcUnavailableMessage("TG Pro"),
              "SMC unavailable. TG Pro is running and may be holding it. Sensors reconnect automatically once it "
              "quits.");
    EXPECT_EQ(smcUnavailableMessage(std::nullopt), "SMC unavailable. Retrying automatically.");
}

TEST(MainWindowRulesTest, TheDashboardGoesToTwoColumnsAtItsThresholds) {
    const struct {
        double width;
        DashboardColumns expected;
    } cases[] = {
        {0, {false, false}},    {663, {false, false}},  {663.9, {false, false}}, {664, {false, true}},
        {800, {false, true}},   {959, {false, true}},   {959.99, {false, true}}, {960, {true, true}},
        {1180, {true, true}},   {kNaN, {false, false}}, {-kInfinity, {false, false}},
    };
    for (const auto& c : cases) EXPECT_EQ(dashboardColumns(c.width), c.expected) << c.width;
}

TEST(MainWindowRulesTest, TheGaugeRowGrowsByAGaugeAndAGapPerFan) {
    const struct {
        int fans;
        double width;
    } cases[] = {{0, 0}, {-1, 0}, {1, 220}, {2, 472}, {3, 724}, {4, 976}};
    for (const auto& c : cases) EXPECT_EQ(fanGaugeRowMaximumWidth(c.fans), c.width) << c.fans;
}

FanProfile withIdOf(const FanProfile& builtIn, ControlMode mode, std::int64_t constant) {
    FanProfile profile;
    profile.id = builtIn.id;
    profile.name = "changed";
    profile.mode = mode;
    profile.constantTargetRPM = constant;
    profile.curvePoints = {};
    return profile;
}

FanProfile ownProfile(ControlMode mode, std::int64_t constant = 0) {
    FanProfile profile;
    profile.id = Uuid::random();
    profile.name = "own";
    profile.mode = mode;
    profile.constantTargetRPM = constant;
    return profile;
}

TEST(MainWindowRulesTest, ThePickerReadsTheModeTheEngineHolds) {
    constexpr auto kLargest = std::numeric_limits<std::int64_t>::max();
    const struct {
        const char* edge;
        bool manualTargets;
        std::optional<FanProfile> profile;
        std::optional<FanMode> expected;
    } cases[] = {
        {"manual targets win over a built-in", true, FanProfile::silentStealth(), FanMode::manual},
        {"no profile is automatic", false, std::nullopt, FanMode::auto_},
        {"the built-ins by identity", false, FanProfile::appleAuto(), FanMode::auto_},
        {"balanced", false, FanProfile::nimbraStandard(), FanMode::balanced},
        {"max", false, FanProfile::maxThermalBlast(), FanMode::max},
        {"the identity alone counts", false, withIdOf(FanProfile::silentStealth(), ControlMode::constantRPM, 1800),
         FanMode::silent},
        {"a constant full speed is max", false, ownProfile(ControlMode::constantRPM, kLargest), FanMode::max},
        {"any other constant speed is manual", false, ownProfile(ControlMode::constantRPM, 3000), FanMode::manual},
        {"a custom mode's curve selects none", false, ownProfile(ControlMode::adaptiveCurve), std::nullopt},
        {"an automatic profile of its own selects none", false, ownProfile(ControlMode::appleAuto), std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(currentFanMode(c.manualTargets, c.profile), c.expected) << c.edge;

    const char* labels[] = {"Automatic", "Quiet", "Balanced", "Max", "Manual"};
    for (std::size_t i = 0; i < kFanModes.size(); ++i) EXPECT_EQ(fanModeLabel(kFanModes[i]), labels[i]);
    EXPECT_EQ(fanModeProfile(FanMode::manual), nullptr);
    EXPECT_EQ(fanModeProfile(FanMode::silent)->id, FanProfile::silentStealth().id);
}

TEST(MainWindowRulesTest, AFansHealthBadgeExplainsItsWarning) {
    EXPECT_EQ(fanHealthBadge(FanHealthMonitor::Warning::stalled).help,
              "This fan is commanded to spin but isn't. It may have failed.");
    EXPECT_EQ(fanHealthBadge(FanHealthMonitor::Warning::stalled).accessibilityLabel, "Warning: fan may have failed");
    EXPECT_EQ(fanHealthBadge(FanHealthMonitor::Warning::underperforming).help,
              "This fan can't reach its commanded speed. Dust or an obstruction may be limiting it.");
    EXPECT_EQ(fanHealthBadge(FanHealthMonitor::Warning::underperforming).accessibilityLabel,
              "Warning: fan may be obstructed");
}

TEST(MainWindowRulesTest, TheDustCycleCountsDownAndARequestIsAlwaysTakenUp) {
    EXPECT_EQ(dustCycleCountdownText(12), "Dust Cycle \u00b7 12s");
    EXPECT_EQ(dustCycleCountdownText(7), "Dust Cycle \u00b7 7s");
    EXPECT_EQ(dustCycleCountdownText(0), "Dust Cycle \u00b7 0s");
    const struct {
        bool pending, fans, connected;
        DustCycleRequestCheck expected;
    } cases[] = {
        {true, true, true, {true, true}},     {true, false, true, {true, false}},
        {true, true, false, {true, false}},   {true, false, false, {true, false}},
        {false, true, true, {false, false}},
    };
    for (const auto& c : cases) EXPECT_EQ(dustCycleRequestCheck(c.pending, c.fans, c.connected), c.expected);
    EXPECT_TRUE(dustCycleAvailable(true, true));
    EXPECT_FALSE(dustCycleAvailable(false, true));
    EXPECT_FALSE(dustCycleAvailable(true, false));
}

TEST(MainWindowRulesTest, AHeatSourceRowWordsItsShare) {
    const struct {
        double share;
        const char* text;
        double fraction;
    } cases[] = {
        {0.125, "13%", 0.125}, {0, "0%", 0},          {1, "100%", 1},       {0.004, "0%", 0.004},
        {0.005, "1%", 0.005},  {1.5, "150%", 1},      {-0.125, "-13%", 0},  {kNaN, "\u2014", 0},
        {kInfinity, "\u2014", 1}, {1e12, "\u2014", 1}, {21474836.47, "2147483647%", 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(heatSharePercentText(c.share), c.text) << c.share;
        EXPECT_EQ(heatShareFraction(c.share), c.fraction) << c.share;
    }
    EXPECT_EQ(heatSourceRowLabel("blender", 0.125), "blender, 13%");
    EXPECT_EQ(quitApplicationLabel("blender"), "Quit blender");
    EXPECT_EQ(heatSourcesEmptyText(HeatSourceMode::live).title, "Nothing hot right now");
    EXPECT_EQ(heatSourcesEmptyText(HeatSourceMode::live).description, "CPU usage is idle.");
    EXPECT_EQ(heatSourcesEmptyText(HeatSourceMode::today).title, "No activity recorded today");
    EXPECT_EQ(heatSourcesEmptyText(HeatSourceMode::today).description, "No app has used the CPU today yet.");
    EXPECT_EQ(heatSourceModeFromLabel("Live"), HeatSourceMode::live);
    EXPECT_EQ(heatSourceModeFromLabel("Today"), HeatSourceMode::today);
    EXPECT_EQ(heatSourceModeFromLabel("today"), std::nullopt);
    EXPECT_EQ(heatSourceModeLabel(HeatSourceMode::today), "Today");
    EXPECT_EQ(heatSourceModeAt(0), HeatSourceMode::live);
    EXPECT_EQ(heatSourceModeAt(1), HeatSourceMode::today);
    EXPECT_EQ(heatSourceModeAt(-1), std::nullopt);
    EXPECT_EQ(heatSourceModeAt(2), std::nullopt);
}

TEST(MainWindowRulesTest, TheSensorsCardKeepsItsOwnOrder) {
    using Ids = std::vector<std::string>;
    const struct {
        const char* edge;
        Ids available;
        Ids expected;
    } cases[] = {
        {"the card's order, whatever the engine's", {"TB0T", "cpu.p", "gpu.avg", "cpu.avg"},
         {"cpu.avg", "gpu.avg", "TB0T"}},
        {"without the die and the SSD", {"cpu.avg", "gpu.avg", "TB0T"}, {"cpu.avg", "gpu.avg", "TB0T"}},
        {"all five", {"TH0x", "TB0T", "pwr.die", "gpu.avg", "cpu.avg"},
         {"cpu.avg", "gpu.avg", "pwr.die", "TB0T", "TH0x"}},
        {"an id given twice counts once", {"cpu.avg", "cpu.avg", "TH0x"}, {"cpu.avg", "TH0x"}},
        {"none of them", {"cpu.p", "cpu.e"}, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(dashboardSensorIds(c.available), c.expected) << c.edge;

    EXPECT_EQ(toggledExpansion(std::nullopt, "cpu.avg"), "cpu.avg");
    EXPECT_EQ(toggledExpansion("cpu.avg", "cpu.avg"), std::nullopt);
    EXPECT_EQ(toggledExpansion("cpu.avg", "TB0T"), "TB0T");
}

TEST(MainWindowRulesTest, TheDaemonCardSaysWhatTheStateMeans) {
    using design::HelperTint;
    const std::optional<std::string> none;
    const struct {
        HelperState state;
        std::optional<std::string> issue;
        DaemonCardText text;
        HelperTint tint;
        bool shown;
    } cases[] = {
        {HelperState::connected(), "The helper\u2019s files are damaged.",
         {"Fan-control helper setup needs attention", "The helper\u2019s files are damaged."}, HelperTint::statusOrange,
         true},
        {HelperState::notRegistered(), none,
         {"Fan control needs the helper installed", "Readings are live. Install the helper to enable fan control."},
         HelperTint::secondary, true},
        {HelperState::requiresApproval(), none,
         {"Fan control needs approval",
          "Approve Brumalune's helper in System Settings \u25b8 Login Items & Extensions to enable fan control."},
         HelperTint::statusOrange, true},
        {HelperState::enabled(), none,
         {"Connecting to the fan-control helper\u2026", "The helper is registered. Establishing the control connection."},
         HelperTint::accent, true},
        {HelperState::connected(), none, {"Fan control active", "Readings and fan control are live."},
         HelperTint::statusGreen, false},
        {HelperState::unavailable("socket refused"), none,
         {"SMC unavailable: socket refused", "Readings and fan control are both unavailable."},
         HelperTint::unavailableRed, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(daemonCardText(c.state, c.issue), c.text);
        EXPECT_EQ(daemonCardTint(c.state.kind(), c.issue.has_value()), c.tint) << c.text.title;
        EXPECT_EQ(daemonNoticeShown(c.state.kind(), c.issue.has_value()), c.shown) << c.text.title;
    }
}

TEST(MainWindowRulesTest, TheWindowIsVisibleOnlyExposedUnminimisedAndInView) {
    const std::optional<bool> unknown;
    const struct {
        bool exposed, minimised;
        std::optional<bool> onDesktop;
        bool expected;
    } cases[] = {
        {true, false, true, true},     {true, false, unknown, true}, {false, false, true, false},
        {true, true, true, false},     {true, false, false, false},  {false, true, unknown, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(windowVisibleOnScreen(c.exposed, c.minimised, c.onDesktop), c.expected)
            << c.exposed << c.minimised << c.onDesktop.value_or(true);
}

TEST(MainWindowRulesTest, FloatingKeepsTheWindowsOtherFlagsAndIsIdempotent) {
    const Qt::WindowFlags plain = Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    const Qt::WindowFlags floating = floatingWindowFlags(plain);
    EXPECT_EQ(floating, plain | Qt::WindowStaysOnTopHint);
    EXPECT_EQ(floatingWindowFlags(floating), floating);
    const Qt::WindowFlags tool = Qt::Tool | Qt::FramelessWindowHint;
    EXPECT_EQ(floatingWindowFlags(tool) & tool, tool);
}

}  // namespace
}  // namespace zephrane::mainwindow
