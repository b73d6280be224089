#include "sim/SimOptions.hpp"

#include <gtest/gtest.h>

namespace zephrane::sim {
namespace {

using namespace std::chrono_literals;

TEST(SimOptionsTest, DefaultsAndEveryOption) {
    const SimOptions defaults = SimOptions::parse({}, std::nullopt);
    EXPECT_EQ(defaults.machine, "two-fan-laptop");
    EXPECT_EQ(defaults.directory, "/run/zephrane");
    EXPECT_FALSE(defaults.loadScenario.has_value());
    EXPECT_EQ(defaults.writers, PeerPolicy::only({0})) << "only root writes";
    EXPECT_EQ(defaults.controllers, PeerPolicy::only({0})) << "only root controls";
    EXPECT_EQ(defaults.tick, 100ms);
    EXPECT_EQ(SimOptions::parse({}, "/tmp/sim").directory, "/tmp/sim") << "$ZEPHRANE_SIM_DIR";

    const SimOptions all = SimOptions::parse({"--machine", "fanless-laptop", "--dir=/tmp/x", "--load", "burst.json",
                                              "--allow-writers", "0,1000", "--allow-control", "1000", "--tick", "50"},
                                             "/tmp/ignored");
    EXPECT_EQ(all.machine, "fanless-laptop");
    EXPECT_EQ(all.directory, "/tmp/x");
    EXPECT_EQ(all.loadScenario, std::filesystem::path("burst.json"));
    EXPECT_EQ(all.writers, PeerPolicy::only({0, 1000}));
    EXPECT_EQ(all.controllers, PeerPolicy::only({1000}));
    EXPECT_EQ(all.tick, 50ms);
    EXPECT_EQ(SimOptions::parse({"--allow-writers=any"}, std::nullopt).writers, PeerPolicy::everyone());
    EXPECT_EQ(SimOptions::parse({"--allow-control=any"}, std::nullopt).controllers, PeerPolicy::everyone());
    EXPECT_FALSE(SimOptions::parse({"--load", "host"}, std::nullopt).loadScenario.has_value());
    EXPECT_TRUE(SimOptions::parse({"--help"}, std::nullopt).help);
}

TEST(SimOptionsTest, BadCommandLinesAreRefused) {
    const std::vector<std::vector<std::string_view>> rows = {
        {"--machine"},                    // no value
        {"--speed", "3"},                 // unknown option
        {"--tick", "0"},                  // below range
        {"--tick", "10001"},              // above range
        {"--tick", "5ms"},                // not a number
        {"--allow-writers", "root"},      // not a uid
        {"--allow-writers", "0,"},        // empty uid
        {"--allow-writers", "-1"},        // negative
        {"--allow-control", "root"},      // not a uid
        {"--allow-control"},              // no value
    };
    for (const auto& args : rows) {
        SCOPED_TRACE(args[0]);
        EXPECT_THROW(SimOptions::parse(args, std::nullopt), OptionsError);
    }
}

TEST(SimOptionsTest, MachinesResolveByNameOrPath) {
    const std::vector<std::filesystem::path> dirs = {"/nonexistent", ZEPHRANE_SIM_MACHINES_DIR};
    EXPECT_EQ(resolveMachine("one-fan-desktop", dirs),
              std::filesystem::path(ZEPHRANE_SIM_MACHINES_DIR) / "one-fan-desktop.json");
    EXPECT_EQ(resolveMachine("./mine.json", dirs), "./mine.json");
    EXPECT_EQ(resolveMachine("mine.json", dirs), "mine.json");
    EXPECT_THROW(resolveMachine("no-such-machine", dirs), OptionsError);
    EXPECT_EQ(builtInMachineDirs().back(), std::filesystem::path(ZEPHRANE_SIM_MACHINES_DIR))
        << "the source tree is the last resort";
}

}  // namespace
}  // namespace zephrane::sim
