#include "sim/ScenarioLoad.hpp"

#include <gtest/gtest.h>

namespace zephrane::sim {
namespace {

using namespace std::chrono_literals;

TEST(ScenarioLoadTest, StepsHoldUntilTheNextAndLoopWhenAsked) {
    const ScenarioLoad once({{5s, 0.2}, {10s, 1.0}, {20s, 0.5}}, std::nullopt);
    const ScenarioLoad looping({{0s, 0.1}, {10s, 0.9}}, 30s);
    struct Row {
        const char* edge;
        const ScenarioLoad& scenario;
        SimDuration at;
        double load;
    } rows[] = {
        {"before the first step", once, 4999ms, 0.0},
        {"at a step's time", once, 5s, 0.2},
        {"between steps", once, 9s, 0.2},
        {"the last step holds", once, 1000s, 0.5},
        {"first pass", looping, 12s, 0.9},
        {"loop starts over", looping, 31s, 0.1},
        {"second pass", looping, 41s, 0.9},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.edge);
        EXPECT_DOUBLE_EQ(row.scenario.at(row.at), row.load);
        EXPECT_DOUBLE_EQ(row.scenario.source()(row.at), row.load);
    }
}

TEST(ScenarioLoadTest, ReadsJsonAndRefusesBadScripts) {
    const ScenarioLoad parsed = ScenarioLoad::fromJson(
        Json::parse(R"({"steps": [{"atSeconds": 0, "load": 0.25}, {"atSeconds": 1.5, "load": 1}], "loopSeconds": 3})"));
    EXPECT_EQ(parsed.steps(), (std::vector<ScenarioLoad::Step>{{0s, 0.25}, {1500ms, 1.0}}));
    EXPECT_DOUBLE_EQ(parsed.at(4600ms), 1.0);

    struct Row {
        const char* edge;
        const char* text;
        const char* message;
    } rows[] = {
        {"load above 1", R"({"steps": [{"atSeconds": 0, "load": 1.5}]})", "load must lie in 0 to 1"},
        {"times going back", R"({"steps": [{"atSeconds": 5, "load": 1}, {"atSeconds": 2, "load": 0}]})",
         "times must ascend"},
        {"a zero loop", R"({"steps": [], "loopSeconds": 0})", "loopSeconds"},
        {"no steps member", R"({"step": []})", "steps"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.edge);
        try {
            ScenarioLoad::fromJson(Json::parse(row.text));
            ADD_FAILURE() << "accepted";
        } catch (const ScenarioError& e) {
            EXPECT_NE(std::string(e.what()).find(row.message), std::string::npos) << e.what();
        }
    }
}

TEST(ScenarioLoadTest, TheShippedScenarioLoads) {
    const ScenarioLoad scenario =
        ScenarioLoad::load(std::filesystem::path(ZEPHRANE_SIM_SCENARIOS_DIR) / "warm-up-and-burst.json");
    EXPECT_FALSE(scenario.steps().empty());
    EXPECT_THROW(ScenarioLoad::load("/nonexistent/scenario.json"), ScenarioError);
}

}  // namespace
}  // namespace zephrane::sim
