// The menu-bar label: its texts and spin tiers (with hysteresis), the model
// that holds text changes back to one redraw a second or every six seconds,
// and the label the engine builds from what it polled.
#include <limits>

#include <gtest/gtest.h>

#include "EngineHarness.hpp"
#include "ZephraneApp/Engine/MenuBarLabelModel.hpp"

namespace zephrane::enginetest {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

TEST(MenuBarLabelRules, SpinTierByFraction) {
    struct Case {
        double fraction;
        int tier;
    };
    const Case cases[] = {
        {0, 0},   {0.02, 0}, {0.0201, 1}, {0.2, 1}, {0.21, 2}, {0.4, 2}, {0.41, 3},
        {0.8, 4}, {0.81, 5}, {1, 5},      {7, 5},   {nan, 0},  {inf, 0}, {-0.5, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(menubar::spinTier(c.fraction), c.tier) << c.fraction;
}

TEST(MenuBarLabelRules, ATierChangesOnlyOnceTheFractionIsPastTheBoundaryByAMargin) {
    struct Case {
        const char* edge;
        double fraction;
        int previous;
        int tier;
    };
    const Case cases[] = {
        {"just into tier 2 from 1", 0.21, 1, 1},
        {"at the margin from 1", 0.23, 1, 1},
        {"past the margin from 1", 0.2301, 1, 2},
        {"jump from 1 to 5", 0.95, 1, 5},
        {"just into tier 2 from 3", 0.38, 3, 3},
        {"past the margin down from 3", 0.36, 3, 2},
        {"unchanged", 0.5, 3, 3},
        {"to 0 at once", 0.02, 4, 0},
        {"from 0 at once", 0.5, 0, 3},
        {"nothing to show", nan, 2, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(menubar::spinTierWithHysteresis(c.fraction, c.previous), c.tier) << c.edge;
}

TEST(MenuBarLabelRules, Texts) {
    struct NameCase {
        std::string name, shortName;
    };
    const NameCase names[] = {
        {"CPU Performance Core 1", "CPU"}, {"Thunderbolt Left", "Thunderb"}, {"  GPU  Cluster", "GPU"},
        {"", ""},                          {"   ", "   "},                   {"Température", "Températ"},
    };
    for (const auto& c : names) EXPECT_EQ(menubar::shortSensorName(c.name), c.shortName) << '"' << c.name << '"';

    struct SpeedCase {
        double rpm;
        std::string text;
    };
    const SpeedCase speeds[] = {{1234.9, "1234"}, {0, "0"}, {99999.9, "99999"}, {100000, "--"},
                                {-1, "--"},       {nan, "--"}, {inf, "--"},     {9.2e18, "--"}};
    for (const auto& c : speeds) EXPECT_EQ(menubar::fanSpeedText(c.rpm), c.text) << c.rpm;

    struct StripCase {
        std::string text, stripped;
    };
    const StripCase strips[] = {{"45.3\u00B0C", "45\u00B0C"}, {"CPU 45.3\u00B0C", "CPU 45\u00B0C"},
                                {"1,25x", "1x"},              {"ends.", "ends."},
                                {"a.b", "a.b"},               {"1234", "1234"},
                                {"--", "--"}};
    for (const auto& c : strips) EXPECT_EQ(menubar::stripDecimalFractions(c.text), c.stripped) << c.text;
}

// The model on a clock the test moves; a flush wakes as the clock passes it.
struct ModelRig {
    ModelRig()
        : clock(std::make_shared<FakeClock>(nullptr)),
          model(MenuBarLabelState::placeholder(), 1s, 6s, clock) {
        QObject::connect(&model, &MenuBarLabelModel::stateChanged,
                         [this](const MenuBarLabelState& state) { published.push_back(state); });
    }
    static MenuBarLabelState label(std::string temperature, int tier = 1) {
        MenuBarLabelState state;
        state.readout = MenuBarReadout::controlTemperature;
        state.temperatureText = std::move(temperature);
        state.spinTier = tier;
        return state;
    }
    // Pushes `first` and leaves the clock at that push.
    void start(const MenuBarLabelState& first) {
        model.update(first);
        published.clear();
    }
    std::shared_ptr<FakeClock> clock;
    MenuBarLabelModel model;
    std::vector<MenuBarLabelState> published;
};

TEST(MenuBarLabelModelTest, TheFirstChangeAndAnyChangeBesideTheTextsArePublishedAtOnce) {
    ModelRig rig;
    rig.model.update(MenuBarLabelState::placeholder());
    EXPECT_TRUE(rig.published.empty()) << "nothing changed";
    rig.model.update(ModelRig::label("45.3\u00B0C"));
    EXPECT_EQ(rig.published.size(), 1u);

    rig.clock->advance(100ms);
    auto tier = ModelRig::label("46.0\u00B0C", 2);
    rig.model.update(tier);
    auto animated = ModelRig::label("47.0\u00B0C", 2);
    animated.animated = false;
    rig.model.update(animated);
    auto readout = animated;
    readout.readout = MenuBarReadout::both;
    rig.model.update(readout);
    EXPECT_EQ(rig.published, (std::vector<MenuBarLabelState>{ModelRig::label("45.3\u00B0C"), tier, animated, readout}))
        << "with the texts of the moment";
}

TEST(MenuBarLabelModelTest, ATenthsChangeWaitsSixSecondsAndPublishesTheLatestState) {
    ModelRig rig;
    rig.start(ModelRig::label("45.3\u00B0C"));
    rig.clock->advance(200ms);
    rig.model.update(ModelRig::label("45.4\u00B0C"));
    rig.clock->advance(3s);
    rig.model.update(ModelRig::label("45.6\u00B0C"));
    rig.clock->advance(2799ms);
    EXPECT_TRUE(rig.published.empty());
    rig.clock->advance(1ms);
    EXPECT_EQ(rig.published, (std::vector<MenuBarLabelState>{ModelRig::label("45.6\u00B0C")}));
    EXPECT_FALSE(rig.model.pending());
    EXPECT_FALSE(rig.model.isFlushScheduled());
}

TEST(MenuBarLabelModelTest, AWholeNumberChangeWaitsOneSecondUnlessAFlushIsAlreadyScheduled) {
    {
        ModelRig rig;
        rig.start(ModelRig::label("45.3\u00B0C"));
        rig.clock->advance(1200ms);
        rig.model.update(ModelRig::label("46.3\u00B0C"));
        EXPECT_EQ(rig.published.size(), 1u) << "1.2 s after the last push: at once";
    }
    {
        ModelRig rig;
        rig.start(ModelRig::label("45.3\u00B0C"));
        rig.clock->advance(500ms);
        rig.model.update(ModelRig::label("46.3\u00B0C"));
        EXPECT_TRUE(rig.published.empty());
        rig.clock->advance(500ms);
        EXPECT_EQ(rig.published, (std::vector<MenuBarLabelState>{ModelRig::label("46.3\u00B0C")}));
    }
    {
        ModelRig rig;
        rig.start(ModelRig::label("45.3\u00B0C"));
        rig.clock->advance(200ms);
        rig.model.update(ModelRig::label("45.4\u00B0C"));
        rig.clock->advance(300ms);
        rig.model.update(ModelRig::label("46.4\u00B0C"));
        rig.clock->advance(5s);
        EXPECT_TRUE(rig.published.empty()) << "the flush already scheduled decides";
        rig.clock->advance(500ms);
        EXPECT_EQ(rig.published, (std::vector<MenuBarLabelState>{ModelRig::label("46.4\u00B0C")}));
    }
}

TEST(MenuBarLabelModelTest, ReturningToThePublishedStateDropsThePendingOne) {
    ModelRig rig;
    rig.start(ModelRig::label("45.3\u00B0C"));
    rig.clock->advance(200ms);
    rig.model.update(ModelRig::label("45.4\u00B0C"));
    rig.model.update(ModelRig::label("45.3\u00B0C"));
    EXPECT_FALSE(rig.model.pending());
    rig.clock->advance(10s);
    EXPECT_TRUE(rig.published.empty()) << "the flush wakes and finds nothing";
}

TEST(MenuBarLabelModelTest, AModelDestroyedWithAFlushAsleepEndsItWithoutEffect) {
    auto clock = std::make_shared<FakeClock>(nullptr);
    {
        MenuBarLabelModel model(MenuBarLabelState::placeholder(), 1s, 6s, clock);
        model.update(ModelRig::label("45.3\u00B0C"));
        model.update(ModelRig::label("45.4\u00B0C"));
        ASSERT_TRUE(model.isFlushScheduled());
    }
    EXPECT_EQ(ZephraneEngine::tasksInFlight(), 0);
    clock->advance(10s);
}

TEST(MenuBarLabel, TheEngineBuildsTheLabelFromWhatItPolled) {
    EngineHarness h;
    auto& engine = h.make();
    h.poller().results = {pollOf({fan(0, 1234.9, 1200, 5000), fan(1, 2000, 1200, 5000)},
                                 {temperatureSensor("TC0P", "CPU Proximity Sensor", 45.26)})};
    ASSERT_TRUE(engine.tickOnce().isReady());
    const MenuBarLabelState& label = engine.menuBarLabelModel().state();
    EXPECT_EQ(label.readout, MenuBarReadout::controlTemperature);
    EXPECT_EQ(label.temperatureText, "45.3\u00B0C");
    EXPECT_EQ(label.fanText, "2000");
    EXPECT_EQ(label.hottestSensorText, "CPU 45.3\u00B0C");
    EXPECT_EQ(label.spinTier, 2) << "the fastest fan is at 21 % of its range";
    EXPECT_TRUE(label.animated);

    engine.setMenuBarIconAnimated(false);
    EXPECT_FALSE(engine.menuBarLabelModel().state().animated) << "a setting change refreshes the label";

    h.clock->advance(2s);
    h.poller().results = {pollOf({fan(0, 1200, 5000, 5000)}, {}, false)};
    ASSERT_TRUE(engine.tickOnce().isReady());
    EXPECT_EQ(engine.menuBarLabelModel().state().spinTier, 0) << "a fan without a range does not spin the icon";
    EXPECT_EQ(engine.menuBarLabelModel().state().fanText, "1200");
}

TEST(MenuBarLabel, WithoutTheSMCOrFansTheTextsArePlaceholders) {
    EngineHarness h;
    auto& engine = h.make();
    EXPECT_EQ(engine.menuBarTemperatureText(), "--");
    EXPECT_EQ(engine.menuBarFanText(), "--");
    EXPECT_EQ(engine.menuBarFanFraction(), 0);
    auto noSMC = pollOf({fan(0, 3000)}, {temperatureSensor("TC0P", "CPU Proximity", 50)});
    noSMC.smcAvailable = false;
    h.poller().results = {noSMC};
    ASSERT_TRUE(engine.tickOnce().isReady());
    EXPECT_EQ(engine.menuBarTemperatureText(), "--");
    EXPECT_EQ(engine.menuBarFanText(), "--");
    EXPECT_EQ(engine.menuBarLabelModel().state().temperatureText, "--");
}

}  // namespace
}  // namespace zephrane::enginetest
