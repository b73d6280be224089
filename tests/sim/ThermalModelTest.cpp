#include "sim/ThermalModel.hpp"

#include <gtest/gtest.h>

namespace zephrane::sim {
namespace {

using namespace std::chrono_literals;

ThermalParams params() {
    ThermalParams p;
    p.ambientC = 20;
    p.idleWatts = 5;
    p.maxWatts = 55;
    p.heatCapacityJoulesPerK = 10;
    p.passiveWattsPerK = 0.5;
    p.fanWattsPerK = 2.0;
    p.throttleC = 100;
    p.boardCoupling = 0.5;
    p.boardTimeConstant = 10s;
    p.batteryCoupling = 0.5;
    p.batteryTimeConstant = 10s;
    return p;
}

TEST(ThermalModelTest, StartsInTheIdleSteadyStateAndStaysThere) {
    ThermalModel model(params(), 0.5);  // conductance 1.5 W/K
    EXPECT_DOUBLE_EQ(model.dieC(), 20 + 5 / 1.5);
    EXPECT_DOUBLE_EQ(model.boardC(), 20 + 0.5 * (5 / 1.5));
    model.advance(60s, 0, 0.5);
    EXPECT_NEAR(model.change(Driver::die, 0), 0, 1e-9);
    EXPECT_NEAR(model.change(Driver::battery, 0), 0, 1e-9);
    EXPECT_DOUBLE_EQ(model.change(Driver::load, 0.7), 0.7);
}

TEST(ThermalModelTest, SettlesAtPowerOverConductanceWithoutOvershoot) {
    ThermalModel model(params(), 1.0);
    double previous = model.dieC();
    for (int i = 0; i < 100; ++i) {
        model.advance(3s, 1.0, 1.0);  // long steps, still monotonic
        EXPECT_GE(model.dieC(), previous);
        previous = model.dieC();
    }
    EXPECT_NEAR(model.dieC(), 20 + 55 / 2.5, 1e-6);
    EXPECT_NEAR(model.boardC(), 20 + 0.5 * 22, 1e-6);
    EXPECT_NEAR(model.batteryC(), 20 + 0.5 * 11, 1e-6);
}

TEST(ThermalModelTest, MoreLoadIsHotterMoreAirflowIsCoolerAndTheDieThrottles) {
    auto settled = [](double load, double airflow) {
        ThermalModel model(params(), 0);
        model.advance(600s, load, airflow);
        return model.dieC();
    };
    EXPECT_LT(settled(0.2, 0.5), settled(0.8, 0.5));
    EXPECT_GT(settled(0.8, 0.2), settled(0.8, 0.9));
    EXPECT_DOUBLE_EQ(settled(1.0, 0.0), 100) << "55 W through 0.5 W/K would be 130 degrees";
}

TEST(ThermalModelTest, AHeldDieStaysWhateverTheLoadTheBoardFollowsAndReleasingResumesFromThere) {
    ThermalModel model(params(), 0.5);
    model.holdDie(80);
    EXPECT_DOUBLE_EQ(model.dieC(), 80) << "at once, not at the next step";
    const double boardBefore = model.boardC();
    model.advance(30s, 0, 1.0);  // no load, full airflow: it would cool fast
    EXPECT_DOUBLE_EQ(model.dieC(), 80);
    EXPECT_GT(model.boardC(), boardBefore) << "the board heats toward its share of the held die";
    EXPECT_NEAR(model.boardC(), 20 + 0.5 * 60, 2.0);

    model.holdDie(250);
    EXPECT_DOUBLE_EQ(model.dieC(), 100) << "capped at the throttle temperature";

    model.holdDie(std::nullopt);
    model.advance(100ms, 0, 1.0);
    EXPECT_LT(model.dieC(), 100) << "cooling from where it was held";
    EXPECT_GT(model.dieC(), 90) << "one short step, not a jump back";
}

}  // namespace
}  // namespace zephrane::sim
